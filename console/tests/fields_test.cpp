#include "console/fields.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <iomanip>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

using console::fixed_field;

struct FieldCase {
  double value;
  int width, decimals;
  const char* text;
};

TEST(FixedField, WritesTheCurveFileLayout) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const FieldCase cases[] = {
      {0.74, 10, 2, "       .74"},  // no zero before the point
      {-0.3, 10, 2, "      -.30"},
      {0.0, 10, 2, "       .00"},
      {-0.0, 10, 2, "       .00"},    // a negative zero has no sign
      {-0.004, 10, 2, "      -.00"},  // below zero, rounds to zero: keeps its sign
      {-2.35, 10, 2, "     -2.35"},
      {58.12, 10, 2, "     58.12"},
      {1.05, 13, 2, "         1.05"},
      {1900.0, 7, 0, "  1900."},  // no decimals: the point stays
      {0.0, 7, 0, "     0."},     // ... and a zero shows 0
      {0.4, 7, 0, "     0."},
      {-0.4, 7, 0, "    -0."},
      {40.125, 15, 2, "          40.12"},  // exact binary value, ties to even
      {40.375, 15, 2, "          40.38"},
      {0.125, 10, 2, "       .12"},
      {0.745, 10, 2, "       .74"},  // 0.745 is stored just below the half
      {99.995, 5, 2, "*****"},       // rounds up to 100.00: six characters
      {99.994, 5, 2, "99.99"},
      {-9.996, 5, 2, "*****"},  // -10.00
      {-10.0, 5, 2, "*****"},
      {12345678.0, 10, 2, "**********"},
      {1e300, 10, 2, "**********"},
      {123456.78, 10, 2, " 123456.78"},
      {-.5, 3, 2, "***"},  // "-.50" needs four
      {nan, 10, 2, "       NaN"},
      {inf, 10, 2, "       Inf"},
      {-inf, 11, 2, "       -Inf"},
      {nan, 2, 2, "**"},
  };
  for (const FieldCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.value << " in " << c.width << "." << c.decimals);
    EXPECT_EQ(fixed_field(c.value, c.width, c.decimals), c.text);
  }
}

// Plain decimals that read back as the same double, from a small buffer or,
// past 32 characters, a large one; appended after what the text holds.
TEST(AppendShortestDecimal, WritesPlainDecimalsThatReadBack) {
  const std::vector<std::pair<double, std::string>> cases = {
      {-1.66, "-1.66"},
      {64.8, "64.8"},
      {-0.0, "0"},
      {1900, "1900"},
      {1e-05, "0.00001"},
      {1e22, "10000000000000000000000"},
      {1e31, ""},
      {-1.5e32, ""},
      {1e308, ""},
      {-1e-300, ""},
      {0.1 + 0.2, "0.30000000000000004"},
  };
  for (const auto& [value, expected] : cases) {
    SCOPED_TRACE(expected);
    std::string text = "x,";
    console::append_shortest_decimal(text, value);
    ASSERT_EQ(text.substr(0, 2), "x,");
    const std::string digits = text.substr(2);
    if (!expected.empty()) {
      EXPECT_EQ(digits, expected);
    }
    EXPECT_EQ(digits.find_first_of("eE"), std::string::npos);
    double read = 0.0;
    std::from_chars(digits.data(), digits.data() + digits.size(), read);
    EXPECT_EQ(read, value);
    EXPECT_EQ(console::shortest_decimal(value), digits);
  }
}

TEST(IntField, RightJustifiesAndOverflowsToAsterisks) {
  EXPECT_EQ(console::int_field(1, 10), "         1");
  EXPECT_EQ(console::int_field(-42, 10), "       -42");
  EXPECT_EQ(console::int_field(2147483647, 10), "2147483647");
  EXPECT_EQ(console::int_field(-2147483647 - 1, 10), "**********");
}

}  // namespace

namespace {

// What reading a field's text back gives: the number, or NaN for
// asterisks, NaN and infinities.
double read_back(const std::string& field) {
  const std::size_t first = field.find_first_not_of(' ');
  if (first == std::string::npos || field.find('*') != std::string::npos) return std::nan("");
  double value = 0.0;
  const auto result = std::from_chars(field.data() + first, field.data() + field.size(), value);
  const bool whole = result.ec == std::errc() && result.ptr == field.data() + field.size();
  return whole && std::isfinite(value) ? value : std::nan("");
}

TEST(FixedFieldValue, IsTheFieldsTextReadBack) {
  // Ties of the exact binary value (0.125, 40.375), decimal ties that are
  // not exact in binary (1.005, 2.675), the edges of the fields' widths.
  std::vector<double> values = {0.0, -0.0, 0.125, -0.125, 0.375, 40.125, 40.375, 1.005, -1.005};
  for (const double v : {0.005, -0.005, 0.0049999999999999, 2.675, -2.675, 1e-300, -1e-300}) {
    values.push_back(v);
  }
  for (const double v : {999999.995, 9999999.995, -999999.995, 1900.0, 1e300, 123456789012.5}) {
    values.push_back(v);
  }
  for (const double v : {-4503599627370497.0, std::nan(""), HUGE_VAL, -HUGE_VAL}) {
    values.push_back(v);
  }
  std::mt19937_64 random(7);
  for (int k = 0; k < 200000; ++k) {
    // Values of every size the fields meet, and exact halves of the last
    // decimal (k / 200 for odd k lies half-way between two hundredths).
    const double magnitude = std::ldexp(1.0, static_cast<int>(random() % 60) - 20);
    values.push_back((random() % 2 ? -1.0 : 1.0) * magnitude *
                     std::uniform_real_distribution<double>(0.0, 1.0)(random));
    values.push_back(static_cast<double>(static_cast<std::int64_t>(random() % 2000001) - 1000000) /
                     200.0);
  }
  for (const double value : values) {
    for (const auto& [width, decimals] : {std::pair{10, 2}, {13, 2}, {7, 0}, {15, 2}, {6, 3}}) {
      const std::string field = console::fixed_field(value, width, decimals);
      const double expected = read_back(field);
      const double got = console::fixed_field_value(value, width, decimals);
      if (std::isnan(expected)) {
        ASSERT_TRUE(std::isnan(got)) << value << " in \"" << field << "\"";
      } else {
        // Bit for bit: -0 and 0 are told apart.
        ASSERT_EQ(std::bit_cast<std::uint64_t>(got), std::bit_cast<std::uint64_t>(expected))
            << std::setprecision(17) << value << " in \"" << field << "\" gives " << got;
      }
    }
  }
}

}  // namespace
