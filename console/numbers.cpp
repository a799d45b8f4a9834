#include "console/numbers.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

#include "console/number_chars.hpp"

namespace console {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

bool equals_ignoring_case(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return (x | 0x20) == (y | 0x20);
         });
}

std::optional<double> special_value(std::string_view body, bool negative) {
  if (equals_ignoring_case(body, "nan")) return std::numeric_limits<double>::quiet_NaN();
  if (equals_ignoring_case(body, "inf") || equals_ignoring_case(body, "infinity")) {
    const double inf = std::numeric_limits<double>::infinity();
    return negative ? -inf : inf;
  }
  return std::nullopt;
}

bool separates_words(char c) { return c == ' ' || c == '\t' || c == ',' || c == '/' || c == '\r'; }

bool is_blank(char c) { return c == ' ' || c == '\t'; }

// A degree, minute or second sign at position i of the text.
bool degree_sign_at(std::string_view text, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char c = byte(i);
  if (c == '\'' || c == '"') return true;
  // U+00B0 degree sign and U+00BA masculine ordinal in UTF-8 (C2 B0, C2 BA)
  // or as single Latin-1 bytes; a lone B0 or BA after a byte above ASCII is
  // the tail of another UTF-8 character and does not count.
  if (c == 0xB0 || c == 0xBA) return i == 0 || byte(i - 1) == 0xC2 || byte(i - 1) < 0x80;
  // U+2032 prime and U+2033 double prime: E2 80 B2, E2 80 B3.
  return c == 0xE2 && i + 2 < text.size() && byte(i + 1) == 0x80 &&
         (byte(i + 2) == 0xB2 || byte(i + 2) == 0xB3);
}

// The length of the well-formed UTF-8 sequence at the start of a text that
// starts with a byte beyond ASCII, or 0 when it is none: no overlong form,
// no surrogate, nothing beyond U+10FFFF.
std::size_t utf8_length(std::string_view text) {
  const auto byte = [&text](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(0);
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // bounds of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (text.size() < length || byte(1) < low || byte(1) > high) return 0;
  for (std::size_t k = 2; k < length; ++k) {
    if (byte(k) < 0x80 || byte(k) > 0xBF) return 0;
  }
  return length;
}

// Signs and punctuation that may stand around a word without being part
// of it: "W;", "{W}", "-W", "WEST!".
bool surrounds_words(char c) {
  return std::string_view(";:!?-+{}()[]<>.,'\"").find(c) != std::string_view::npos;
}

std::string_view stripped(std::string_view word) {
  while (!word.empty() && surrounds_words(word.front())) word.remove_prefix(1);
  while (!word.empty() && surrounds_words(word.back())) word.remove_suffix(1);
  return word;
}

// The word in lower case without accents: ASCII letters, and the Latin
// letters U+00C0 to U+00FF in UTF-8 (C3 80 to C3 BF) or Latin-1 (C0 to
// FF) as their base letter ("Süd", "nördlich", "SÜD" read as "sud",
// "nordlich", "sud"). Any other byte becomes '?', which no name holds.
std::string folded(std::string_view word) {
  // U+00C0 to U+00DF; U+00E0 to U+00FF are the same letters in lower case.
  static constexpr std::string_view base = "aaaaaa?ceeeeiiii?nooooo?ouuuuy??";
  std::string fold;
  for (std::size_t i = 0; i < word.size(); ++i) {
    auto c = static_cast<unsigned char>(word[i]);
    if (c == 0xC3 && i + 1 < word.size() &&
        (static_cast<unsigned char>(word[i + 1]) & 0xC0) == 0x80) {
      c = static_cast<unsigned char>(0xC0 + (static_cast<unsigned char>(word[++i]) & 0x3F));
    }
    if (c >= 'A' && c <= 'Z') {
      fold += static_cast<char>(c | 0x20);
    } else if (c >= 0xC0) {
      fold += base[(c - 0xC0) & 0x1F];
    } else if (c < 0x80) {
      fold += static_cast<char>(c);
    } else {
      fold += '?';
    }
  }
  return fold;
}

// The directions in English, French, Spanish, Portuguese, Italian and
// German, folded; "oest" is the oeste of Spanish and Portuguese cut short.
constexpr std::array<std::string_view, 17> DIRECTIONS = {
    "north", "south", "east", "west",  "nord",  "sud",   "est", "ouest", "oest",
    "norte", "sur",   "este", "oeste", "leste", "ovest", "ost", "sul"};

// Endings that make a direction a region, an adjective or an adverb:
// "northern", "easterly", "westward", "Westen", "westlich".
constexpr std::array<std::string_view, 16> ENDINGS = {
    "ern", "erns", "erner", "erners", "erly",   "ward",   "wards",  "bound",
    "en",  "ens",  "lich",  "liche",  "lichen", "licher", "liches", "lichem"};

// A folded word made of directions, one after another, the parts joined
// or hyphenated ("nordost", "north-east", "noroeste", whose "nor" joins
// only), and maybe one ending after them ("southeastern", "nordöstlich").
bool is_direction_word(std::string_view word) {
  const auto rest_is_direction = [](std::string_view rest) {
    if (!rest.empty() && rest.front() == '-') rest.remove_prefix(1);
    return is_direction_word(rest);
  };
  for (const std::string_view direction : DIRECTIONS) {
    if (word.substr(0, direction.size()) != direction) continue;
    const std::string_view rest = word.substr(direction.size());
    if (rest.empty() || std::find(ENDINGS.begin(), ENDINGS.end(), rest) != ENDINGS.end() ||
        rest_is_direction(rest)) {
      return true;
    }
  }
  return word.substr(0, 3) == "nor" && rest_is_direction(word.substr(3));
}

// A word that names a hemisphere or a point of the compass: stripped of the
// signs around it, one to three compass letters (N, S, E, W and the O of
// ouest, oeste and ovest: "W", "SW", "NNE", "SO", the points of a sixteen-
// point rose), or a direction word of the region's languages with its
// compounds and endings. A place name that only begins like one
// ("Nordhausen", "Westerland", "Ostia") is none, and neither is a longer
// name of compass letters alone ("Essen", "Sens", "Enns").
bool names_hemisphere(std::string_view word) {
  const std::string fold = folded(stripped(word));
  if (fold.empty()) return false;
  constexpr std::size_t ROSE_POINT = 3;  // "NNE", the longest point of the rose
  if (fold.size() <= ROSE_POINT && fold.find_first_not_of("nsewo") == std::string::npos) {
    return true;
  }
  return is_direction_word(fold);
}

// A word that starts like a number: an optional sign, then a digit, or a
// point and a digit.
bool starts_like_number(std::string_view word) {
  if (!word.empty() && (word[0] == '+' || word[0] == '-')) word.remove_prefix(1);
  if (!word.empty() && word[0] == '.') word.remove_prefix(1);
  return !word.empty() && is_digit(word[0]);
}

}  // namespace

