#pragma once
// The router's own registry settings, shared by the router (which reads them)
// and the setup tool (which shows and stores them).
#include <cstdint>

inline constexpr const char* kRouterSettingsKey = "SOFTWARE\\Corvanta\\Stampline";
// DWORD; non-zero keeps a job whose spooler send failed for a later resend
// instead of deleting it. Missing or 0: the job is deleted as always.
inline constexpr const char* kKeepFailedSendsValue = "KeepFailedSends";

// The stored KeepFailedSends; false when the key or value is missing or is
// not a DWORD.
bool ReadKeepFailedSends();

// Stores KeepFailedSends as the DWORD 1 or 0, creating the key when missing.
// The registry's result (0 on success).
long WriteKeepFailedSends(bool keep);
