#pragma once
// The entries of one folder, as FindFirstFile/FindNextFile give them.
#include <string>
#include <vector>

namespace platform {

struct DirectoryEntry {
  std::string name;
  bool isDirectory = false;
};

// Lists `folder` without "." and "..", in no particular order. False (last
// error set) when the folder cannot be read.
bool ListDirectory(const std::string& folder, std::vector<DirectoryEntry>& entries);

}  // namespace platform
