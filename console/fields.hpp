// Fixed-width numeric fields of the program's text output.
#pragma once

#include <string>

namespace console {

/// A real right-justified in a field of `width` characters with `decimals`
/// digits after the point, in the layout of the curve file:
/// - the value is rounded from its exact binary value to the nearest, ties
///   to even, as printf does (40.125 gives 40.12, 40.375 gives 40.38);
/// - no 0 before the point when there are no integer digits (".74",
///   "-.30", ".00"); with no decimals the point is still written and a
///   value that rounds to zero shows 0 ("1900.", "0.");
/// - a value below zero keeps its minus sign even when it rounds to zero
///   ("-.00"), while a negative zero is written without one;
/// - a value that does not fit fills the field with asterisks;
/// - a NaN is written "NaN" and an infinity "Inf" or "-Inf", right-justified
///   (asterisks when the field is too narrow even for those).
///
/// @param[in] value     the number
/// @param[in] width     field width in characters, at least 1
/// @param[in] decimals  digits after the point, at least 0
std::string fixed_field(double value, int width, int decimals);

/// An integer right-justified in a field of `width` characters; asterisks
/// when it does not fit.
std::string int_field(long long value, int width);

}  // namespace console
