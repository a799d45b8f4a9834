// --span FROM:TO[:STEP] and --model-sigma D,I,F on a companion's command
// line: the years a global model's curve is asked for, and the standard
// deviations that a model without errors is given for dating and export.
// Both stay text until the run reads them: a value that does not parse is
// bad input (exit status 1), as a site's coordinate is.
#pragma once

#include <stdexcept>
#include <string_view>
#include <vector>

#include "field_model/field_model.hpp"

namespace companion {

/// A value of --span or --model-sigma that cannot be taken; the message
/// names the option and what was read.
class OptionValueError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// Whole years from `first` to `last` (years AD, negative before 1 AD),
/// both included, every `step` years.
struct YearSpan {
  int first = 0;
  int last = 0;
  int step = 1;
};

/// Reads --span: "FROM:TO" or "FROM:TO:STEP", whole years, FROM <= TO (one
/// year when they are equal), STEP
/// a positive whole number (default `default_step`).
///
/// @throws OptionValueError "--span: expected FROM:TO or FROM:TO:STEP in
///         whole years, read \"...\"" and the like
YearSpan parse_span(std::string_view text, int default_step = 1);

/// The model's whole span as whole years (its first year rounded up, its
/// last rounded down), every `step` years.
YearSpan model_span(const field_model::FieldModel& model, int step);

/// Checks that a span lies within the model's years.
///
/// @throws OptionValueError "--span: 1900:2100 is outside the span of
///         ARCH10k.1, -8000 to 1990"
void check_span(const YearSpan& span, const field_model::FieldModel& model);

/// The years of a span: first, first + step, ..., up to last; last is
/// always included, so that a curve ends where it was asked to.
std::vector<double> span_years(const YearSpan& span);

/// The years of a span that a function's argument asks for (the Python
/// module's and the JavaScript module's `span`), checked as --span is.
///
/// @throws OptionValueError "span: the first year must not come after the
///         last: 500, 100", "span: the step must be a positive whole number
///         of years: 0", "span: 1900 to 2100 is outside the span of
///         ARCH10k.1, -8000 to 1990"
std::vector<double> asked_span_years(const YearSpan& asked, const field_model::FieldModel& model);

/// Reads --model-sigma: "D,I,F", one standard deviation of the model's
/// curve in degrees, degrees and microtesla, each finite and >= 0.
///
/// @throws OptionValueError for anything else, naming what was read
field_model::ModelSigma parse_model_sigma(std::string_view text);

}  // namespace companion
