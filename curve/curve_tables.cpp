#include "curve/curve_tables.hpp"

#include <cmath>

#include "console/fields.hpp"
#include "curve/ref_file.hpp"

namespace curve {

namespace {

const char* unit(Component component) {
  return component == Component::intensity ? "microtesla" : "degrees";
}

void append_field(std::string& text, double value) {
  text += ',';
  if (!std::isnan(value)) append_model_value(text, value);
}

}  // namespace

void append_model_value(std::string& text, double value) {
  std::string digits = console::fixed_text(value, MODEL_DECIMALS);
  if (digits.find('.') != std::string::npos) {
    digits.erase(digits.find_last_not_of('0') + 1);
    if (digits.back() == '.') digits.pop_back();
  }
  if (digits == "-0") digits = "0";
  text += digits;
}

bool has_sigmas(const ReferenceCurve& curve) {
  for (const Component c : COMPONENTS) {
    if (!curve[c] || curve[c]->sigmas.size() != curve[c]->years.size()) return false;
  }
  return true;
}

std::string curve_table_header(bool errors) {
  std::string header = "year,declination,inclination,intensity";
  if (errors) {
    header += ",declination_error_95,inclination_error_95,intensity_error_95";
  }
  return header;
}

void append_curve_table_rows(std::string& text, std::string_view row_start,
                             const ReferenceCurve& curve) {
  const bool errors = has_sigmas(curve);
  const ComponentSeries& first = *curve[Component::declination];
  text.reserve(text.size() + first.years.size() * (row_start.size() + (errors ? 72 : 40)));
  for (std::size_t k = 0; k < first.years.size(); ++k) {
    text += row_start;
    console::append_shortest_decimal(text, first.years[k]);
    for (const Component c : COMPONENTS) append_field(text, curve[c]->values[k]);
    if (errors) {
      for (const Component c : COMPONENTS) append_field(text, NORMAL_95 * curve[c]->sigmas[k]);
    }
    text += '\n';
  }
}

std::string model_ref_text(const ReferenceCurve& curve, Component component, std::string_view title,
                           std::size_t& lines) {
  const ComponentSeries& series = *curve[component];
  std::string text;
  text += "# " + std::string(title) +
          " palaeosecular variation curve: " + component_name(component) + "\n";
  if (curve.site) text += "# " + site_comment(*curve.site) + "\n";
  text +=
      "# Component: " + std::string(component_name(component)) + ", in " + unit(component) + "\n";
  text += "# Columns: year (AD), value, sigma\n";
  text +=
      "# sigma is one standard deviation given to the model's curve with --model-sigma; "
      "the model gives none\n";
  text += "# From " + curve.source + "\n";
  lines = 0;
  for (std::size_t k = 0; k < series.years.size(); ++k) {
    if (std::isnan(series.values[k])) continue;
    console::append_shortest_decimal(text, series.years[k]);
    text += ',';
    append_model_value(text, series.values[k]);
    text += ',';
    append_model_value(text, series.sigmas[k]);
    text += '\n';
    ++lines;
  }
  return text;
}

}  // namespace curve
