#pragma once
// The system's fixed locations. Everything hangs off $CORVANTA_ROOT (unset or
// empty: "/"), so tests can point a whole installation at a temporary folder.
#include <string>

namespace platform {

// $CORVANTA_ROOT without a trailing delimiter ("" for the file-system root).
std::string CorvantaRoot();

// The configuration folder (Windows: c:\Corvanta): <root>/etc/corvanta.
std::string ConfigFolder();
// <root>/etc/corvanta/kvp64exe.dat
std::string RoutingTablePath();
// <root>/etc/corvanta/Quillet.xml
std::string QuilletSettingsPath();
// <root>/etc/corvanta/hklm.reg
std::string RegistryFilePath();
// The common application data folder: <root>/var/lib.
std::string CommonAppDataFolder();

// The shell-folder query: fills `path` with the common application data
// folder and answers 0 when it exists, 1 (the "false but usable" answer) when
// it does not.
long QueryCommonAppDataFolder(std::string& path);

// `folder` + "/" + `name`, with exactly one delimiter between them.
std::string JoinPath(const std::string& folder, const std::string& name);

// `path` made absolute against the current folder (GetFullPathName), without
// resolving links or "..". An absolute or empty path, or one whose base
// cannot be found, is returned as it is.
std::string AbsolutePath(const std::string& path);

// The folder of the running program (from /proc/self/exe), without a trailing delimiter.
std::string ExecutableFolder();

// The delimiter of paths on this platform.
constexpr char kPathDelimiter = '/';

}  // namespace platform
