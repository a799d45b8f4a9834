#include "curve/site_text.hpp"

#include <cmath>

#include "console/fields.hpp"

namespace curve {

std::string site_text(double latitude, double longitude) {
  // The hemisphere follows the value as the file shows it, so that -0.001,
  // shown as -.00, is not called south.
  const auto coordinate = [](double value, char positive, char negative) {
    const std::string digits = console::fixed_text(std::fabs(value), 2);
    const bool shown_negative = value < 0.0 && digits != "0.00";
    return digits + ' ' + (shown_negative ? negative : positive);
  };
  return coordinate(latitude, 'N', 'S') + ", " + coordinate(longitude, 'E', 'W');
}

}  // namespace curve
