#include "companion/model_span.hpp"

#include <charconv>
#include <cmath>
#include <string>

#include "console/numbers.hpp"

namespace companion {

namespace {

constexpr std::size_t SHOWN = 40;

std::string shown(std::string_view text) {
  return console::quoted_token(text.substr(0, SHOWN), text.size() > SHOWN);
}

std::vector<std::string_view> split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  for (;;) {
    const std::size_t at = text.find(separator);
    parts.push_back(text.substr(0, at));
    if (at == std::string_view::npos) return parts;
    text.remove_prefix(at + 1);
  }
}

// A whole year: an optional minus sign and digits, within +-1e6.
std::optional<int> whole_year(std::string_view text) {
  int value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc{} || stop != end || value < -1000000 || value > 1000000) {
    return std::nullopt;
  }
  return value;
}

}  // namespace

YearSpan parse_span(std::string_view text, int default_step) {
  const auto parts = split(text, ':');
  const auto wrong = [&] {
    return OptionValueError("--span: expected FROM:TO or FROM:TO:STEP in whole years, read " +
                            shown(text));
  };
  if (parts.size() != 2 && parts.size() != 3) throw wrong();
  const auto first = whole_year(parts[0]);
  const auto last = whole_year(parts[1]);
  const auto step = parts.size() == 3 ? whole_year(parts[2]) : std::optional<int>(default_step);
  if (!first || !last || !step) throw wrong();
  if (*first > *last) {
    throw OptionValueError("--span: the first year must not come after the last, read " +
                           shown(text));
  }
  if (*step <= 0) {
    throw OptionValueError("--span: the step must be a positive whole number of years, read " +
                           shown(text));
  }
  return {*first, *last, *step};
}

YearSpan model_span(const field_model::FieldModel& model, int step) {
  return {static_cast<int>(std::ceil(model.first_year())),
          static_cast<int>(std::floor(model.last_year())), step};
}

void check_span(const YearSpan& span, const field_model::FieldModel& model) {
  if (span.first < model.first_year() || span.last > model.last_year()) {
    const YearSpan whole = model_span(model, 1);
    throw OptionValueError("--span: " + std::to_string(span.first) + ":" +
                           std::to_string(span.last) + " is outside the span of " + model.name() +
                           ", " + std::to_string(whole.first) + " to " +
                           std::to_string(whole.last));
  }
}

std::vector<double> span_years(const YearSpan& span) {
  std::vector<double> years;
  if (span.first == span.last) return {static_cast<double>(span.first)};
  for (long long year = span.first; year < span.last; year += span.step) {
    years.push_back(static_cast<double>(year));
  }
  years.push_back(span.last);
  return years;
}

std::vector<double> asked_span_years(const YearSpan& asked, const field_model::FieldModel& model) {
  if (asked.first > asked.last) {
    throw OptionValueError("span: the first year must not come after the last: " +
                           std::to_string(asked.first) + ", " + std::to_string(asked.last));
  }
  if (asked.step <= 0) {
    throw OptionValueError("span: the step must be a positive whole number of years: " +
                           std::to_string(asked.step));
  }
  if (asked.first < model.first_year() || asked.last > model.last_year()) {
    const YearSpan whole = model_span(model, 1);
    throw OptionValueError("span: " + std::to_string(asked.first) + " to " +
                           std::to_string(asked.last) + " is outside the span of " + model.name() +
                           ", " + std::to_string(whole.first) + " to " +
                           std::to_string(whole.last));
  }
  return span_years(asked);
}

field_model::ModelSigma parse_model_sigma(std::string_view text) {
  const auto parts = split(text, ',');
  const auto wrong = [&] {
    return OptionValueError(
        "--model-sigma: expected D,I,F, one standard deviation of the model's curve in "
        "degrees, degrees and microtesla, each 0 or more, read " +
        shown(text));
  };
  if (parts.size() != 3) throw wrong();
  double values[3];
  for (std::size_t k = 0; k < 3; ++k) {
    const auto value = console::parse_real(parts[k], console::NumberForm::decimal);
    if (!value || !std::isfinite(*value) || *value < 0.0) throw wrong();
    values[k] = *value;
  }
  return {values[0], values[1], values[2]};
}

}  // namespace companion
