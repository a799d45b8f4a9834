#include "geomodel/spline_model.hpp"

#include <charconv>
#include <cmath>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>

#include "console/number_chars.hpp"

namespace geomodel {

namespace {

// Tokens of a text separated by blanks, tabs and line breaks, each with
// the line it stands on (from 1).
class Tokens {
 public:
  explicit Tokens(std::string_view text) : text_(text) {}

  struct Token {
    std::string_view text;
    std::size_t line = 0;
  };

  // The next token, or nothing at the end of the text; with stop_at_line_end
  // a line break ends the search too (the line break is left for later).
  std::optional<Token> next(bool stop_at_line_end = false) {
    while (pos_ < text_.size() && is_space(text_[pos_])) {
      if (text_[pos_] == '\n') {
        if (stop_at_line_end) return std::nullopt;
        ++line_;
      }
      ++pos_;
    }
    if (pos_ == text_.size()) return std::nullopt;
    const std::size_t start = pos_;
    while (pos_ < text_.size() && !is_space(text_[pos_])) ++pos_;
    return Token{text_.substr(start, pos_ - start), line_};
  }

  // Moves past the rest of the current line.
  void skip_line() {
    while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
  }

 private:
  static bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  std::size_t line_ = 1;
};

// A number as the family writes it, also with a Fortran exponent (1.0D-3)
// or a leading plus; nothing when the token is not a whole number, or not
// finite.
std::optional<double> number(std::string_view token) {
  char buffer[64];
  if (token.empty() || token.size() >= sizeof buffer) return std::nullopt;
  std::size_t n = 0;
  for (std::size_t i = (token[0] == '+' ? 1 : 0); i < token.size(); ++i)
    buffer[n++] = (token[i] == 'D' || token[i] == 'd') ? 'E' : token[i];
  double value = 0.0;
  const auto [end, error] = console::from_chars(buffer, buffer + n, value);
  if (error != std::errc{} || end != buffer + n || !std::isfinite(value)) return std::nullopt;
  return value;
}

// A count written as digits alone.
std::optional<long> digits(std::string_view token) {
  long value = 0;
  const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
  if (error != std::errc{} || end != token.data() + token.size()) return std::nullopt;
  return value;
}

// A token as messages show it: between single quotes.
std::string quoted(std::string_view token) {
  std::string text;
  text.reserve(token.size() + 2);
  text += '\'';
  text += token;
  text += '\'';
  return text;
}

std::string shown(double value) {
  std::ostringstream out;
  out.precision(12);
  out << value;
  return out.str();
}

class Refusal {
 public:
  explicit Refusal(std::string_view name) : prefix_("the model file " + std::string(name) + ": ") {}

  [[noreturn]] void at(std::size_t line, const std::string& what) const {
    throw ModelFileError(prefix_ + "line " + std::to_string(line) + ": " + what);
  }
  [[noreturn]] void file(const std::string& what) const { throw ModelFileError(prefix_ + what); }

