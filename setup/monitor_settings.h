#pragma once
// The port monitor's two settings in the registry: the command it runs per
// job (PortCommand) and its directory (FirstTempDir). Strings are stored
// without a terminating zero and read through a 260-byte buffer, so a longer
// value counts as unreadable.
#include <optional>
#include <string>

namespace setup {

inline constexpr const char* kMonitorSettingsKey = "SOFTWARE\\Corvanta\\Vanteo Spooler";
inline constexpr const char* kPortCommandValue = "PortCommand";
inline constexpr const char* kFirstTempDirValue = "FirstTempDir";
inline constexpr unsigned kRegistryReadBufferSize = 260;

struct StoredMonitorSettings {
  std::optional<std::string> portCommand;
  std::optional<std::string> firstTempDir;
};

// Reads both values; a missing key or an unreadable value leaves its member
// empty. Silent.
StoredMonitorSettings ReadMonitorSettings();

// The default monitor directory: GetCommonAppDataDir + "/rdx64mon". False
// when the common data folder is not known.
bool DefaultMonitorDirectory(std::string& directory);

// Creates the default monitor directory and stores it as FirstTempDir.
// `monitorDir` takes the new path as soon as it is known, also when a later
// step fails. Tells the user about every failure.
bool ResetMonitorDirectory(std::string& monitorDir);

// Stores `portCommand` as PortCommand; tells the user about a failure.
bool WritePortCommand(const std::string& portCommand);

// Shows the stored FirstTempDir (or why it cannot be shown).
void QueryMonitorDirectory();

}  // namespace setup
