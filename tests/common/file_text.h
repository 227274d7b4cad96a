#pragma once
// Whole-file reads and writes and folder listings for checking what a run
// left behind.
#include <string>
#include <vector>

namespace corvanta_test {

// The file's bytes; empty when it cannot be read.
std::string ReadFileText(const std::string& path);
// The file's lines without their line ends; empty when it cannot be read.
std::vector<std::string> ReadLines(const std::string& path);
// Replaces the file with `text`, creating missing parent folders; throws
// when it cannot, so that a test never goes on with a file it did not get.
void WriteFileText(const std::string& path, const std::string& text);
// True when anything is at `path`, a dangling symbolic link included.
bool PathExists(const std::string& path);
// The names in `folder` (hidden ones too, not "." and ".."), sorted; empty
// when it cannot be read.
std::vector<std::string> ListFolder(const std::string& folder);

// The last `lines` lines of `text` (all of it when it has fewer).
std::string LastLines(const std::string& text, int lines);

}  // namespace corvanta_test
