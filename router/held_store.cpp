#include "router/held_store.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <set>
#include <string>

#include "router/form_run.h"
#include "support/platform/clock.h"
#include "support/platform/directory_listing.h"
#include "support/platform/files.h"
#include "support/platform/paths.h"
#include "support/platform/random.h"
#include "support/platform/win_error.h"

namespace {

constexpr char kJobExtension[] = ".prn";
constexpr char kCompanionExtension[] = ".txt";

bool EndsWith(const AnsiString& text, const AnsiString& suffix) {
  return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// A new base name: the time of holding to the millisecond, so that names sort
// in that order, then a random part (and the attempt) against collisions.
AnsiString NewHeldBaseName(int attempt) {
  const platform::SystemTime now = platform::GetLocalTime();
  char text[64];
  std::snprintf(text, sizeof text, "%04d%02d%02d-%02d%02d%02d-%03d-%08x", now.year, now.month, now.day, now.hour,
                now.minute, now.second, now.milliseconds, platform::RandomUInt32());
  AnsiString name = text;
  if (attempt > 0) name += "-" + std::to_string(attempt);
  return name;
}

bool EnsureFolder(const AnsiString& folder) {
  if (platform::DirectoryExists(folder)) return true;
  try {
    if (platform::ForceDirectories(folder)) return true;
  } catch (const std::exception&) {
    platform::SetLastError(platform::kErrorPathNotFound);
  }
  return false;
}

// Removes a file this hold made, keeping the error that made the hold fail.
void Withdraw(const AnsiString& path) {
  const uint32_t error = platform::GetLastError();
  platform::DeleteFile(path);
  platform::SetLastError(error);
}

}  // namespace

AnsiString HeldFolder(const AnsiString& dataDir) { return platform::JoinPath(dataDir, "Stampline/held"); }

AnsiString HeldCompanionPath(const AnsiString& heldJob) {
  if (!EndsWith(heldJob, kJobExtension)) return heldJob + kCompanionExtension;
  return heldJob.substr(0, heldJob.size() - (sizeof kJobExtension - 1)) + kCompanionExtension;
}

bool HoldJob(const AnsiString& dataDir, const AnsiString& jobFile, const HeldCompanion& companion,
             AnsiString& heldJob) {
  const AnsiString folder = HeldFolder(dataDir);
  if (!EnsureFolder(folder)) return false;
  const AnsiString text = FormatHeldCompanion(companion);
  for (int attempt = 0; attempt <= kNameRaceRetries; ++attempt) {
    const AnsiString base = platform::JoinPath(folder, NewHeldBaseName(attempt));
    const AnsiString job = base + kJobExtension;
    const AnsiString companionPath = base + kCompanionExtension;
    // The companion first: a held job is never without its list of sends.
    // Both steps return only once the new name is on disk (the move flushes
    // the job's data before the rename), so no crash leaves a held name
    // pointing at nothing.
    if (!platform::CreateFileNoReplace(companionPath, text)) {
      if (platform::GetLastError() == platform::kErrorFileExists) continue;
      return false;
    }
    if (!platform::MoveFileNoReplace(jobFile, job)) {
      const bool taken = platform::GetLastError() == platform::kErrorFileExists;
      Withdraw(companionPath);
      if (taken) continue;
      return false;
    }
    heldJob = job;
    return true;
  }
  platform::SetLastError(platform::kErrorFileExists);
  return false;
}

bool ListHeldJobs(const AnsiString& folder, std::vector<AnsiString>& jobs, std::vector<AnsiString>& leftovers) {
  jobs.clear();
  leftovers.clear();
  if (!platform::DirectoryExists(folder)) return true;
  std::vector<platform::DirectoryEntry> entries;
  if (!platform::ListDirectory(folder, entries)) return false;
  std::set<AnsiString> names;
  for (const platform::DirectoryEntry& entry : entries) {
    // Dot names are the temporary files of a publication in progress.
    if (!entry.isDirectory && !entry.name.empty() && entry.name[0] != '.') names.insert(entry.name);
  }
  for (const AnsiString& name : names) {
    if (EndsWith(name, kJobExtension)) {
      jobs.push_back(platform::JoinPath(folder, name));
    } else if (EndsWith(name, kCompanionExtension)) {
      const AnsiString job = name.substr(0, name.size() - (sizeof kCompanionExtension - 1)) + kJobExtension;
      if (names.count(job) == 0) leftovers.push_back(platform::JoinPath(folder, name));
    }
  }
  return true;
}
