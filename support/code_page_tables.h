#pragma once
namespace codepage_tables {
// Each maps bytes 0x80..0xFF to UTF-16; bytes below 0x80 are ASCII in all of them.
extern const char16_t kCodePage1252[128];
extern const char16_t kCodePage1253[128];
extern const char16_t kCodePage28597[128];
extern const char16_t kCodePage28591[128];
}  // namespace codepage_tables