AnswerTail classify_answer_tail(std::string_view number, std::string_view rest) {
  const bool has_point = number.find('.') != std::string_view::npos;
  if (!rest.empty() && rest[0] == ',') {
    std::size_t digit = 1;
    while (digit < rest.size() && is_blank(rest[digit])) ++digit;
    if (digit < rest.size() && is_digit(rest[digit])) {
      return has_point ? AnswerTail::two_numbers : AnswerTail::decimal_comma;
    }
  }
  for (std::size_t i = 0; i < rest.size(); ++i) {
    if (degree_sign_at(rest, i)) return AnswerTail::degree_sign;
  }
  std::size_t start = 0;
  bool blanks_only = true;
  while (start < rest.size() && separates_words(rest[start])) {
    blanks_only = blanks_only && is_blank(rest[start]);
    ++start;
  }
  std::size_t end = start;
  while (end < rest.size() && !separates_words(rest[end])) ++end;
  const std::string_view word = rest.substr(start, end - start);
  // The first word that is more than signs: "3.7 W", "3.7 - W".
  for (std::size_t from = start, to = end; from < rest.size(); from = to) {
    while (from < rest.size() && separates_words(rest[from])) ++from;
    to = from;
    while (to < rest.size() && !separates_words(rest[to])) ++to;
    const std::string_view next = rest.substr(from, to - from);
    if (stripped(next).empty()) continue;
    if (names_hemisphere(next)) return AnswerTail::hemisphere;
    break;
  }
  if (start > 0 && blanks_only && starts_like_number(word)) {
    return has_point ? AnswerTail::two_numbers : AnswerTail::degrees_minutes;
  }
  return AnswerTail::ignored;
}

