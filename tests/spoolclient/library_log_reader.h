#pragma once
// Reading the library's daily logs back in tests.
#include <regex>
#include <string>
#include <vector>

namespace spooltest {

// Every line of every "dll*.txt" file in `folder`, without the line ends;
// `wholeLines` (when given) becomes false if a line lacks its "\r\n".
std::vector<std::string> ReadLogLines(const std::string& folder, bool* wholeLines = nullptr);

// The message part of each line (after program, thread id and time).
std::vector<std::string> LogMessages(const std::string& folder);

// Deletes the daily logs in `folder`.
void ClearLogs(const std::string& folder);

// The shape of one log line: "<program> <thread> hh:mm:ss.mmm <message>".
const std::regex& LogLinePattern();

}  // namespace spooltest
