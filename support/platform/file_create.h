#pragma once
// Creating files for writing with the two Windows dispositions the client
// library needs: "new" (fail when the name exists) and "always" (replace
// what is there). Failures set the thread's last error (win_error.h).
#include <string>

#include "support/platform/file_handle.h"

namespace platform {

// Creates `path` for writing; fails with error 80 when the name exists.
bool CreateNewFile(const std::string& path, FileHandle& file, unsigned mode = 0664);
// Creates `path` for writing, emptying an existing file of that name.
bool CreateAlwaysFile(const std::string& path, FileHandle& file, unsigned mode = 0664);

}  // namespace platform
