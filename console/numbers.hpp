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
  ignored,          // nothing, or other text: "40.4 , Madrid", "40.4 / site 3", "40.4,-3.7"
  decimal_comma,    // a comma, blanks or none, then a digit: "48,85", "48, 85"
  hemisphere,       // the next word names a hemisphere: "3.7 W", "3.7 {W}", "40.4 Norden"
  degree_sign,      // a degree, minute or second sign anywhere: "48 51'", "48 °"
  degrees_minutes,  // a second number after blanks: "48 51", "48 51 30", "-3 42"
  two_numbers,      // a number with a decimal point, then a decimal comma or a
                    // second number: "48.85,2.35", "48.85 2.35"
};

/// Classifies the rest of an answer's line, from the character that ended
/// the number's token to the line end (which is not part of it). Words are
/// separated by blanks, tabs, commas and slashes. Looked for in this order:
/// - a comma right after the number, then blanks or none, then a digit: a
///   decimal comma, or two numbers when the number already holds a point;
/// - a degree, minute or second sign anywhere: the degree sign (UTF-8, or
///   a Latin-1 byte after plain ASCII), the masculine ordinal that Spanish
///   keyboards offer for it, the apostrophe and the double quote, and the
///   Unicode prime and double prime;
/// - a next word (the first that is more than signs) that names a
///   hemisphere or a point of the compass, in any case and with or
///   without accents, once the signs and punctuation around it
///   (;:!?-+{}()[]<>.,'") are stripped: one to three compass letters (N,
///   S, E, W and O: "W", "SW", "NNE", "SO"), or a direction word of the region's
///   languages (north, nord, norte; south, sud, sur, sul, süd; east, est,
///   este, leste, ost; west, ouest, oeste, ovest), compounds of them
///   ("Nordost", "noroeste", "north-east") and their endings ("northern",
///   "westward", "Westen", "westlich"); a place name that only begins like
///   one ("Nordhausen", "Westerland", "Ostia", "Norwich") is no hemisphere;
/// - a next word that starts like a number and is set off by blanks alone:
///   degrees and minutes, or two numbers when the number holds a point.
///
/// @param[in] number  the answer's number as typed
/// @param[in] rest    the rest of its line
AnswerTail classify_answer_tail(std::string_view number, std::string_view rest);

/// Which characters escaped_text keeps as they stand.
enum class Kept {
  ascii,  // printable ASCII only
  utf8,   // also the characters beyond ASCII of well-formed UTF-8
};

/// Text from a user, a file or a file name with every byte that could act
/// on a terminal written as the four characters \xHH (hexadecimal, upper
/// case): control characters (below 0x20, DEL, and U+0080 to U+009F, which
/// include the 8-bit escape sequence introducers), every byte of a sequence
/// that is not well-formed UTF-8, with Kept::ascii every byte beyond ASCII,
/// and each character of `also`. The result holds printable characters
/// only, so that no escape sequence or cursor movement reaches a terminal,
/// and nothing else of the text is changed.
///
/// @param[in] text  any bytes
/// @param[in] kept  which characters beyond ASCII stay
/// @param[in] also  printable ASCII characters written \xHH too, e.g. "\\"
std::string escaped_text(std::string_view text, Kept kept, std::string_view also = {});

/// A name or a file name as messages and reports show it:
/// escaped_text(text, Kept::utf8, "\\"). Characters of other languages stay
/// readable ("Four à chaux"); the backslash is escaped as well, so that
/// what is shown tells every byte: an escape character shows as "\x1B",
/// the four characters \x1B as "\x5Cx1B".
std::string shown_text(std::string_view text);

/// A token in double quotes, as a report shows it: printable ASCII as it
/// is; other bytes, the quote and the backslash as \xHH; "..." after a
/// token that was cut short.
std::string quoted_token(std::string_view token, bool cut);

/// Longest text of a file or a command line that a message quotes whole.
inline constexpr std::size_t MAX_QUOTED = 40;

/// A text quoted in a message as quoted_token quotes it, cut after
/// MAX_QUOTED bytes ("6x", "a very long ...").
std::string quoted_text(std::string_view text);

}  // namespace console