std::string escaped_text(std::string_view text, Kept kept, std::string_view also) {
  static constexpr char hex[] = "0123456789ABCDEF";
  std::string shown;
  shown.reserve(text.size());
  const auto escape = [&shown](unsigned char c) {
    shown += "\\x";
    shown += hex[c >> 4];
    shown += hex[c & 0x0f];
  };
  std::size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      if (c < 0x20 || c == 0x7f || also.find(static_cast<char>(c)) != std::string_view::npos) {
        escape(c);
      } else {
        shown += static_cast<char>(c);
      }
      ++i;
      continue;
    }
    const std::size_t length = kept == Kept::utf8 ? utf8_length(text.substr(i)) : 0;
    // U+0080 to U+009F, C2 80 to C2 9F: the C1 control characters.
    const bool c1_control =
        length == 2 && c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0;
    if (length == 0 || c1_control) {
      escape(c);
      ++i;
    } else {
      shown.append(text.substr(i, length));
      i += length;
    }
  }
  return shown;
}

std::string shown_text(std::string_view text) { return escaped_text(text, Kept::utf8, "\\"); }

std::string quoted_token(std::string_view token, bool cut) {
  std::string quoted = "\"";
  quoted += escaped_text(token, Kept::ascii, "\"\\");
  quoted += cut ? "...\"" : "\"";
  return quoted;
}

std::string quoted_text(std::string_view text) {
  const bool cut = text.size() > MAX_QUOTED;
  return quoted_token(cut ? text.substr(0, MAX_QUOTED) : text, cut);
}

std::optional<double> parse_real(std::string_view token, NumberForm form) {
  // Longer than any double needs; longer tokens are not numbers here.
  constexpr std::size_t max_length = 64;
  if (token.empty() || token.size() > max_length) return std::nullopt;

  std::size_t i = 0;
  const bool negative = token[0] == '-';
  if (token[0] == '+' || token[0] == '-') ++i;
  const std::string_view body = token.substr(i);

  if (form == NumberForm::console) {
    if (auto special = special_value(body, negative)) return special;
  }

  // Syntax check, and the decimal position of the leading significant
  // digit (for the value when it leaves the double range).
  std::size_t int_digits = 0, frac_digits = 0;
  long leading = 0;  // power of ten of the first non-zero digit, plus one
  bool seen_nonzero = false;
  long zeros_after_point = 0;
  while (i < token.size() && is_digit(token[i])) {
    if (token[i] != '0') seen_nonzero = true;
    if (seen_nonzero) ++leading;
    ++int_digits;
    ++i;
  }
  if (i < token.size() && token[i] == '.') {
    ++i;
    while (i < token.size() && is_digit(token[i])) {
      if (!seen_nonzero) {
        if (token[i] == '0') {
          ++zeros_after_point;
        } else {
          seen_nonzero = true;
          leading = -zeros_after_point;
        }
      }
      ++frac_digits;
      ++i;
    }
  }
  if (int_digits + frac_digits == 0) return std::nullopt;

  long exponent = 0;
  std::size_t mantissa_end = i;
  if (i < token.size() &&
      (token[i] == 'e' || token[i] == 'E' || token[i] == 'd' || token[i] == 'D')) {
    ++i;
    bool exponent_negative = false;
    if (i < token.size() && (token[i] == '+' || token[i] == '-')) {
      exponent_negative = token[i] == '-';
      ++i;
    }
    if (i == token.size()) return std::nullopt;
    while (i < token.size() && is_digit(token[i])) {
      exponent = std::min(exponent * 10 + (token[i] - '0'), 100000L);
      ++i;
    }
    if (exponent_negative) exponent = -exponent;
  }
  if (i != token.size()) return std::nullopt;

  // from_chars takes neither a leading '+' nor the exponent letter D.
  std::array<char, max_length + 1> buffer{};
  std::size_t n = 0;
  for (std::size_t k = (token[0] == '+' ? 1 : 0); k < token.size(); ++k) {
    buffer[n++] = (k == mantissa_end) ? 'e' : token[k];
  }
  double value = 0.0;
  const auto result = console::from_chars(buffer.data(), buffer.data() + n, value);
  if (result.ec == std::errc::result_out_of_range) {
    // Beyond the double range: an infinity when the leading digit stands
    // above the units, zero when it stands below them.
    const double magnitude =
        (leading + exponent > 0) ? std::numeric_limits<double>::infinity() : 0.0;
    return negative ? -magnitude : magnitude;
  }
  if (result.ec != std::errc() || result.ptr != buffer.data() + n) return std::nullopt;
  return value;
}

}  // namespace console
