#include "console/numbers.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using console::NumberForm;
using console::parse_real;

TEST(ParseReal, ReadsWhatAScientistTypes) {
  const struct {
    const char* token;
    double value;
  } cases[] = {
      {"40", 40.0},         {"40.", 40.0},
      {".5", 0.5},          {"40.4", 40.4},
      {"+40.4", 40.4},      {"-3.7", -3.7},
      {"4.04e1", 40.4},     {"4.04E+01", 40.4},
      {"4.04d1", 40.4},     {"4.04D+01", 40.4},
      {"-1.5D-3", -1.5e-3}, {"0", 0.0},
      {"007.25", 7.25},     {"1e0000000000000000000000001", 10.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.token);
    for (const NumberForm form : {NumberForm::decimal, NumberForm::console}) {
      const auto value = parse_real(c.token, form);
      ASSERT_TRUE(value.has_value());
      EXPECT_EQ(*value, c.value);
    }
  }
}

TEST(ParseReal, RejectsTokensThatAreNotWhollyANumber) {
  for (const char* token : {"", "40.4abc", "abc", "--3", "+", "-", ".", "e5", "1e", "1e+", "4.04f1",
                            "1.2.3", "1,5", "0x10", " 4", "4 ", "nan(1)", "in", "1d-"}) {
    SCOPED_TRACE(token);
    EXPECT_FALSE(parse_real(token, NumberForm::console).has_value());
    EXPECT_FALSE(parse_real(token, NumberForm::decimal).has_value());
  }
  EXPECT_FALSE(parse_real(std::string(65, '1'), NumberForm::decimal).has_value());
}

TEST(ParseReal, NanAndInfinityAreNumbersOnlyAtTheConsole) {
  for (const char* token : {"NaN", "nan", "-NAN", "+nan"}) {
    SCOPED_TRACE(token);
    EXPECT_TRUE(std::isnan(*parse_real(token, NumberForm::console)));
    EXPECT_FALSE(parse_real(token, NumberForm::decimal).has_value());
  }
  EXPECT_EQ(*parse_real("Inf", NumberForm::console), std::numeric_limits<double>::infinity());
  EXPECT_EQ(*parse_real("-infinity", NumberForm::console),
            -std::numeric_limits<double>::infinity());
  EXPECT_FALSE(parse_real("inf", NumberForm::decimal).has_value());
}

TEST(ParseReal, MagnitudesBeyondTheDoubleRangeSaturate) {
  EXPECT_EQ(*parse_real("1e400", NumberForm::decimal), std::numeric_limits<double>::infinity());
  EXPECT_EQ(*parse_real("-123.4D999", NumberForm::decimal),
            -std::numeric_limits<double>::infinity());
  EXPECT_EQ(*parse_real("1e-400", NumberForm::decimal), 0.0);
  EXPECT_EQ(*parse_real("0.00001e-320", NumberForm::decimal), 0.0);
  EXPECT_EQ(*parse_real("1e-310", NumberForm::decimal), 1e-310);  // subnormal, still a value
  EXPECT_EQ(*parse_real("0e99999", NumberForm::decimal), 0.0);
}

}  // namespace
