#include "driver/coefficients.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "testsupport/testsupport.hpp"

namespace {

using driver::COEFFICIENT_COUNT;
using testsupport::ScopedWorkDir;
using testsupport::write_file;

// Distinct values, so that a number read into the wrong place cannot go
// unnoticed, each read back exactly from six decimals, within the model's
// structure: an intensity scale of 20 to 140 microtesla, its error below
// it, coefficient errors below 0.4, relative coefficients of either sign.
double value_at(int k) {
  const int column = k % 20 + 1;
  if (column == 1) return 20.0 + k / 64.0;
  if (column == 11) return k / 64.0;
  if (column >= 12) return k / 20000.0;
  return (k % 2 ? -1.0 : 1.0) * (k + 0.25) / 8.0;
}

// Six decimals: enough for these values.
std::string number_text(int k) { return std::to_string(value_at(k)); }

// The numbers laid out `per_line` to a line, joined by `separator`.
std::string coefficient_text(int count, int per_line, const std::string& separator,
                             const std::string& line_end = "\n") {
  std::string text;
  for (int k = 0; k < count; ++k) {
    text += number_text(k);
    text += ((k + 1) % per_line == 0) ? line_end : separator;
  }
  return text;
}

std::string load_error() {
  try {
    driver::load_coefficients();
  } catch (const driver::CoefficientFileError& e) {
    return e.what();
  }
  return "no error";
}

class Coefficients : public testing::Test {
 protected:
  void SetUp() override { driver::reset_coefficient_table(); }
  void expect_every_value_in_place() {
    const auto& values = driver::coefficient_table().values;
    for (int k = 0; k < COEFFICIENT_COUNT; ++k) {
      ASSERT_EQ(values[std::size_t(k)], value_at(k)) << "number " << k + 1;
    }
  }
  ScopedWorkDir dir;
};

TEST_F(Coefficients, LayoutOfTheNumbersOverLinesDoesNotMatter) {
  std::string d_exponents;
  for (int k = 0; k < COEFFICIENT_COUNT; ++k) {
    char buffer[40];
    (void)std::snprintf(buffer, sizeof buffer, "%.8E", value_at(k));
    std::string text = buffer;
    text[text.find('E')] = (k % 2) ? 'D' : 'd';
    d_exponents += text + (k % 7 == 0 ? "\r\n" : " \t ");
  }
  const struct {
    const char* name;
    std::string text;
  } cases[] = {
      {"twenty per line", coefficient_text(COEFFICIENT_COUNT, 20, " ")},
      {"one per line", coefficient_text(COEFFICIENT_COUNT, 1, " ")},
      {"all on one line, commas", coefficient_text(COEFFICIENT_COUNT, COEFFICIENT_COUNT, ",")},
      {"commas with blanks, CR LF", coefficient_text(COEFFICIENT_COUNT, 13, " , ", ",\r\n")},
      {"tabs", "\t\t" + coefficient_text(COEFFICIENT_COUNT, 5, "\t")},
      {"D exponents, CR LF and tabs", d_exponents},
      {"no line end at the end", coefficient_text(COEFFICIENT_COUNT, 20, " ", " ") + "\n"},
      {"a byte order mark", "\xEF\xBB\xBF" + coefficient_text(COEFFICIENT_COUNT, 20, " ")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    driver::reset_coefficient_table();
    write_file(driver::COEFFICIENT_FILE_NAME, c.text);
    driver::load_coefficients();
    expect_every_value_in_place();
  }
}

TEST_F(Coefficients, ReadersFollowTheColumnsOfARow) {
  write_file(driver::COEFFICIENT_FILE_NAME, coefficient_text(COEFFICIENT_COUNT, 20, " "));
  driver::load_coefficients();
  // Row 3 starts at number 40 (counting from 0).
  EXPECT_EQ(driver::scale(3), value_at(40));
  EXPECT_EQ(driver::coef(3, 1), value_at(41));
  EXPECT_EQ(driver::coef(3, 9), value_at(49));
  EXPECT_EQ(driver::scale_error(3), value_at(50));
  EXPECT_EQ(driver::coef_error(3, 9), value_at(59));
  EXPECT_EQ(driver::coef_error(381, 9), value_at(COEFFICIENT_COUNT - 1));
}

// What follows the 7620th number is never an error; the numbers in it are
// counted for the caller, which says so.
TEST_F(Coefficients, WhateverFollowsTheLastNumberIsIgnoredAndItsNumbersCounted) {
  const struct {
    std::string tail;
    std::size_t numbers;
  } cases[] = {
      {"99 98\n", 2},
      {" abc ,, \x01\x02 1e999 -0", 2},
      {std::string(1 << 20, 'x'), 0},
      {",,\n" + coefficient_text(COEFFICIENT_COUNT, 20, ","), COEFFICIENT_COUNT},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tail.substr(0, 20));
    write_file(driver::COEFFICIENT_FILE_NAME,
               coefficient_text(COEFFICIENT_COUNT, 20, " ") + c.tail);
    const driver::CoefficientTable read =
        driver::read_coefficient_file(driver::COEFFICIENT_FILE_NAME);
    driver::set_coefficient_table(read);
    expect_every_value_in_place();
    EXPECT_EQ(read.ignored_numbers, c.numbers);
  }
}

TEST_F(Coefficients, FailuresSayWhatIsWrongAndWhere) {
  const std::string prefix = "the coefficient file KARVEN_coeff.inp ";
  const std::string good = coefficient_text(COEFFICIENT_COUNT, 20, " ");
  std::string malformed = good;
  malformed.replace(malformed.find(number_text(45)), number_text(45).size(), "5.7.2");
  std::string nan = good;
  nan.replace(nan.find(number_text(100)), number_text(100).size(), "NaN");
  const struct {
    const char* name;
    std::string text;
    std::string message;
  } cases[] = {
      {"short", coefficient_text(COEFFICIENT_COUNT - 1, 20, " "),
       prefix + "ends after 7619 numbers; it must hold 7620 (381 rows of 20)"},
      {"empty", "", prefix + "ends after 0 numbers; it must hold 7620 (381 rows of 20)"},
      {"malformed token on line 3", malformed,
       prefix + "holds something that is not a number at line 3: \"5.7.2\""},
      {"NaN is not a decimal number", nan,
       prefix + "holds something that is not a number at line 6: \"NaN\""},
      {"beyond the double range", "1.0 2.0\n\n 3e999\n",
       prefix + "holds a number beyond the range of double precision at line 3: \"3e999\""},
      {"empty field between commas", "1.0, 2.0,\n , 3.0",
       prefix + "has an empty field between two commas at line 2"},
      // A comma before the first number stands for an empty first field:
      // taking the numbers after it would shift every column by one.
      {"comma before the first number", " \r\n\t,\n" + good,
       prefix + "has an empty field before its first comma at line 2"},
      {"comma, then no number", ",-",
       prefix + "has an empty field before its first comma at line 1"},
      // NOLINTNEXTLINE(bugprone-string-constructor): ten million on purpose
      {"absurdly long token", "1 " + std::string(10'000'000, '7') + " 2",
       prefix + "holds something that is not a number at line 1: \"" + std::string(64, '7') +
           "...\""},
      {"binary garbage", std::string("1.5 \x7f\x80\x00z 2", 10),
       prefix + "holds something that is not a number at line 1: \"\\x7F\\x80\\x00z\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    write_file(driver::COEFFICIENT_FILE_NAME, c.text);
    EXPECT_EQ(load_error(), c.message);
  }
}

TEST_F(Coefficients, AFileThatCannotBeOpenedOrReadIsNamedWithTheReason) {
  EXPECT_EQ(load_error(),
            "the coefficient file KARVEN_coeff.inp cannot be opened: No such file or directory");
  std::filesystem::create_directory(driver::COEFFICIENT_FILE_NAME);
  EXPECT_EQ(load_error(), "the coefficient file KARVEN_coeff.inp cannot be read: Is a directory");
}

}  // namespace
