#pragma once
// Starting programs. Command lines follow the Windows quoting rules, so the
// templates stored for the monitor and the setup tool mean the same here.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Splits a Windows-style command line into arguments (quotes group blanks,
// backslashes escape only before a quote, "" inside quotes is a quote).
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

// Quotes one argument so that SplitCommandLine gives it back unchanged.
std::string QuoteArgument(const std::string& argument);

// Starts argv[0] (searched on PATH when it has no '/') with `argv`. When
// `wait` is true, waits without limit and stores the exit status in
// `exitCode` (128 + signal for a killed process). False with the last error
// set (2 for a program that does not exist) when it cannot be started.
bool StartProcess(const std::vector<std::string>& argv, bool wait, uint32_t* exitCode = nullptr);

// Starts argv[0] as StartProcess does and waits without limit for it to end,
// keeping what it writes to its standard error: up to `maxErrorBytes` of it
// in `errorText` (the rest is read and dropped), and all of it still copied
// to this process's standard error. Output of a program it started in turn
// is not waited for once it has ended. False with the last error set when it
// cannot be started.
bool RunProcessKeepingErrors(const std::vector<std::string>& argv, std::string& errorText,
                             uint32_t* exitCode = nullptr, std::size_t maxErrorBytes = 4096);

// StartProcess on SplitCommandLine(commandLine).
bool StartProcessFromCommandLine(const std::string& commandLine, bool wait, uint32_t* exitCode = nullptr);

}  // namespace platform
