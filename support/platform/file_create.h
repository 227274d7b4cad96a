#pragma once
// Creating files for writing with the two Windows dispositions the client
// library needs: "new" (fail when the name exists) and "always" (replace
// what is there). Failures set the thread's last error (win_error.h). None of
// these opens waits: a FIFO without a reader is refused at once.
#include <string>

#include "support/platform/file_handle.h"

namespace platform {

// Creates `path` for writing; fails with error 80 when the name exists (a
// symbolic link included: it is never followed).
bool CreateNewFile(const std::string& path, FileHandle& file, unsigned mode = 0664);
// Creates `path` for writing, emptying an existing file of that name. The
// name is the caller's own choice, so a link is followed and a FIFO or
// device with a reader is written to.
bool CreateAlwaysFile(const std::string& path, FileHandle& file, unsigned mode = 0664);
// As CreateAlwaysFile, for names in folders other users may write to: a
// symbolic link, FIFO or device under the name is refused with error 5 and
// left as it is; only a regular file is emptied. A new file gets exactly
// `mode`, not reduced by the umask.
bool CreateAlwaysRegularFile(const std::string& path, FileHandle& file, unsigned mode = 0664);

}  // namespace platform
