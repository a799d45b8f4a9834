#include "console/fields.hpp"

#include <array>
#include <charconv>
#include <cmath>
#include <string_view>

namespace console {

namespace {

std::string right_justified(std::string_view text, int width) {
  const auto w = static_cast<std::size_t>(width);
  if (text.size() > w) return std::string(w, '*');
  return std::string(w - text.size(), ' ').append(text);
}

}  // namespace

std::string fixed_field(double value, int width, int decimals) {
  if (std::isnan(value)) return right_justified("NaN", width);
  if (std::isinf(value)) return right_justified(value > 0 ? "Inf" : "-Inf", width);
  // Anything of 10^width or more cannot fit, and is not worth formatting.
  if (!(std::fabs(value) < std::pow(10.0, width))) return std::string(std::size_t(width), '*');
  if (value == 0.0) value = 0.0;  // a negative zero is written as zero

  // Enough room for width integer digits, a sign, a point and the decimals.
  std::array<char, 1024> buffer{};
  if (decimals > 400) return std::string(std::size_t(width), '*');
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                    std::chars_format::fixed, decimals);
  std::string text(buffer.data(), result.ptr);

  if (decimals == 0) {
    text += '.';
  } else {
    // "0.74" -> ".74", "-0.30" -> "-.30"
    const std::size_t zero = (text[0] == '-') ? 1 : 0;
    if (text[zero] == '0' && text[zero + 1] == '.') text.erase(zero, 1);
  }
  return right_justified(text, width);
}

std::string int_field(long long value, int width) {
  std::array<char, 24> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  return right_justified(std::string_view(buffer.data(), std::size_t(result.ptr - buffer.data())),
                         width);
}

std::string shortest_text(double value) {
  std::array<char, 32> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  return std::string(buffer.data(), result.ptr);
}

std::string shortest_decimal(double value) {
  if (value == 0.0) value = 0.0;  // no "-0"
  std::array<char, 400> buffer{};
  const auto result =
      std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed);
  return std::string(buffer.data(), result.ptr);
}

std::string fixed_text(double value, int decimals) {
  std::array<char, 1024> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                    std::chars_format::fixed, decimals);
  if (result.ec != std::errc()) return "*";
  return std::string(buffer.data(), result.ptr);
}

}  // namespace console
