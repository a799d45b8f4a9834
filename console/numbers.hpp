// Free-format numbers as a scientist types or writes them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace console {

/// Which spellings count as numbers.
enum class NumberForm {
  decimal,  // ordinary decimal numbers only (the coefficient file)
  console,  // also NaN and Inf, in any case and optionally signed
};

/// Reads a whole token as a number: an optional sign, digits with an
/// optional decimal point (at least one digit on either side of it), and an
/// optional exponent introduced by E or D (the Fortran letter) in either
/// case, with an optional sign. "40", "40.", ".5", "+40.4", "4.04D+01".
/// The value is the correctly rounded double; a magnitude beyond the
/// double range gives an infinity, one below it zero.
///
/// @return the value, or nothing when the token is not wholly a number
std::optional<double> parse_real(std::string_view token, NumberForm form);

/// A token in double quotes, as a report shows it: printable characters as
/// they are; other bytes, the quote and the backslash as \xHH; "..." after
/// a token that was cut short.
std::string quoted_token(std::string_view token, bool cut);

}  // namespace console
