// The fallback conversions against the C++ library's own: the same text
// for every double and format, the same double and error for every text.
#include "console/number_chars.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

// Doubles of every kind: random bit patterns (all exponents, subnormals
// included), short decimals, powers of two and of ten, whole numbers about
// 2^53, and the ends of the range.
std::vector<double> sample_values() {
  std::vector<double> values = {0.0,
                                -0.0,
                                1.0,
                                0.1,
                                0.3,
                                2.0 / 3.0,
                                1e-4,
                                1e-5,
                                123456789.0,
                                1234567.5,
                                1e15,
                                1e21,
                                1e22,
                                1e23,
                                9007199254740993.0,
                                0x1p60,
                                std::numeric_limits<double>::max(),
                                std::numeric_limits<double>::min(),
                                std::numeric_limits<double>::denorm_min(),
                                std::nextafter(std::numeric_limits<double>::min(), 0.0)};
  for (int k = -1074; k <= 1023; ++k) values.push_back(std::ldexp(1.0, k));
  for (int k = -320; k <= 308; ++k) values.push_back(std::pow(10.0, k));
  std::mt19937_64 random(20261208);
  for (int k = 0; k < 20000; ++k) {
    const double value = std::bit_cast<double>(random());
    if (std::isfinite(value)) values.push_back(value);
  }
  std::uniform_int_distribution<int> digits(-9999999, 9999999);
  std::uniform_int_distribution<int> places(0, 9);
  for (int k = 0; k < 20000; ++k) {
    values.push_back(digits(random) / std::pow(10.0, places(random)));
  }
  return values;
}

template <class F>
std::string text_of(F convert) {
  std::string buffer(1100, '\0');
  const std::to_chars_result result = convert(buffer.data(), buffer.data() + buffer.size());
  if (result.ec != std::errc()) return "error " + std::to_string(static_cast<int>(result.ec));
  return std::string(buffer.data(), result.ptr);
}

TEST(NumberCharsTest, ShortestTextsAreTheLibrarys) {
  for (const double value : sample_values()) {
    const auto standard = [&](auto... format) {
      return text_of([&](char* a, char* b) { return std::to_chars(a, b, value, format...); });
    };
    const auto ours = [&](auto... format) {
      return text_of(
          [&](char* a, char* b) { return console::fallback::to_chars(a, b, value, format...); });
    };
    ASSERT_EQ(ours(), standard()) << std::hexfloat << value;
    ASSERT_EQ(ours(std::chars_format::fixed), standard(std::chars_format::fixed))
        << std::hexfloat << value;
    ASSERT_EQ(ours(std::chars_format::scientific), standard(std::chars_format::scientific))
        << std::hexfloat << value;
    ASSERT_EQ(ours(std::chars_format::general), standard(std::chars_format::general))
        << std::hexfloat << value;
  }
}

TEST(NumberCharsTest, TextsWithAPrecisionAreTheLibrarys) {
  const std::vector<double> values = sample_values();
  for (std::size_t k = 0; k < values.size(); k += 7) {
    const double value = values[k];
    for (const int precision : {0, 1, 2, 3, 6, 10, 17, 25}) {
      for (const std::chars_format format :
           {std::chars_format::fixed, std::chars_format::scientific, std::chars_format::general}) {
        const std::string standard = text_of(
            [&](char* a, char* b) { return std::to_chars(a, b, value, format, precision); });
        const std::string ours = text_of([&](char* a, char* b) {
          return console::fallback::to_chars(a, b, value, format, precision);
        });
        ASSERT_EQ(ours, standard) << std::hexfloat << value << " precision " << precision;
      }
    }
  }
}

TEST(NumberCharsTest, NonFiniteValuesAndShortBuffers) {
  for (const double value :
       {std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
        std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::quiet_NaN()}) {
    EXPECT_EQ(text_of([&](char* a, char* b) { return console::fallback::to_chars(a, b, value); }),
              text_of([&](char* a, char* b) { return std::to_chars(a, b, value); }));
    EXPECT_EQ(text_of([&](char* a, char* b) {
                return console::fallback::to_chars(a, b, value, std::chars_format::fixed, 2);
              }),
              text_of([&](char* a, char* b) {
                return std::to_chars(a, b, value, std::chars_format::fixed, 2);
              }));
  }
  // "0.333" does not fit in four bytes; "1e+300" needs six.
  char small[4];
  EXPECT_EQ(
      console::fallback::to_chars(small, small + 4, 1.0 / 3.0, std::chars_format::fixed, 3).ec,
      std::errc::value_too_large);
  EXPECT_EQ(console::fallback::to_chars(small, small + 4, 1e300).ec, std::errc::value_too_large);
}

struct Read {
  double value;
  std::errc ec;
  std::ptrdiff_t used;
};

bool operator==(const Read& a, const Read& b) {
  return std::bit_cast<std::uint64_t>(a.value) == std::bit_cast<std::uint64_t>(b.value) &&
         a.ec == b.ec && a.used == b.used;
}

std::ostream& operator<<(std::ostream& out, const Read& r) {
  return out << std::hexfloat << r.value << " errc " << static_cast<int>(r.ec) << " used "
             << r.used;
}

template <class F>
Read read_with(F from_chars, const std::string& text) {
  double value = 42.0;  // what an error leaves
  const std::from_chars_result result = from_chars(text.data(), text.data() + text.size(), value);
  return {value, result.ec, result.ptr - text.data()};
}

Read standard_read(const std::string& text) {
  return read_with([](const char* a, const char* b, double& v) { return std::from_chars(a, b, v); },
                   text);
}

Read fallback_read(const std::string& text) {
  return read_with([](const char* a, const char* b,
                      double& v) { return console::fallback::from_chars(a, b, v); },
                   text);
}

TEST(NumberCharsTest, ReadingGivesTheLibrarysDoubles) {
  const std::vector<double> values = sample_values();
  for (std::size_t k = 0; k < values.size(); k += 3) {
    for (const int precision : {3, 17, 25}) {
      char buffer[64];
      const auto end = std::to_chars(buffer, buffer + sizeof buffer, values[k],
                                     std::chars_format::scientific, precision)
                           .ptr;
      const std::string text(buffer, end);
      ASSERT_EQ(fallback_read(text), standard_read(text)) << text;
    }
  }
}

TEST(NumberCharsTest, ReadingEdgesIsTheLibrarys) {
  for (const std::string text : {"1e400",
                                 "-1e400",
                                 "1e-400",
                                 "-1e-400",
                                 "0e400",
                                 "0.000e-999",
                                 "4.9e-324",
                                 "2.4e-324",
                                 "2.5e-324",
                                 "2.4703282292062328e-324",
                                 "2.2250738585072011e-308",
                                 "1e-320",
                                 "1.7976931348623157e308",
                                 "1.7976931348623159e308",
                                 "inf",
                                 "-Infinity",
                                 "nan",
                                 "+1",
                                 "1e",
                                 "1e+",
                                 "1.",
                                 ".5",
                                 "-.5",
                                 ".",
                                 "-",
                                 "",
                                 "0x10",
                                 "-0",
                                 "12abc",
                                 "1,5",
                                 " 1",
                                 "1D3",
                                 "0000000000000000000000000000001.5",
                                 "9007199254740993",
                                 "1.00000000000000011102230246251565404236316680908203125",
                                 "1.00000000000000011102230246251565404236316680908203126"}) {
    EXPECT_EQ(fallback_read(text), standard_read(text)) << '"' << text << '"';
  }
}

}  // namespace
