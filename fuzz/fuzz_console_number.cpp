// Fuzz target: whatever is typed at the console, read_real either returns
// the number that starts the first non-blank line or ends the run with an
// InputError that says what was expected and what was read; a number whose
// line goes on with a decimal comma, a hemisphere (a letter or a word of
// the region's languages), a degree, minute or second sign, or a second
// number after blanks is refused with the advice for that mistake.
//
// Each input is fed to std::cin and read_real is called until it throws or
// the calls run out. Each result is held against a reading of the same
// bytes made here: the line's first token, split off by the rules of the
// dialogue, and its value by the C library's conversion.

#include <cstddef>
#include <cstdint>
#include <iostream>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <string_view>

#include "console/numbers.hpp"
#include "console/records.hpp"
#include "fuzz/fuzz_support.hpp"

namespace {

constexpr int READS = 4;
constexpr std::string_view EXPECTED = "a number";
constexpr std::string_view SIGNS = "type it with its sign";
constexpr std::string_view ONE_NUMBER = "type it alone";

bool is_blank(unsigned char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool ends_token(unsigned char c) { return is_blank(c) || c == ',' || c == '/'; }

std::string shown(std::string_view token, bool cut) {
  const std::string quoted = fuzz::quoted_token(token, cut);
  return quoted.substr(1, quoted.size() - 2);
}

// How a word names a hemisphere, once the signs around it
// (;:!?-+{}()[]<>.,'") are stripped: one to three compass letters (N, S, E,
// W, O in either case: "W", "SW", "NNE") and the short direction words
// ("sud", "sur", "sul", "est", "ost") certainly do; a plain ASCII word of
// one to three letters that is none of those certainly does not. Longer
// words (direction words with their compounds and endings, "Westen",
// "Nordost", against place names, "Nordhausen") and words with accents are
// left undecided here: either reading is taken for them.
enum class Hemisphere { yes, no, undecided };

Hemisphere hemisphere_word(std::string_view word) {
  const std::string_view signs = ";:!?-+{}()[]<>.,'\"";
  while (!word.empty() && signs.find(word.front()) != std::string_view::npos) word.remove_prefix(1);
  while (!word.empty() && signs.find(word.back()) != std::string_view::npos) word.remove_suffix(1);
  if (word.size() > 3) return Hemisphere::undecided;
  std::string folded;
  for (const char c : word) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 0x80) return Hemisphere::undecided;
    folded += static_cast<char>(b >= 'A' && b <= 'Z' ? b + 32 : b);
  }
  if (!folded.empty() && folded.find_first_not_of("nsewo") == std::string::npos) {
    return Hemisphere::yes;
  }
  static const std::set<std::string, std::less<>> words = {"sud", "sur", "sul", "est", "ost"};
  return words.contains(folded) ? Hemisphere::yes : Hemisphere::no;
}

// The advice for what follows the number on its line, or nothing when the
// rest of the line is to be ignored. Read here by searching the text for
// each mistake in turn.
std::optional<std::string> advice(std::string_view token, std::string_view rest, bool& undecided) {
  undecided = false;
  const bool has_point = token.find('.') != std::string_view::npos;
  if (!rest.empty() && rest[0] == ',') {
    const std::size_t digit = rest.find_first_not_of(" \t", 1);
    if (digit != std::string_view::npos && rest[digit] >= '0' && rest[digit] <= '9') {
      if (has_point) return std::string(ONE_NUMBER);
      const std::size_t digits_end = rest.find_first_not_of("0123456789", digit);
      return "use a decimal point, e.g. " + std::string(token) + "." +
             std::string(rest.substr(digit, digits_end == std::string_view::npos
                                                ? std::string_view::npos
                                                : digits_end - digit));
    }
  }
  const std::string_view degrees_advice =
      "type decimal degrees, e.g. 48.85 for 48 degrees 51 minutes";
  for (const std::string_view sign :
       {"'", "\"", "\xC2\xB0", "\xC2\xBA", "\xE2\x80\xB2", "\xE2\x80\xB3"}) {
    if (rest.find(sign) != std::string_view::npos) return std::string(degrees_advice);
  }
  // A Latin-1 degree sign or ordinal: the byte after plain ASCII, or first.
  for (std::size_t i = 0; i < rest.size(); ++i) {
    const auto c = static_cast<unsigned char>(rest[i]);
    if ((c == 0xB0 || c == 0xBA) && (i == 0 || static_cast<unsigned char>(rest[i - 1]) < 0x80)) {
      return std::string(degrees_advice);
    }
  }
  constexpr std::string_view separators = " \t,/\r";
  const std::size_t word = rest.find_first_not_of(separators);
  if (word == std::string_view::npos) return std::nullopt;
  const std::size_t word_end = rest.find_first_of(separators, word);
  const std::string_view next = rest.substr(
      word, word_end == std::string_view::npos ? std::string_view::npos : word_end - word);
  // The hemisphere: the first word that is more than signs ("3.7 - W").
  for (std::size_t from = word; from < rest.size();) {
    from = rest.find_first_not_of(separators, from);
    if (from == std::string_view::npos) break;
    std::size_t to = rest.find_first_of(separators, from);
    if (to == std::string_view::npos) to = rest.size();
    const std::string_view candidate = rest.substr(from, to - from);
    if (candidate.find_first_not_of(";:!?-+{}()[]<>.,'\"") == std::string_view::npos) {
      from = to;
      continue;
    }
    const Hemisphere hemisphere = hemisphere_word(candidate);
    if (hemisphere == Hemisphere::yes) return std::string(SIGNS);
    undecided = hemisphere == Hemisphere::undecided;
    break;
  }
  // A number after blanks alone: a sign, then a digit or a point and a digit.
  std::string_view body = next;
  if (body[0] == '+' || body[0] == '-') body.remove_prefix(1);
  if (!body.empty() && body[0] == '.') body.remove_prefix(1);
  const bool number = !body.empty() && body[0] >= '0' && body[0] <= '9';
  if (word > 0 && rest.substr(0, word).find_first_not_of(" \t") == std::string_view::npos &&
      number) {
    return has_point ? std::string(ONE_NUMBER) : std::string(degrees_advice);
  }
  return std::nullopt;
}

