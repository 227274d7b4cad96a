#pragma once
// The pieces the platform's own *_win32.cpp files share: text for the wide
// system calls, and CRT descriptors over system handles (the layer's files
// are plain ints on every platform). For the platform's own files only.
#include <windows.h>

#include <string>

#include "support/platform/file_handle.h"

namespace platform {

// UTF-8 (the layer's text everywhere) to UTF-16 for the wide calls; malformed
// input is replaced, never an error.
std::wstring Widen(const std::string& text);
std::string Narrow(const std::wstring& text);
// A path for the wide calls: '/' becomes '\'.
std::wstring WidePath(const std::string& path);
// A path from the system in the layer's form: '\' becomes '/'.
std::string LayerPath(const std::wstring& path);

// Wraps `handle` in a descriptor owned by `file`; closes the handle and
// fails (last error set) when no descriptor is free.
bool AdoptHandle(HANDLE handle, int crtFlags, FileHandle& file);
// The system handle behind a descriptor (INVALID_HANDLE_VALUE when none).
HANDLE OsHandle(int fd);

// Records the system's last error as the layer's and returns false.
bool FailWithSystemError();

// Owner of a handle that is not a descriptor (processes, searches, keys).
class ScopedHandle {
 public:
  explicit ScopedHandle(HANDLE handle = nullptr) : handle_(handle) {}
  ~ScopedHandle() { reset(); }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  HANDLE release() {
    const HANDLE handle = handle_;
    handle_ = nullptr;
    return handle;
  }
  void reset(HANDLE handle = nullptr) {
    if (valid()) ::CloseHandle(handle_);
    handle_ = handle;
  }

 private:
  HANDLE handle_;
};

}  // namespace platform
