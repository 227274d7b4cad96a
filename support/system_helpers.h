#pragma once
// Small system services every deliverable uses the same way.
#include <cstdint>
#include <string>

#include "support/ansi_split.h"

// How the common-application-data query result is judged. The router and the
// setup tool accept the "folder does not exist yet" answer (1); the client
// library only accepts 0 and then falls back to its own folder.
enum class AppDataSuccessRule { NotNegative, ExactlyZero };

// Sets `dir` to the common application data folder followed by "/Corvanta"
// (no delimiter at the end). Leaves `dir` unchanged and returns false on failure.
bool GetCommonAppDataDir(AnsiString& dir, AppDataSuccessRule rule = AppDataSuccessRule::NotNegative);

// "a.b.c.d" from the version record of `fileName` (the running program when
// null); "Undefined" when the file has none.
void GetFileVersionText(const char* fileName, AnsiString& text);

// Message-box style flags and results (Win32 values, kept for callers).
enum : int32_t {
  MB_OK = 0x0,
  MB_OKCANCEL = 0x1,
  MB_YESNO = 0x4,
  MB_ICONERROR = 0x10,
  MB_ICONQUESTION = 0x20,
  MB_ICONEXCLAMATION = 0x30,
  MB_ICONINFORMATION = 0x40,
  MB_SYSTEMMODAL = 0x1000,
  MB_TASKMODAL = 0x2000,
  MB_TOPMOST = 0x40000,
  IDOK = 1,
  IDCANCEL = 2,
  IDYES = 6,
  IDNO = 7,
};

// The application title, used as the caption of every message box.
void SetApplicationTitle(const AnsiString& title);
AnsiString GetApplicationTitle();

// Shows `text` with the application title as caption through the platform's
// message-box seam; returns the button that closed it.
int32_t AppMessageBox(const AnsiString& text, int32_t flags);

bool HasAdminRights();
bool Is64BitWindows();