 private:
  std::string prefix_;
};

// Line 2's three counts: degree, the zero, splines; all digits.
struct Counts {
  long degree = 0;
  long zero = 0;
  long splines = 0;
};

std::optional<Counts> counts(Tokens& tokens) {
  Counts c;
  for (long* field : {&c.degree, &c.zero, &c.splines}) {
    const auto token = tokens.next();
    if (!token) return std::nullopt;
    const auto value = digits(token->text);
    if (!value) return std::nullopt;
    *field = *value;
  }
  return c;
}

}  // namespace

SplineModel parse_spline_model(std::string_view text, std::string_view name) {
  const Refusal refuse(name);
  Tokens tokens(text);
  SplineModel model;
  model.name = std::string(name);

  // Line 1: the span, and the order where the file gives one.
  const auto first = tokens.next(true);
  const auto last = first ? tokens.next(true) : std::nullopt;
  if (!first || !last) refuse.at(1, "no span of years (two numbers) where the model file begins");
  const auto first_year = number(first->text);
  const auto last_year = number(last->text);
  if (!first_year || !last_year)
    refuse.at(1, quoted(!first_year ? first->text : last->text) +
                     " is not a year: a model file begins with the span of its years");
  if (!(*first_year < *last_year))
    refuse.at(1, "the span " + shown(*first_year) + " to " + shown(*last_year) +
                     " does not run forward in time");
  model.first_year = *first_year;
  model.last_year = *last_year;
  if (const auto third = tokens.next(true)) {
    if (const auto order = digits(third->text)) {
      if (*order != SPLINE_ORDER)
        refuse.at(1, "splines of order " + std::string(third->text) +
                         "; the models of this family have cubic splines (order 4)");
    }
  }
  tokens.skip_line();

  // The counts.
  Tokens counts_at = tokens;
  const auto line2 = tokens.next();
  if (!line2) refuse.file("the file ends after line 1");
  const auto c = counts(counts_at);
  if (!c)
    refuse.at(line2->line,
              "no counts (degree, 0, number of splines, as whole numbers) after the span");
  if (c->degree < 1 || c->degree > MAX_DEGREE)
    refuse.at(line2->line,
              "degree " + std::to_string(c->degree) + " is not 1 to " + std::to_string(MAX_DEGREE));
  if (c->zero != 0)
    refuse.at(line2->line, "the second count is " + std::to_string(c->zero) +
                               ", not 0: not the layout of degree, 0, number of splines");
  if (c->splines < SPLINE_ORDER || c->splines > 1000000)
    refuse.at(line2->line, std::to_string(c->splines) + " splines is not a count of cubic splines");
  tokens = counts_at;
  model.degree = static_cast<int>(c->degree);
  model.order = SPLINE_ORDER;

  const auto splines = static_cast<std::size_t>(c->splines);
  const std::size_t knot_count = splines + SPLINE_ORDER;
  const std::size_t per_spline = static_cast<std::size_t>(coefficient_count(model.degree));
  const std::size_t coefficient_total = splines * per_spline;
  const std::string announced = std::to_string(splines) + " splines of degree " +
                                std::to_string(model.degree) + " (line " +
                                std::to_string(line2->line) + ")";

  auto read_numbers = [&](std::vector<double>& into, std::size_t count, const char* what) {
    into.reserve(count);
    std::size_t line = line2->line;
    for (std::size_t i = 0; i < count; ++i) {
      const auto token = tokens.next();
      if (!token)
        refuse.file("the file ends at line " + std::to_string(line) + " after " +
                    std::to_string(i) + " of the " + std::to_string(count) + " " + what + " of " +
                    announced);
      line = token->line;
      const auto value = number(token->text);
      if (!value)
        refuse.at(token->line, quoted(token->text) + " (" + what + " " + std::to_string(i + 1) +
                                   ") is not a finite number");
      into.push_back(*value);
    }
    return line;
  };

  read_numbers(model.knots, knot_count, "knots");
  for (std::size_t i = 1; i < knot_count; ++i)
    if (model.knots[i] < model.knots[i - 1])
      refuse.file("knot " + std::to_string(i + 1) + " (" + shown(model.knots[i]) +
                  ") is below knot " + std::to_string(i) + " (" + shown(model.knots[i - 1]) +
                  "): the knots must not decrease");
  if (!(model.basis_start() < model.basis_end()))
    refuse.file("the knots leave no interval where the splines are complete");
  if (model.first_year < model.basis_start() || model.last_year > model.basis_end())
    refuse.at(1, "the span " + shown(model.first_year) + " to " + shown(model.last_year) +
                     " reaches beyond the splines' basis, " + shown(model.basis_start()) + " to " +
                     shown(model.basis_end()));

  const std::size_t last_line = read_numbers(model.coefficients, coefficient_total, "coefficients");

  // A trailer: counted, never read; it must begin on a line of its own, or
  // the counts of line 2 do not fit the file.
  for (auto token = tokens.next(); token; token = tokens.next()) {
    if (model.unread_numbers == 0 && token->line == last_line)
      refuse.at(token->line, "more numbers follow the last of the " +
                                 std::to_string(coefficient_total) + " coefficients of " +
                                 announced + " on its line");
    if (!number(token->text))
      refuse.at(token->line, quoted(token->text) + " after the coefficients is not a number");
    ++model.unread_numbers;
  }
  return model;
}

SplineModel read_spline_model(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ModelFileError("the model file " + path.string() + " cannot be read");
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) throw ModelFileError("the model file " + path.string() + " cannot be read");
  return parse_spline_model(text, path.string());
}

bool looks_like_spline_model(std::string_view text) {
  Tokens tokens(text);
  const auto first = tokens.next(true);
  const auto last = first ? tokens.next(true) : std::nullopt;
  if (!first || !last) return false;
  const auto first_year = number(first->text);
  const auto last_year = number(last->text);
  if (!first_year || !last_year || !(*first_year < *last_year)) return false;
  tokens.skip_line();
  const auto c = counts(tokens);
  return c && c->degree >= 1 && c->degree <= MAX_DEGREE && c->zero == 0 &&
         c->splines >= SPLINE_ORDER;
}

bool file_looks_like_spline_model(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string head(4096, '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<std::size_t>(in.gcount()));
  return looks_like_spline_model(head);
}

}  // namespace geomodel
