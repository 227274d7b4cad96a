// Names compared ignoring case: Greek and accented Latin letters match across
// case, and the answer does not change with the process locale.
#include <gtest/gtest.h>
#include <locale.h>
#include <wctype.h>

#include <string>

#include "support/case_fold.h"
#include "test_support.h"

namespace {

struct SameTextCase {
  const char* a;
  const char* b;
  bool same;
};

const SameTextCase kSameTextCases[] = {
    {"Invoices", "INVOICES", true},
    {"Invoices", "Invoices ", false},  // a trailing blank is a different name
    {" Invoices", "Invoices", false},
    {"\xCE\x9A\xCE\x91\xCE\x9B\xCE\x97\xCE\x9C\xCE\x88\xCE\xA1\xCE\x91",  // ΚΑΛΗΜΈΡΑ
     "\xCE\xBA\xCE\xB1\xCE\xBB\xCE\xB7\xCE\xBC\xCE\xAD\xCF\x81\xCE\xB1", true},  // καλημέρα
    {"\xCE\x9F\xCE\x94\xCE\xA5\xCE\xA3\xCE\xA3\xCE\x95\xCE\xA5\xCE\xA3",  // ΟΔΥΣΣΕΥΣ
     "\xCE\xBF\xCE\xB4\xCF\x85\xCF\x83\xCF\x83\xCE\xB5\xCF\x85\xCF\x82", true},  // οδυσσευς, final sigma
    {"\xCF\x82", "\xCF\x83", true},  // final and medial sigma
    {"\xCE\xA3", "\xCF\x82", true},  // capital and final sigma
    {"\xCE\xAD", "\xCE\xB5", false},  // έ is not ε: accents matter
    {"\xCE\x8F", "\xCF\x8E", true},  // Ώ ώ
    {"\xC3\x89\x43OLE", "\xC3\xA9\x63ole", true},  // ÉCOLE école
    {"\xC3\x86R\xC3\x98", "\xC3\xA6r\xC3\xB8", true},  // ÆRØ ærø
    {"\xC5\x81\xC3\x93\x44\xC5\xB9", "\xC5\x82\xC3\xB3\x64\xC5\xBA", true},  // ŁÓDŹ łódź
    {"\xC5\xB8", "\xC3\xBF", true},  // Ÿ ÿ
    {"STRA\xE1\xBA\x9E\x45", "stra\xC3\x9F\x65", true},  // STRAẞE straße
    {"e", "\xC3\xA9", false},  // e é
    {"\xD0\x9C\xD0\x9E\xD0\xA1\xD0\x9A\xD0\x92\xD0\x90", "\xD0\xBC\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0", true},
    {"caf\xE9", "CAF\xE9", true},   // bytes that are not UTF-8 stay as they are
    {"caf\xE9", "caf\xE8", false},  // and two different ones never match
    {"", "", true},
};

void ExpectSameTextCases() {
  for (const auto& c : kSameTextCases) {
    SCOPED_TRACE(std::string(c.a) + " / " + c.b);
    EXPECT_EQ(SameTextUtf8(c.a, c.b), c.same);
    EXPECT_EQ(SameTextUtf8(c.b, c.a), c.same);
  }
}

// Restores the process locale that a test changes.
class ScopedLocale {
 public:
  ScopedLocale() : saved_(setlocale(LC_ALL, nullptr)) {}
  ~ScopedLocale() { setlocale(LC_ALL, saved_.c_str()); }

 private:
  std::string saved_;
};

TEST(CaseFold, GreekAndAccentedNamesMatchAcrossCase) { ExpectSameTextCases(); }

TEST(CaseFold, SameAnswerUnderEveryProcessLocale) {
  ScopedLocale restore;
  for (const char* name : {"C", "POSIX", "C.UTF-8"}) {
    SCOPED_TRACE(name);
    support_test::ScopedEnv lang("LANG", std::string(name));
    support_test::ScopedEnv all("LC_ALL", std::string(name));
    if (setlocale(LC_ALL, "") == nullptr) {
      ADD_FAILURE() << "locale " << name << " is not available";
      continue;
    }
    ExpectSameTextCases();
  }
}

TEST(CaseFold, FoldedTextIsStable) {
  for (char32_t c = 0; c < 0x110000; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    const char32_t folded = FoldCodePoint(c);
    ASSERT_EQ(FoldCodePoint(folded), folded) << std::hex << static_cast<uint32_t>(c);
  }
}

// The built-in table against the C library's own Unicode case mappings: every
// letter maps to the lower-case form of its upper-case form. Only the Turkish
// dotted and dotless i are left alone, as simple folding does.
TEST(CaseFold, TableAgreesWithTheUnicodeCaseMappings) {
  const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
  if (utf8 == static_cast<locale_t>(0)) GTEST_SKIP() << "the C.UTF-8 locale is not installed";
  int differences = 0;
  for (char32_t c = 0; c < 0x110000; ++c) {
    if ((c >= 0xD800 && c <= 0xDFFF) || c == 0x130 || c == 0x131) continue;
    const auto expected = static_cast<char32_t>(towlower_l(towupper_l(static_cast<wint_t>(c), utf8), utf8));
    if (FoldCodePoint(c) != expected && ++differences <= 10) {
      ADD_FAILURE() << std::hex << "U+" << static_cast<uint32_t>(c) << " folds to "
                    << static_cast<uint32_t>(FoldCodePoint(c)) << ", expected " << static_cast<uint32_t>(expected);
    }
  }
  freelocale(utf8);
  EXPECT_EQ(differences, 0);
  EXPECT_EQ(FoldCodePoint(0x130), 0x130u);
  EXPECT_EQ(FoldCodePoint(0x131), 0x131u);
}

}  // namespace
