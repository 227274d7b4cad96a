// Conversions of the time-out field and of the Quillet instance number.
#include <gtest/gtest.h>

#include "router/integer_text.h"

namespace {

TEST(IntegerText, TimeOutFieldMustBeAWholeNumber) {
  struct Case {
    const char* text;
    int32_t value;
  };
  const Case cases[] = {
      {"60", 60},          {"0", 0},           {"-5", -5},          {"+7", 7},
      {"  12", 12},        {"", 0},            {"x", 0},            {"12 ", 0},
      {"12s", 0},          {"1.5", 0},         {"-", 0},            {"2147483647", 2147483647},
      {"2147483648", 0},   {"-2147483648", -2147483647 - 1},        {"-2147483649", 0},
      {"99999999999999999999", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(StrToIntDef(c.text, 0), c.value) << "'" << c.text << "'";
  EXPECT_EQ(StrToIntDef("bad", -1), -1);
}

TEST(IntegerText, InstanceNumberIsReadLeniently) {
  struct Case {
    const char* text;
    int32_t value;
  };
  const Case cases[] = {
      {"", 0},      {"2", 2},       {" 3abc", 3},   {"\t\n 4", 4},
      {"-4", -4},   {"+2", 2},      {"abc", 0},     {"x3", 0},
      {"- 3", 0},   {"007", 7},     {"99999999999", 2147483647}, {"-99999999999", -2147483647 - 1},
  };
  for (const auto& c : cases) EXPECT_EQ(LeadingInt32(c.text), c.value) << "'" << c.text << "'";
}

}  // namespace
