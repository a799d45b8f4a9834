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

double read_real(std::string_view expected) {
  // A number is far shorter than this; a longer token is unreadable, and
  // nothing more of it is kept, whatever arrives on the line.
  constexpr std::size_t max_token = 64;

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
  // The rest of the line is ignored, its line end included.
  while (c != eof && c != '\n') c = in->snextc();
  if (c == '\n') in->sbumpc();
  cursor().at_line_start = true;

  const auto value = cut ? std::nullopt : parse_real(token, NumberForm::console);
  if (!value) {
    throw InputError("expected " + std::string(expected) + ", read " +
                     console::quoted_token(token, cut));
  }
  return *value;
}

}  // namespace console
