#pragma once
// The few things that outlive one call of the library. Every piece is safe
// to read and change from several threads at once, and kept in storage that
// needs no destruction: the library's detach work may run after the process
// destroyed ordinary static objects.
#include <string>

namespace qtl {

// Tracing to the standard error stream: switched on by a call with a null
// id, never switched off again.
bool TraceEnabled();
void EnableTrace();

// Whether the socket layer has been started (and must be stopped at detach).
bool SocketsStarted();
// True for the one caller that changed the flag.
bool MarkSocketsStarted();
bool MarkSocketsStopped();

// The folder of the daily log and the capture files, fixed at attach.
std::string LogFolder();
void SetLogFolder(const std::string& folder);

// The file name (no folder) of the program that loaded the library; read
// once, by the first caller, whatever the number of threads.
std::string HostProgramName();

}  // namespace qtl
