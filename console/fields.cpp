#include "console/fields.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>

#include "console/number_chars.hpp"

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
  const auto result = console::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
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

double fixed_field_value(double value, int width, int decimals) {
  constexpr double NO_VALUE = std::numeric_limits<double>::quiet_NaN();
  if (!std::isfinite(value) || decimals < 0 || decimals > 22) return NO_VALUE;
  if (value == 0.0) value = 0.0;  // a negative zero is written as zero
  // 10^decimals is exact for up to 22 decimals.
  static constexpr std::array<double, 23> SCALE = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  const double scale = SCALE[static_cast<std::size_t>(decimals)];
  const double product = value * scale;
  if (!(std::fabs(product) < 0x1p52)) {
    // Too large for the shortcut below: through the text itself.
    const std::string text = fixed_field(value, width, decimals);
    if (text.find_first_not_of(' ') == std::string::npos || text.find('*') != std::string::npos) {
      return NO_VALUE;
    }
    double read = NO_VALUE;
    const std::size_t first = text.find_first_not_of(' ');
    console::from_chars(text.data() + first, text.data() + text.size(), read);
    return read;
  }
  // The exact product is product + error; rounding it to a whole number,
  // ties to even, differs from rounding `product` only where `product`
  // lies exactly half-way and the error tips it.
  const double error = std::fma(value, scale, -product);
  double units = std::nearbyint(product);
  const double half = product - units;  // exact
  if (half == 0.5 && error > 0.0) units += 1.0;
  if (half == -0.5 && error < 0.0) units -= 1.0;

  // The text holds a minus sign for any value below zero, the integer
  // digits (none below 1 when there are decimals; "0" when there are
  // none), the point and the decimals: it fits when the whole number of
  // units has at most width - 1 - sign digits, and that leaves room for the
  // decimals (or for the "0").
  const int room = width - 1 - (value < 0.0 ? 1 : 0);
  if (room < std::max(decimals, 1)) return NO_VALUE;
  if (room < static_cast<int>(SCALE.size()) &&
      !(std::fabs(units) < SCALE[static_cast<std::size_t>(room)])) {
    return NO_VALUE;  // asterisks
  }
  // A whole number of units over an exact power of ten: correctly rounded,
  // the nearest double to the decimal text, as reading it back gives.
  return units / scale;
}

std::string int_field(long long value, int width) {
  std::array<char, 24> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  return right_justified(std::string_view(buffer.data(), std::size_t(result.ptr - buffer.data())),
                         width);
}

std::string shortest_text(double value) {
  std::array<char, 32> buffer{};
  const auto result = console::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  return std::string(buffer.data(), result.ptr);
}

std::string shortest_decimal(double value) {
  std::string text;
  append_shortest_decimal(text, value);
  return text;
}

void append_shortest_decimal(std::string& text, double value) {
  if (value == 0.0) value = 0.0;  // no "-0"
  // Most numbers fit a small buffer; 1e308 in plain decimals takes 309
  // digits.
  std::array<char, 32> small;
  auto result =
      console::to_chars(small.data(), small.data() + small.size(), value, std::chars_format::fixed);
  if (result.ec == std::errc()) {
    text.append(small.data(), result.ptr);
    return;
  }
  std::array<char, 400> large;
  result =
      console::to_chars(large.data(), large.data() + large.size(), value, std::chars_format::fixed);
  text.append(large.data(), result.ptr);
}

std::string fixed_text(double value, int decimals) {
  std::array<char, 1024> buffer{};
  const auto result = console::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                        std::chars_format::fixed, decimals);
  if (result.ec != std::errc()) return "*";
  return std::string(buffer.data(), result.ptr);
}

}  // namespace console
