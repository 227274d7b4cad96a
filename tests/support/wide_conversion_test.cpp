// Text through UTF-8, UTF-16 and the single-byte code pages and back.
#include <gtest/gtest.h>

#include <string>

#include "support/wide_conversion.h"

namespace {

// "Καλημέρα" (good morning) and "Άλφα", whose first letter sits at different
// bytes in ISO 8859-7 and in Windows-1253.
const char kGreekUtf8[] = "\xCE\x9A\xCE\xB1\xCE\xBB\xCE\xB7\xCE\xBC\xCE\xAD\xCF\x81\xCE\xB1";
const char16_t kGreekWide[] = u"\u039A\u03B1\u03BB\u03B7\u03BC\u03AD\u03C1\u03B1";
const char kGreekIso[] = "\xCA\xE1\xEB\xE7\xEC\xDD\xF1\xE1";  // the same word in 28597 and in 1253
const char kAlphaUtf8[] = "\xCE\x86\xCE\xBB\xCF\x86\xCE\xB1";
const char16_t kAlphaWide[] = u"\u0386\u03BB\u03C6\u03B1";
const char kAlpha28597[] = "\xB6\xEB\xF6\xE1";
const char kAlpha1253[] = "\xA2\xEB\xF6\xE1";
// "Crème brûlée à 5 €"
const char kFrenchUtf8[] = "Cr\xC3\xA8me br\xC3\xBBl\xC3\xA9\x65 \xC3\xA0 5 \xE2\x82\xAC";
const char16_t kFrenchWide[] = u"Cr\u00E8me br\u00FBl\u00E9e \u00E0 5 \u20AC";
const char kFrench1252[] = "Cr\xE8me br\xFBl\xE9\x65 \xE0 5 \x80";

struct CodePageCase {
  const char* name;
  unsigned codePage;
  const char* bytes;
  const char16_t* wide;
};

const CodePageCase kCodePageCases[] = {
    {"Greek in UTF-8", CP_UTF8, kGreekUtf8, kGreekWide},
    {"Greek in the ANSI code page", CP_ACP, kGreekUtf8, kGreekWide},
    {"Greek in ISO 8859-7", CP_ISO_8859_7, kGreekIso, kGreekWide},
    {"Greek in 1253", CP_WINDOWS_1253, kGreekIso, kGreekWide},
    {"Alpha with tonos in ISO 8859-7", CP_ISO_8859_7, kAlpha28597, kAlphaWide},
    {"Alpha with tonos in 1253", CP_WINDOWS_1253, kAlpha1253, kAlphaWide},
    {"accented Latin and euro in UTF-8", CP_UTF8, kFrenchUtf8, kFrenchWide},
    {"accented Latin and euro in 1252", CP_WINDOWS_1252, kFrench1252, kFrenchWide},
    {"emoji outside the BMP in UTF-8", CP_UTF8, "\xF0\x9F\x98\x80!", u"\U0001F600!"},
};

TEST(WideConversion, ThroughEachCodePageAndBack) {
  for (const auto& c : kCodePageCases) {
    SCOPED_TRACE(c.name);
    WideString wide = u"old content";
    ASSERT_TRUE(MultiByteToWString(c.bytes, wide, c.codePage));
    EXPECT_EQ(wide, WideString(c.wide));
    std::string back = "old content";
    bool usedDefault = true;
    ASSERT_TRUE(WideToMultiByte(wide, back, c.codePage, '?', &usedDefault));
    EXPECT_EQ(back, std::string(c.bytes));
    EXPECT_FALSE(usedDefault);
  }
}

TEST(WideConversion, Utf8ToWideToAnsiChain) {
  EXPECT_EQ(Utf8ToWString(kGreekUtf8), WideString(kGreekWide));
  EXPECT_EQ(WideToAnsiString(cWIDE(Utf8ToWString(kGreekUtf8))), std::string(kGreekUtf8));
  EXPECT_EQ(WideToAnsiString(cWIDE(Utf8ToWString(kFrenchUtf8))), std::string(kFrenchUtf8));
}

TEST(WideConversion, LettersMissingFromACodePageBecomeTheDefaultCharacter) {
  std::string out;
  bool usedDefault = false;
  ASSERT_TRUE(WideToMultiByte(kGreekWide, out, CP_WINDOWS_1252, '?', &usedDefault));
  EXPECT_EQ(out, "????????");
  EXPECT_TRUE(usedDefault);
  ASSERT_TRUE(WideToMultiByte(u"a\u00E9b", out, CP_ISO_8859_7, '#', &usedDefault));
  EXPECT_EQ(out, "a#b");
  EXPECT_TRUE(usedDefault);
}

TEST(WideConversion, EveryByteOfTheSingleByteCodePagesRoundTrips) {
  std::string all;
  for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
  for (unsigned codePage : {CP_WINDOWS_1252, CP_WINDOWS_1253, CP_ISO_8859_1, CP_ISO_8859_7}) {
    SCOPED_TRACE(codePage);
    WideString wide;
    ASSERT_TRUE(MultiByteToWString(all.c_str(), wide, codePage));
    ASSERT_EQ(wide.size(), all.size());
    std::string back;
    ASSERT_TRUE(WideToMultiByte(wide, back, codePage));
    EXPECT_EQ(back, all);
  }
}

TEST(WideConversion, MalformedUtf8IsReplacedNotRefused) {
  const struct {
    const char* name;
    const char* bytes;
    const char16_t* wide;
  } cases[] = {
      {"stray byte", "a\xFF" "b", u"a\uFFFDb"},
      {"lone continuation byte", "\x80x", u"\uFFFDx"},
      {"truncated at the end", "ok\xCE", u"ok\uFFFD"},
      {"truncated before ASCII", "\xE2\x82z", u"\uFFFD\uFFFDz"},
      {"overlong slash", "\xC0\xAF", u"\uFFFD\uFFFD"},
      {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
      {"beyond U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"Latin-1 byte in Greek text", "\xCE\xB1\xE9\xCE\xB2", u"\u03B1\uFFFD\u03B2"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WideString wide;
    EXPECT_TRUE(MultiByteToWString(c.bytes, wide, CP_UTF8));
    EXPECT_EQ(wide, WideString(c.wide));
    EXPECT_EQ(Utf8ToWString(c.bytes), WideString(c.wide));
  }
}

TEST(WideConversion, UnsupportedCodePageFailsAndLeavesTheOutputAlone) {
  for (unsigned codePage : {932u, 1200u, 12345u, 65000u}) {
    SCOPED_TRACE(codePage);
    EXPECT_FALSE(IsSupportedCodePage(codePage));
    WideString wide = u"unchanged";
    EXPECT_FALSE(MultiByteToWString("abc", wide, codePage));
    EXPECT_EQ(wide, u"unchanged");
    std::string bytes = "unchanged";
    EXPECT_FALSE(WideToMultiByte(u"abc", bytes, codePage));
    EXPECT_EQ(bytes, "unchanged");
  }
}

TEST(WideConversion, EmptyAndNulTerminatedInput) {
  WideString wide = u"previous";
  EXPECT_TRUE(MultiByteToWString("", wide, CP_UTF8));
  EXPECT_TRUE(wide.empty());
  EXPECT_TRUE(Utf8ToWString("").empty());
  EXPECT_TRUE(Utf8ToWString(nullptr).empty());
  // The input ends at its first NUL, as a C string does.
  const char withNul[] = "ab\0cd";
  EXPECT_EQ(Utf8ToWString(withNul), u"ab");
}

TEST(WideConversion, DefaultWideHolderGivesEmptyText) {
  const cWIDE empty;
  EXPECT_TRUE(empty.text().empty());
  EXPECT_EQ(WideToAnsiString(empty), "");
}

TEST(WideConversion, LoneSurrogatesBecomeReplacementCharacters) {
  const WideString lone = u"a\xD800" "b";
  EXPECT_EQ(WideToAnsiString(cWIDE(lone)), "a\xEF\xBF\xBD" "b");
}

TEST(WideConversion, DecodingTellsMalformedBytesFromARealReplacementCharacter) {
  const std::string text = "\xEF\xBF\xBD\xFF";
  std::size_t i = 0;
  char32_t cp = 0;
  EXPECT_TRUE(DecodeUtf8CodePoint(text, i, cp));
  EXPECT_EQ(cp, 0xFFFDu);
  EXPECT_EQ(i, 3u);
  EXPECT_FALSE(DecodeUtf8CodePoint(text, i, cp));
  EXPECT_EQ(i, 4u);
}

}  // namespace