// What one read of the text from `at` should give, and where the next read
// starts.
struct Expected {
  std::optional<double> value;  // nothing: an InputError
  std::string message;          // the InputError's text
  std::size_t next = 0;
  // The next word may or may not name a hemisphere (hemisphere_word): the
  // refusal that would say so is taken too.
  std::optional<std::string> hemisphere_message;
};

Expected expected_read(std::string_view text, std::size_t at) {
  Expected e;
  while (at < text.size() && is_blank(static_cast<unsigned char>(text[at]))) ++at;
  if (at == text.size()) {
    e.message = "expected " + std::string(EXPECTED) + ", but the input ended";
    e.next = at;
    return e;
  }
  // The token runs to the first separator; a separator that starts the
  // line is the token itself.
  std::size_t end = at + 1;
  if (!ends_token(static_cast<unsigned char>(text[at]))) {
    while (end < text.size() && !ends_token(static_cast<unsigned char>(text[end]))) ++end;
  }
  const std::string_view token = text.substr(at, end - at);
  const std::size_t line_end = text.find('\n', at);
  e.next = line_end == std::string_view::npos ? text.size() : line_end + 1;

  const bool cut = token.size() > 64;
  if (!cut) e.value = fuzz::reference_number(token, /*console_form=*/true);
  if (!e.value) {
    e.message = "expected " + std::string(EXPECTED) + ", read \"" +
                shown(cut ? token.substr(0, 64) : token, cut) + "\"";
    return e;
  }
  // The rest of the line, of which the first 1024 bytes are looked at, less
  // a carriage return at their end.
  const std::size_t rest_end = line_end == std::string_view::npos ? text.size() : line_end;
  std::string_view rest = text.substr(end, std::min<std::size_t>(rest_end - end, 1024));
  if (!rest.empty() && rest.back() == '\r') rest.remove_suffix(1);
  const std::string typed = std::string(token) + std::string(rest);
  const std::string refusal = "expected " + std::string(EXPECTED) + ", read \"" +
                              shown(std::string_view(typed).substr(0, 64), typed.size() > 64) +
                              "\": ";
  bool undecided = false;
  if (const auto said = advice(token, rest, undecided)) {
    e.value.reset();
    e.message = refusal + *said;
  }
  if (undecided) e.hemisphere_message = refusal + std::string(SIGNS);
  return e;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::istringstream input(text);
  std::streambuf* const saved_input = std::cin.rdbuf(input.rdbuf());
  fuzz::StreamCapture output(std::cout);
  console::reset_console_cursor();

  std::size_t at = 0;
  for (int read = 0; read < READS; ++read) {
    const Expected expected = expected_read(text, at);
    std::optional<double> value;
    std::string message;
    try {
      value = console::read_real(EXPECTED, SIGNS, ONE_NUMBER);
    } catch (const console::InputError& e) {
      message = e.what();
    }
    if (!value && expected.hemisphere_message && message == *expected.hemisphere_message) {
      fuzz::check(console::console_cursor().at_line_start,
                  "after a read the cursor stands at the start of a line");
      break;
    }
    fuzz::check(value.has_value() == expected.value.has_value(),
                "read_real returns a number exactly when the token is one and its line "
                "shows no mistake");
    if (value) {
      fuzz::check(fuzz::same_number(*value, *expected.value),
                  "read_real gives the correctly rounded value of the token");
      // The program's own reader agrees on the token as it was split.
      const std::size_t start = text.find_first_not_of(" \t\r\n", at);
      std::size_t end = start;
      while (end < text.size() && !ends_token(static_cast<unsigned char>(text[end]))) ++end;
      const auto parsed = console::parse_real(std::string_view(text).substr(start, end - start),
                                              console::NumberForm::console);
      fuzz::check(parsed && fuzz::same_number(*value, *parsed),
                  "read_real gives what parse_real gives for the first token");
    } else {
      fuzz::check(message == expected.message, "the InputError says what was read");
    }
    fuzz::check(console::console_cursor().at_line_start,
                "after a read the cursor stands at the start of a line");
    if (!value) break;
    at = expected.next;
  }
  fuzz::check(output.text().empty(), "reading writes nothing on the console");

  std::cin.rdbuf(saved_input);
  std::cin.clear();
  return 0;
}
