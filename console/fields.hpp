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

/// The number that fixed_field's text stands for, read back as the
/// nearest double: the value rounded from its exact binary value to
/// `decimals` digits, ties to even ("-.00" is -0, ".00" of a negative zero
/// is 0); NaN where the field shows asterisks, NaN or an infinity. Equal,
/// bit for bit, to reading fixed_field(value, width, decimals) back, but
/// without making the text: for evaluating what a curve file would hold.
///
/// @param[in] value     the number
/// @param[in] width     field width in characters, at least 1
/// @param[in] decimals  digits after the point, 0 to 22
double fixed_field_value(double value, int width, int decimals);

/// An integer right-justified in a field of `width` characters; asterisks
/// when it does not fit.
std::string int_field(long long value, int width);

/// The shortest text that reads back as the same double ("0.25",
/// "1e-300"), for messages and scripts.
std::string shortest_text(double value);

/// The shortest text in plain decimal notation, never with an exponent,
/// that reads back as the same double ("1900", "0.00001"); a negative zero
/// is written as zero. For files other tools read, which may not take
/// exponents.
std::string shortest_decimal(double value);

/// shortest_decimal(value) appended to a text, without a string of its
/// own: for tables of many numbers.
void append_shortest_decimal(std::string& text, double value);

/// A number with a fixed count of decimals, as printf's %.*f writes it.
std::string fixed_text(double value, int decimals);

}  // namespace console
