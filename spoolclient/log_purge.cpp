#include "spoolclient/log_purge.h"

#include <chrono>
#include <cstdio>
#include <exception>
#include <vector>

#include "spoolclient/library_settings.h"
#include "spoolclient/library_state.h"
#include "support/platform/directory_listing.h"
#include "support/platform/files.h"
#include "support/platform/paths.h"

namespace qtl {

namespace {

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringCase(const std::string& text, std::size_t offset, const char* word) {
  for (std::size_t i = 0; word[i] != '\0'; ++i) {
    if (offset + i >= text.size() || AsciiLower(text[offset + i]) != word[i]) return false;
  }
  return true;
}

// "dll*.txt", ignoring case as the Windows file names do.
bool MatchesLogPattern(const std::string& name) {
  return name.size() >= 7 && EqualsIgnoringCase(name, 0, "dll") && EqualsIgnoringCase(name, name.size() - 4, ".txt");
}

int64_t DayNumber(int year, int month, int day) {
  const std::chrono::year_month_day date{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                                         std::chrono::day{static_cast<unsigned>(day)}};
  return std::chrono::sys_days{date}.time_since_epoch().count();
}

bool IsCalendarDate(int year, int month, int day) {
  if (year < -32767 || year > 32767 || month < 1 || month > 12 || day < 1 || day > 31) return false;
  const std::chrono::year_month_day date{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                                         std::chrono::day{static_cast<unsigned>(day)}};
  return date.ok();
}

}  // namespace

bool DateOfLogName(const std::string& name, int& year, int& month, int& day) {
  if (name.size() < 3) return false;
  if (std::sscanf(name.c_str() + 3, "%4d%2d%2d", &year, &month, &day) != 3) return false;
  // A name with impossible numbers (month 13, day 32) is left alone.
  return IsCalendarDate(year, month, day);
}

void PurgeLogsOlderThan(const std::string& folder, uint32_t keepDays, const platform::SystemTime& today) {
  std::vector<platform::DirectoryEntry> entries;
  if (!platform::ListDirectory(folder, entries)) return;
  if (!IsCalendarDate(today.year, today.month, today.day)) return;
  const int64_t todayNumber = DayNumber(today.year, today.month, today.day);
  for (const auto& entry : entries) {
    if (entry.isDirectory || !MatchesLogPattern(entry.name)) continue;
    int year = 0, month = 0, day = 0;
    if (!DateOfLogName(entry.name, year, month, day)) continue;
    const int64_t age = todayNumber - DayNumber(year, month, day);
    if (age >= static_cast<int64_t>(keepDays)) platform::DeleteFile(platform::JoinPath(folder, entry.name));
  }
}

void PurgeOldLogs() {
  try {
    const uint32_t keepDays = ReadKeepLogsFor();
    PurgeLogsOlderThan(LogFolder(), keepDays, platform::GetLocalTime());
  } catch (const std::exception&) {
  }
}

}  // namespace qtl
