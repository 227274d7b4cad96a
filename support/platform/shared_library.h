#pragma once
// Run-time binding of a shared library, unloaded when the owner goes away.
#include <string>

namespace platform {

class SharedLibrary {
 public:
  SharedLibrary() = default;
  ~SharedLibrary() { Unload(); }
  SharedLibrary(const SharedLibrary&) = delete;
  SharedLibrary& operator=(const SharedLibrary&) = delete;
  SharedLibrary(SharedLibrary&& other) noexcept;
  SharedLibrary& operator=(SharedLibrary&& other) noexcept;

  // Loads `path` (a name without '/' goes through the loader's search).
  // False with last error 126 when it cannot be loaded.
  bool Load(const std::string& path);
  // Loads `fileName` from the running program's folder first, then by plain
  // name through the loader's search.
  bool LoadBesideProgram(const std::string& fileName);
  // Resolves `name`; null with last error 127 when it is not exported.
  void* Symbol(const std::string& name) const;
  void Unload();
  bool loaded() const { return handle_ != nullptr; }
  // The loader's own explanation of the last failure ("" when none).
  const std::string& loaderMessage() const { return loaderMessage_; }

 private:
  void* handle_ = nullptr;
  mutable std::string loaderMessage_;
};

}  // namespace platform
