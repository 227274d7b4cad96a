#pragma once
// Shared pieces of the in-process library tests: the process's own root
// (created before the library loads), log access and settings.
#include <cstdint>
#include <string>
#include <vector>

#include "tests/spoolclient/test_root.h"

namespace spooltest {

// The root of this test process (set up by the test main).
TestRoot& Root();

// Messages logged by the library since the last ClearLibraryLog().
std::vector<std::string> LibraryLogMessages();
void ClearLibraryLog();
bool LogHas(const std::string& message);

// Settings under SOFTWARE\Corvanta\Stampline\qtlDll in the registry file.
void SetDwordSetting(const std::string& name, uint32_t value);
void SetStringSetting(const std::string& name, const std::string& value);  // stored with its NUL
void SetRawSetting(const std::string& name, uint32_t type, const std::string& bytes);
void ClearSettings();

// A file in this process's root with the given contents; returns its path.
std::string MakeFile(const std::string& name, const std::string& contents);

}  // namespace spooltest
