#pragma once
// A deliverable's version record, carried in an ELF note section so that
// GetFileVersionText can read it back from the file on disk.
#include <cstdint>
#include <string>

struct CorvantaVersionNote {
  uint32_t nameSize;         // 9: "Corvanta" and its NUL
  uint32_t descriptionSize;  // bytes from fileVersionMs to the end
  uint32_t type;             // 1
  char name[12];
  uint32_t fileVersionMs;  // major << 16 | minor
  uint32_t fileVersionLs;  // release << 16 | build
  uint32_t productVersionMs;
  uint32_t productVersionLs;
  char fileDescription[64];
  char companyName[32];
};

inline constexpr const char* kVersionNoteSection = ".note.corvanta.version";

// One version word from two parts; a part outside 0..65535 stops the build.
consteval uint32_t CorvantaVersionWord(long long high, long long low) {
  if (high < 0 || high > 0xFFFF || low < 0 || low > 0xFFFF) throw "version parts are 0 to 65535";
  return (static_cast<uint32_t>(high) << 16) | static_cast<uint32_t>(low);
}

#if defined(_WIN32)
// On Windows the record is the file's version resource (a .rc file beside the
// deliverable's sources); the macro only checks the parts.
#define CORVANTA_VERSION_RECORD(f1, f2, f3, f4, p1, p2, p3, p4, description, company)            \
  static_assert((CorvantaVersionWord(f1, f2) | CorvantaVersionWord(f3, f4) | CorvantaVersionWord(p1, p2) | \
                 CorvantaVersionWord(p3, p4) | 1u) != 0u,                                          \
                description)
#else
// Defines the record once in a deliverable's main source file.
#define CORVANTA_VERSION_RECORD(f1, f2, f3, f4, p1, p2, p3, p4, description, company)                   \
  extern "C" __attribute__((section(".note.corvanta.version"), used, aligned(4), visibility("hidden"))) \
  const CorvantaVersionNote corvanta_version_note = {                                                    \
      9,                                                                                                 \
      sizeof(CorvantaVersionNote) - 24,                                                                  \
      1,                                                                                                 \
      "Corvanta",                                                                                        \
      CorvantaVersionWord(f1, f2),                                                                       \
      CorvantaVersionWord(f3, f4),                                                                       \
      CorvantaVersionWord(p1, p2),                                                                       \
      CorvantaVersionWord(p3, p4),                                                                       \
      description,                                                                                       \
      company}
#endif

struct VersionRecord {
  uint16_t file[4] = {};
  uint16_t product[4] = {};
  std::string fileDescription;
  std::string companyName;
};

// Reads the record from `path`. False when the file cannot be read, is not an
// ELF file (on Windows: has no version resource), or carries no record.
bool ReadVersionRecord(const std::string& path, VersionRecord& record);
