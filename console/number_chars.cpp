#include "console/number_chars.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <system_error>

#include "fast_float.h"

namespace console::fallback {

namespace {

// Copies text into [first, last), or says it does not fit.
std::to_chars_result put(char* first, char* last, std::string_view text) {
  if (static_cast<std::size_t>(last - first) < text.size()) {
    return {last, std::errc::value_too_large};
  }
  std::memcpy(first, text.data(), text.size());
  return {first + text.size(), std::errc()};
}

// What printf writes for a format with one precision and one double.
std::string printed(const char* format, int precision, double value) {
  const int length = std::snprintf(nullptr, 0, format, precision, value);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  std::snprintf(text.data(), text.size(), format, precision, value);
  text.pop_back();
  return text;
}

double read(std::string_view text) {
  double value = 0.0;
  fast_float::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

// A positive finite double as the fewest significant decimal digits that
// read back to it: value = 0.DIGITS x 10^(exponent + 1), i.e. the first
// digit stands at 10^exponent.
struct Shortest {
  std::string digits;
  int exponent = 0;
};

// The decimal DIGITS x 10^(exponent - digits + 1) as text to read.
std::string decimal_text(const std::string& digits, int exponent) {
  return digits + "e" + std::to_string(exponent - static_cast<int>(digits.size()) + 1);
}

// Adds one unit, or takes one away, in the last place of a digit string
// of the same length; false when the result needs another length.
bool step(std::string& digits, bool up) {
  for (std::size_t k = digits.size(); k-- > 0;) {
    if (up) {
      if (digits[k] != '9') {
        ++digits[k];
        return true;
      }
      digits[k] = '0';
    } else {
      if (digits[k] != '0') {
        --digits[k];
        return digits[0] != '0';
      }
      digits[k] = '9';
    }
  }
  return false;
}

// For each number of digits from 1 to 17: the correctly rounded decimal of
// that many digits (printf's %.Ne, exact in every C library we build with),
// and its neighbour on the value's side, since at a power of two the
// double's rounding interval is narrower below than above and the nearest
// decimal may fall outside it while the next one in does not.
Shortest shortest(double value) {
  for (int precision = 0; precision <= 16; ++precision) {
    const std::string text = printed("%.*e", precision, value);
    const std::size_t e = text.find('e');
    std::string digits = text.substr(0, 1) + text.substr(2, e > 2 ? e - 2 : 0);
    if (precision == 0) digits = text.substr(0, 1);
    const int exponent = std::atoi(text.c_str() + e + 1);
    const double back = read(decimal_text(digits, exponent));
    bool found = back == value;
    if (!found && step(digits, back < value)) {
      found = read(decimal_text(digits, exponent)) == value;
    }
    if (!found) continue;
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    return {digits, exponent};
  }
  // 17 digits always read back; not reached.
  const std::string text = printed("%.*e", 16, value);
  return {text.substr(0, 1) + text.substr(2, 16), std::atoi(text.c_str() + text.find('e') + 1)};
}

std::string scientific_text(const Shortest& s) {
  std::string text(1, s.digits[0]);
  if (s.digits.size() > 1) {
    text += '.';
    text.append(s.digits, 1);
  }
  const int magnitude = std::abs(s.exponent);
  text += s.exponent < 0 ? "e-" : "e+";
  if (magnitude < 10) text += '0';
  return text + std::to_string(magnitude);
}

// Fixed notation with the fewest decimals that read back: a whole number
// is written exactly, every digit of it (as printf's %.0f writes it).
std::string fixed_text(double value, const Shortest& s) {
  if (std::floor(value) == value) return printed("%.*f", 0, value);
  const auto count = static_cast<int>(s.digits.size());
  if (s.exponent < 0)
    return "0." + std::string(static_cast<std::size_t>(-s.exponent - 1), '0') + s.digits;
  if (count <= s.exponent + 1) {
    return s.digits + std::string(static_cast<std::size_t>(s.exponent + 1 - count), '0');
  }
  const auto point = static_cast<std::size_t>(s.exponent + 1);
  return s.digits.substr(0, point) + "." + s.digits.substr(point);
}

std::string special_text(double value) {
  if (std::isnan(value)) return std::signbit(value) ? "-nan" : "nan";
  return value < 0.0 ? "-inf" : "inf";
}

}  // namespace

std::to_chars_result to_chars(char* first, char* last, double value) {
  if (!std::isfinite(value)) return put(first, last, special_text(value));
  const std::string sign = std::signbit(value) ? "-" : "";
  const double magnitude = std::fabs(value);
  if (magnitude == 0.0) return put(first, last, sign + "0");
  const Shortest s = shortest(magnitude);
  const std::string fixed = fixed_text(magnitude, s);
  const std::string scientific = scientific_text(s);
  // The shorter of the two; fixed on a tie.
  return put(first, last, sign + (fixed.size() <= scientific.size() ? fixed : scientific));
}

std::to_chars_result to_chars(char* first, char* last, double value, std::chars_format format) {
  if (!std::isfinite(value)) return put(first, last, special_text(value));
  const std::string sign = std::signbit(value) ? "-" : "";
  const double magnitude = std::fabs(value);
  const Shortest s = magnitude == 0.0 ? Shortest{"0", 0} : shortest(magnitude);
  switch (format) {
    case std::chars_format::fixed:
      return put(first, last, sign + fixed_text(magnitude, s));
    case std::chars_format::scientific:
      return put(first, last, sign + scientific_text(s));
    case std::chars_format::general:
      // As %g would choose with six digits' worth of room, but with the
      // shortest digits.
      if (s.exponent < -4 || s.exponent >= 6) return put(first, last, sign + scientific_text(s));
      return put(first, last, sign + fixed_text(magnitude, s));
    default:
      return {last, std::errc::invalid_argument};
  }
}

std::to_chars_result to_chars(char* first, char* last, double value, std::chars_format format,
                              int precision) {
  if (!std::isfinite(value)) return put(first, last, special_text(value));
  if (precision < 0) precision = 6;
  switch (format) {
    case std::chars_format::fixed:
      return put(first, last, printed("%.*f", precision, value));
    case std::chars_format::scientific:
      return put(first, last, printed("%.*e", precision, value));
    case std::chars_format::general:
      return put(first, last, printed("%.*g", precision, value));
    default:
      return {last, std::errc::invalid_argument};
  }
}

std::from_chars_result from_chars(const char* first, const char* last, double& value) {
  double read_value = 0.0;
  const fast_float::from_chars_result result = fast_float::from_chars(first, last, read_value);
  if (result.ec != std::errc()) return {result.ptr, result.ec};
  // The parser gives an infinity for a number beyond the range and zero for
  // one below it; the standard calls both out of range.
  const char* mantissa = first + (first != last && *first == '-' ? 1 : 0);
  const bool numeric = mantissa != result.ptr &&
                       (std::isdigit(static_cast<unsigned char>(*mantissa)) || *mantissa == '.');
  if (numeric && std::isinf(read_value)) return {result.ptr, std::errc::result_out_of_range};
  if (numeric && read_value == 0.0) {
    const char* end =
        std::find_if(mantissa, result.ptr, [](char c) { return c == 'e' || c == 'E'; });
    if (std::any_of(mantissa, end, [](char c) { return c >= '1' && c <= '9'; })) {
      return {result.ptr, std::errc::result_out_of_range};
    }
  }
  value = read_value;
  return {result.ptr, std::errc()};
}

}  // namespace console::fallback
