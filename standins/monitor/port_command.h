#pragma once
// The program the monitor runs for a job, made from the PortCommand template.
#include <string>
#include <vector>

// Splits `commandTemplate` as a Windows command line, then replaces %1, %2
// and %3 inside each argument by the job file, the printer name and the
// document title. Replacing after splitting means a title with quotes, blanks
// or a "%2" of its own reaches the program exactly as it was given, and no
// text can add arguments. Any other '%' is kept.
std::vector<std::string> ExpandPortCommand(const std::string& commandTemplate, const std::string& jobFile,
                                           const std::string& printer, const std::string& title);
