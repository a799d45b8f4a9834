#include "console/numbers.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

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

// Whatever bytes a name holds, what is shown holds no control character
// and no broken UTF-8, and tells every byte; characters of other languages
// stay as they are where UTF-8 is kept.
TEST(EscapedText, ShowsEveryByteThatCouldActOnATerminalAsHex) {
  struct Row {
    std::string text, shown, ascii;
  };
  const std::vector<Row> rows = {
      {"Kiln P1", "Kiln P1", "Kiln P1"},
      {std::string("nul\0 bel\a tab\t lf\n cr\r", 22), "nul\\x00 bel\\x07 tab\\x09 lf\\x0A cr\\x0D",
       "nul\\x00 bel\\x07 tab\\x09 lf\\x0A cr\\x0D"},
      // A colour, a cleared screen, a window title, DEL.
      {"\x1b[31mred\x1b[2J\x1b]0;title\a\x7f", "\\x1B[31mred\\x1B[2J\\x1B]0;title\\x07\\x7F",
       "\\x1B[31mred\\x1B[2J\\x1B]0;title\\x07\\x7F"},
      // C1 controls as UTF-8 (CSI, NEL) and as single bytes.
      {"\xc2\x9b"
       "2J \xc2\x85 \x9b"
       "2J",
       "\\xC2\\x9B2J \\xC2\\x85 \\x9B2J", "\\xC2\\x9B2J \\xC2\\x85 \\x9B2J"},
      {"Four à chaux € 𝄞 \xc2\xa0", "Four à chaux € 𝄞 \xc2\xa0",
       "Four \\xC3\\xA0 chaux \\xE2\\x82\\xAC \\xF0\\x9D\\x84\\x9E \\xC2\\xA0"},
      // Latin-1, an overlong slash, a surrogate, beyond U+10FFFF, cut short.
      {"caf\xe9 \xc0\xaf \xed\xa0\x80 \xf4\x90\x80\x80 \xe2\x82",
       "caf\\xE9 \\xC0\\xAF \\xED\\xA0\\x80 \\xF4\\x90\\x80\\x80 \\xE2\\x82",
       "caf\\xE9 \\xC0\\xAF \\xED\\xA0\\x80 \\xF4\\x90\\x80\\x80 \\xE2\\x82"},
      {"C:\\x1B \"q\"", "C:\\x5Cx1B \"q\"", "C:\\x5Cx1B \\x22q\\x22"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.shown);
    EXPECT_EQ(console::shown_text(row.text), row.shown);
    EXPECT_EQ(console::escaped_text(row.text, console::Kept::ascii, "\"\\"), row.ascii);
    EXPECT_EQ(console::quoted_token(row.text, false), "\"" + row.ascii + "\"");
  }
}

}  // namespace
