// Reads a deliverable's version record back from its ELF file on disk.
#include "support/version_record.h"

#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "support/platform/file_handle.h"

namespace {

bool ReadAt(int fd, uint64_t offset, void* data, std::size_t size) {
  char* p = static_cast<char*>(data);
  while (size > 0) {
    const ssize_t n = ::pread(fd, p, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    offset += static_cast<uint64_t>(n);
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

bool ReadVersionRecord(const std::string& path, VersionRecord& record) {
  // Without blocking, so that a FIFO or device named by mistake cannot hang
  // the caller; only a regular file can carry a record.
  platform::FileHandle file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (!file.valid()) return false;
  struct stat st {};
  if (::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  Elf64_Ehdr header{};
  if (!ReadAt(file.get(), 0, &header, sizeof header)) return false;
  if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_ident[EI_CLASS] != ELFCLASS64) return false;
  if (header.e_shentsize != sizeof(Elf64_Shdr) || header.e_shnum == 0 || header.e_shnum > 4096 ||
      header.e_shstrndx >= header.e_shnum) {
    return false;
  }
  std::vector<Elf64_Shdr> sections(header.e_shnum);
  if (!ReadAt(file.get(), header.e_shoff, sections.data(), sections.size() * sizeof(Elf64_Shdr))) return false;
  const Elf64_Shdr& names = sections[header.e_shstrndx];
  if (names.sh_size > (1u << 20)) return false;
  std::vector<char> nameTable(names.sh_size + 1, '\0');
  if (!ReadAt(file.get(), names.sh_offset, nameTable.data(), names.sh_size)) return false;

  for (const auto& section : sections) {
    if (section.sh_name >= names.sh_size) continue;
    if (std::strcmp(&nameTable[section.sh_name], kVersionNoteSection) != 0) continue;
    if (section.sh_size < sizeof(CorvantaVersionNote)) return false;
    CorvantaVersionNote note{};
    if (!ReadAt(file.get(), section.sh_offset, &note, sizeof note)) return false;
    if (note.nameSize != 9 || note.type != 1 || std::memcmp(note.name, "Corvanta", 9) != 0) return false;
    record.file[0] = static_cast<uint16_t>(note.fileVersionMs >> 16);
    record.file[1] = static_cast<uint16_t>(note.fileVersionMs & 0xFFFF);
    record.file[2] = static_cast<uint16_t>(note.fileVersionLs >> 16);
    record.file[3] = static_cast<uint16_t>(note.fileVersionLs & 0xFFFF);
    record.product[0] = static_cast<uint16_t>(note.productVersionMs >> 16);
    record.product[1] = static_cast<uint16_t>(note.productVersionMs & 0xFFFF);
    record.product[2] = static_cast<uint16_t>(note.productVersionLs >> 16);
    record.product[3] = static_cast<uint16_t>(note.productVersionLs & 0xFFFF);
    record.fileDescription.assign(note.fileDescription, strnlen(note.fileDescription, sizeof note.fileDescription));
    record.companyName.assign(note.companyName, strnlen(note.companyName, sizeof note.companyName));
    return true;
  }
  return false;
}
