// Helpers shared by the fuzz targets: a check that stops the fuzzer, a
// captured standard stream, and a reading of number tokens made without the
// program's own number reader, to hold its results against.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>

#include "testsupport/streams.hpp"

namespace fuzz {

/// What the current input stands for, as a finding should show it (the
/// arguments decoded from the bytes, for instance).
inline std::string& input_description() {
  static std::string text;
  return text;
}

/// Stops the fuzzer with a finding when a property does not hold; the
/// report names the property and the input.
inline void check(bool holds, const char* what) {
  if (!holds) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    if (!input_description().empty())
      std::fprintf(stderr, "input: %s\n", input_description().c_str());
    std::abort();
  }
}

/// Redirects a standard stream into a string while the object lives.
using StreamCapture = testsupport::StreamCapture;

/// Whether a token is a decimal number as the program writes them: an
/// optional sign, digits with an optional point and at least one digit, and
/// an optional exponent (E or D, either case, optional sign, at least one
/// digit). Written as a small state machine, apart from the program's
/// reader.
inline bool is_decimal_number(std::string_view token) {
  std::size_t i = 0;
  const auto digit = [&](std::size_t k) {
    return k < token.size() && token[k] >= '0' && token[k] <= '9';
  };
  if (i < token.size() && (token[i] == '+' || token[i] == '-')) ++i;
  std::size_t digits = 0;
  while (digit(i)) ++i, ++digits;
  if (i < token.size() && token[i] == '.') {
    ++i;
    while (digit(i)) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < token.size() &&
      (token[i] == 'e' || token[i] == 'E' || token[i] == 'd' || token[i] == 'D')) {
    ++i;
    if (i < token.size() && (token[i] == '+' || token[i] == '-')) ++i;
    if (!digit(i)) return false;
    while (digit(i)) ++i;
  }
  return i == token.size();
}

/// NaN or an infinity, as the console also accepts them.
inline std::optional<double> special_number(std::string_view token) {
  std::string body;
  bool negative = false;
  std::size_t i = 0;
  if (!token.empty() && (token[0] == '+' || token[0] == '-')) {
    negative = token[0] == '-';
    i = 1;
  }
  for (; i < token.size(); ++i) {
    const char c = token[i];
    body += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  if (body == "nan") return std::strtod("nan", nullptr);
  if (body == "inf" || body == "infinity") {
    const double inf = std::strtod("inf", nullptr);
    return negative ? -inf : inf;
  }
  return std::nullopt;
}

/// The value of a number token by the C library's correctly rounded
/// conversion: beyond the double range an infinity, below it zero (with
/// the token's sign). Nothing when the token is no number; tokens longer
/// than 64 characters are none.
inline std::optional<double> reference_number(std::string_view token, bool console_form) {
  if (token.empty() || token.size() > 64) return std::nullopt;
  if (console_form) {
    if (auto special = special_number(token)) return special;
  }
  if (!is_decimal_number(token)) return std::nullopt;
  std::string text(token);
  for (char& c : text) {
    if (c == 'd' || c == 'D') c = 'e';
  }
  return std::strtod(text.c_str(), nullptr);
}

/// A token as the program's messages quote it: in double quotes, printable
/// ASCII as it is, any other byte, a quote and a backslash as \xHH, and
/// "..." before the closing quote when the token was cut.
inline std::string quoted_token(std::string_view token, bool cut) {
  static constexpr char hex[] = "0123456789ABCDEF";
  std::string text = "\"";
  for (const char ch : token) {
    const auto c = static_cast<unsigned char>(ch);
    if (c >= 0x20 && c < 0x7f && c != '"' && c != '\\') {
      text += ch;
    } else {
      text += {'\\', 'x', hex[c >> 4], hex[c & 0x0f]};
    }
  }
  return text + (cut ? "...\"" : "\"");
}

/// Equal doubles, bit for bit apart from the payload of a NaN.
inline bool same_number(double a, double b) {
  if (a != a || b != b) return a != a && b != b;
  std::uint64_t ba = 0, bb = 0;
  std::memcpy(&ba, &a, sizeof a);
  std::memcpy(&bb, &b, sizeof b);
  return ba == bb;
}

}  // namespace fuzz
