#pragma once
// A fresh folder below the temporary directory, removed with everything in it
// when its owner goes away.
#include <string>

namespace corvanta_test {

class TempFolder {
 public:
  // Readable and searchable by everyone, so that a test may run a program
  // as an unprivileged user against files inside it.
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

}  // namespace corvanta_test
