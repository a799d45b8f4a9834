#include "console/records.hpp"

#include <iostream>
#include <istream>
#include <streambuf>

#include "console/numbers.hpp"

namespace console {

namespace {

ConsoleCursor& cursor() {
  static ConsoleCursor record;
  return record;
}

// Characters that end the number's token on its line.
bool ends_token(int c) {
  return c == ' ' || c == '\t' || c == ',' || c == '/' || c == '\r' || c == '\n';
}

bool is_blank(int c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

const ConsoleCursor& console_cursor() { return cursor(); }

void reset_console_cursor() { cursor() = {}; }

void write_record(std::string_view text) {
  if (!cursor().at_line_start) std::cout.put('\n');
  std::cout.write(text.data(), static_cast<std::streamsize>(text.size()));
  cursor().at_line_start = false;
}

void end_open_line() {
  if (!cursor().at_line_start) {
    std::cout.put('\n');
    cursor().at_line_start = true;
  }
  std::cout.flush();
}

void finish_run() {
  write_record("Stop - Program terminated.");
  end_open_line();
}

void report_failure(std::string_view message) {
  end_open_line();
  std::cerr << "karven: " << message << '\n';
  std::cerr.flush();
}

double read_real(std::string_view expected, std::string_view signs, std::string_view one_number) {
  // A number is far shorter than this; a longer token is unreadable, and
  // nothing more of it is kept, whatever arrives on the line.
  constexpr std::size_t max_token = 64;
  // What is kept of the rest of the line to look for a mistake in it; a
  // line longer than this is read to its end, the excess unexamined.
  constexpr std::size_t max_tail = 1024;

  std::cout.flush();
  std::streambuf* in = std::cin.rdbuf();
  constexpr int eof = std::char_traits<char>::eof();

  int c = in->sgetc();
  while (c != eof && is_blank(c)) c = in->snextc();
  if (c == eof) {
    throw InputError("expected " + std::string(expected) + ", but the input ended");
  }

  std::string token;
  bool cut = false;
  if (ends_token(c)) token += static_cast<char>(c);  // a line that starts with a separator
  while (c != eof && !ends_token(c)) {
    if (token.size() < max_token) {
      token += static_cast<char>(c);
    } else {
      cut = true;
    }
    c = in->snextc();
  }
  // The rest of the line, its line end included, is read; what it holds is
  // only looked at for a mistake.
  std::string tail;
  while (c != eof && c != '\n') {
    if (tail.size() < max_tail) tail += static_cast<char>(c);
    c = in->snextc();
  }
  if (c == '\n') in->sbumpc();
  cursor().at_line_start = true;
  if (!tail.empty() && tail.back() == '\r') tail.pop_back();

  const auto value = cut ? std::nullopt : parse_real(token, NumberForm::console);
  if (!value) {
    throw InputError("expected " + std::string(expected) + ", read " +
                     console::quoted_token(token, cut));
  }
  const AnswerTail mistake = classify_answer_tail(token, tail);
  if (mistake == AnswerTail::ignored) return *value;

  // The answer as typed, up to the length of a token.
  const std::string typed = token + tail;
  const std::string read =
      "expected " + std::string(expected) + ", read " +
      quoted_token(std::string_view(typed).substr(0, max_token), typed.size() > max_token) + ": ";
  const std::string degrees = "type decimal degrees, e.g. 48.85 for 48 degrees 51 minutes";
  switch (mistake) {
    case AnswerTail::decimal_comma: {
      // The digits after the comma and the blanks that may follow it.
      std::size_t start = 1;
      while (start < tail.size() && (tail[start] == ' ' || tail[start] == '\t')) ++start;
      std::size_t end = start;
      while (end < tail.size() && tail[end] >= '0' && tail[end] <= '9') ++end;
      throw InputError(read + "use a decimal point, e.g. " + token + "." +
                       tail.substr(start, end - start));
    }
    case AnswerTail::hemisphere:
      throw InputError(read + std::string(signs));
    case AnswerTail::degree_sign:
    case AnswerTail::degrees_minutes:
      throw InputError(read + degrees);
    case AnswerTail::two_numbers:
      throw InputError(read + std::string(one_number));
    case AnswerTail::ignored:
      break;
  }
  return *value;
}

}  // namespace console
