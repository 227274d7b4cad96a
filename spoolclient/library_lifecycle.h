#pragma once
// What the library does when a process loads and unloads it.

#include <string>

namespace qtl {

// Fixes the log folder and writes "DLL_PROCESS_ATTACH".
void ProcessAttach();
// Stops the socket layer, purges old logs and writes "DLL_PROCESS_DETACH".
void ProcessDetach();

// The log folder for the current environment: the common data folder's
// "qtlapi", or "<root>/qtlapi" when the common data folder is unavailable.
std::string DefaultLogFolder();

}  // namespace qtl
