// Reads a file's version resource, as Explorer's property page shows it.
#include <windows.h>

#include <vector>

#include "support/platform/win32_text.h"
#include "support/version_record.h"

namespace {

std::string StringEntry(const std::vector<uint8_t>& block, const wchar_t* language, const wchar_t* name) {
  const std::wstring query = std::wstring(L"\\StringFileInfo\\") + language + L"\\" + name;
  wchar_t* text = nullptr;
  UINT length = 0;
  if (!::VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&text), &length) || text == nullptr) {
    return std::string();
  }
  std::wstring value(text, length);
  while (!value.empty() && value.back() == L'\0') value.pop_back();
  return platform::Narrow(value);
}

}  // namespace

bool ReadVersionRecord(const std::string& path, VersionRecord& record) {
  const std::wstring widePath = platform::WidePath(path);
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(widePath.c_str(), &ignored);
  if (size == 0) return false;
  std::vector<uint8_t> block(size);
  if (!::GetFileVersionInfoW(widePath.c_str(), 0, size, block.data())) return false;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) || fixed == nullptr ||
      length < sizeof(VS_FIXEDFILEINFO) || fixed->dwSignature != 0xFEEF04BD) {
    return false;
  }
  record.file[0] = HIWORD(fixed->dwFileVersionMS);
  record.file[1] = LOWORD(fixed->dwFileVersionMS);
  record.file[2] = HIWORD(fixed->dwFileVersionLS);
  record.file[3] = LOWORD(fixed->dwFileVersionLS);
  record.product[0] = HIWORD(fixed->dwProductVersionMS);
  record.product[1] = LOWORD(fixed->dwProductVersionMS);
  record.product[2] = HIWORD(fixed->dwProductVersionLS);
  record.product[3] = LOWORD(fixed->dwProductVersionLS);
  // The first language the file lists names its string table.
  struct Translation {
    WORD language;
    WORD codePage;
  }* translations = nullptr;
  wchar_t language[16] = L"040904b0";
  if (::VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations),
                       &length) &&
      translations != nullptr && length >= sizeof(Translation)) {
    wsprintfW(language, L"%04x%04x", translations[0].language, translations[0].codePage);
  }
  record.fileDescription = StringEntry(block, language, L"FileDescription");
  record.companyName = StringEntry(block, language, L"CompanyName");
  return true;
}
