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

/// What follows an answer's number on its line. The rest of the line is
/// ignored, except where it shows that the number alone would stand for
/// another site than the one meant.
enum class AnswerTail {
  ignored,        // nothing, or other text: "40.4 , Madrid", "40.4 / site 3"
  decimal_comma,  // a comma right after the number and then a digit: "48,85"
  hemisphere,     // the next word is a single N, S, E or W, in any case: "3.7 W"
  degree_sign,    // a degree, minute or second sign anywhere: "48 51'", "48 °"
};

/// Classifies the rest of an answer's line, from the character that ended
/// the number's token to the line end (which is not part of it). Words are
/// separated by blanks, tabs, commas and slashes. The signs counted are
/// the degree sign (UTF-8, or a Latin-1 byte after plain ASCII), the
/// masculine ordinal that Spanish keyboards offer for it, the apostrophe
/// and the double quote, and the Unicode prime and double prime. A decimal
/// comma counts first, then a sign, then a hemisphere letter.
AnswerTail classify_answer_tail(std::string_view rest);

/// A token in double quotes, as a report shows it: printable characters as
/// they are; other bytes, the quote and the backslash as \xHH; "..." after
/// a token that was cut short.
std::string quoted_token(std::string_view token, bool cut);

}  // namespace console
