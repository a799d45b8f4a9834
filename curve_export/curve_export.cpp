#include "curve_export/curve_export.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>

#include "companion/output_file.hpp"
#include "console/fields.hpp"
#include "console/numbers.hpp"
#include "curve/curve_tables.hpp"
#include "curve/file_text.hpp"
#include "curve/ref_file.hpp"
#include "curve/site_text.hpp"
#include "driver/curve_file.hpp"
#include "geomodel/field.hpp"

namespace curve_export {

namespace {

using curve::Component;
using curve::Curve;

// The year as a whole number, appended to a text.
void append_whole_year(std::string& text, double year, const CurveOrigin& origin) {
  if (year != std::nearbyint(year) || std::fabs(year) > 1e9) {
    throw ExportError(origin.name + ": the year " + console::shortest_decimal(year) +
                      " is not a whole year; the export takes whole years only");
  }
  console::append_shortest_decimal(text, year);
}

// A file's extension in lower case: ".CSV" gives ".csv".
std::string lower_extension(std::string_view output, std::size_t length) {
  std::string extension(output.substr(output.size() - std::min(output.size(), length)));
  for (char& c : extension) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  return extension;
}

// The years listed in a note: runs of consecutive epochs as "1200-1210".
std::string year_list(const std::vector<std::size_t>& indices, const Curve& curve) {
  std::string text;
  for (std::size_t k = 0; k < indices.size();) {
    std::size_t last = k;
    while (last + 1 < indices.size() && indices[last + 1] == indices[last] + 1) ++last;
    if (!text.empty()) text += ", ";
    text += console::shortest_decimal(curve.points[indices[k]].year);
    if (last > k) {
      text += "-";
      text += console::shortest_decimal(curve.points[indices[last]].year);
    }
    k = last + 1;
  }
  return text;
}

std::size_t value_index(Component component) { return static_cast<std::size_t>(component); }
std::size_t error_index(Component component) { return static_cast<std::size_t>(component) + 3; }

const char* unit(Component component) {
  return component == Component::intensity ? "microtesla" : "degrees";
}

// The epochs at which a component has no value or no error.
std::vector<std::size_t> gaps(const Curve& curve, Component component) {
  std::vector<std::size_t> indices;
  for (std::size_t k = 0; k < curve.points.size(); ++k) {
    const auto& values = curve.points[k].values;
    if (std::isnan(values[value_index(component)]) || std::isnan(values[error_index(component)])) {
      indices.push_back(k);
    }
  }
  return indices;
}

std::string gap_note(std::string_view curve_name, const Curve& curve, Component component,
                     const std::vector<std::size_t>& indices, const std::string& consequence) {
  const std::size_t n = indices.size();
  return std::string(curve_name) + ": the " + curve::component_name(component) +
         " has no value at " + (n == 1 ? "the year " : std::to_string(n) + " epochs, ") +
         year_list(indices, curve) + "; " + consequence;
}

// How notes name a table: its file, or standard output ("-").
std::string table_shown(std::string_view table_name) {
  return companion::is_standard_output(table_name) ? "the table on standard output"
                                                   : curve::printable(table_name);
}

// The notes of the components that have gaps in a table.
void add_table_notes(std::vector<std::string>& notes, const Curve& curve, const CurveOrigin& origin,
                     std::string_view table_name) {
  for (const Component component : curve::COMPONENTS) {
    const std::vector<std::size_t> missing = gaps(curve, component);
    if (!missing.empty()) {
      notes.push_back(gap_note(origin.name, curve, component, missing,
                               "its fields are left empty in " + table_shown(table_name)));
    }
  }
}

// Appends a row of the table for each epoch, each starting with the same
// text; a gap is an empty field.
void append_rows(std::string& text, std::string_view row_start, const Curve& curve,
                 const CurveOrigin& origin) {
  // About 45 bytes a row after its start.
  text.reserve(text.size() + curve.points.size() * (row_start.size() + 48));
  for (const curve::CurvePoint& point : curve.points) {
    text += row_start;
    append_whole_year(text, point.year, origin);
    for (const double value : point.values) {
      text += ',';
      if (!std::isnan(value)) console::append_shortest_decimal(text, value);
    }
    text += '\n';
  }
}

}  // namespace

std::string ref_file_name(std::string_view prefix, Component component) {
  static constexpr std::array<const char*, 3> SUFFIXES = {"_d.ref", "_i.ref", "_f.ref"};
  return std::string(prefix) + SUFFIXES[static_cast<std::size_t>(component)];
}

CurveOrigin curve_file_origin(std::string_view curve_path) {
  // The files go to other laboratories: the curve file's name only, not
  // the user's folders.
  return {curve::printable(curve_path),
          "From the curve file " +
              curve::printable(std::filesystem::path(curve_path).filename().string())};
}

CurveOrigin model_origin(std::string_view model_path, const Curve& curve) {
  return {curve::printable(model_path) + " at " + curve::site_text(curve.latitude, curve.longitude),
          "From the coefficient file " +
              curve::printable(std::filesystem::path(model_path).filename().string())};
}

Export export_ref(const Curve& curve, std::string_view curve_name, std::string_view prefix) {
  return export_ref(curve, curve_file_origin(curve_name), prefix);
}

Export export_ref(const Curve& curve, const CurveOrigin& origin, std::string_view prefix) {
  Export result;
  const std::string& source = origin.name;
  for (const Component component : curve::COMPONENTS) {
    ExportFile file{ref_file_name(prefix, component), {}};
    const std::vector<std::size_t> missing = gaps(curve, component);
    if (curve.points.size() - missing.size() < curve::MIN_REF_POINTS) {
      const std::size_t n = curve.points.size() - missing.size();
      result.failures.push_back(source + ": the " + curve::component_name(component) + " has " +
                                (n == 0 ? "no value at any epoch" : "a value at one epoch only") +
                                ", and a reference curve needs " +
                                std::to_string(curve::MIN_REF_POINTS) + "; " +
                                curve::printable(file.name) + " is not written");
      continue;
    }
    std::string& text = file.text;
    text += "# " + curve.model +
            " palaeosecular variation curve: " + curve::component_name(component) + "\n";
    text += "# " + curve::site_comment({curve.latitude, curve.longitude}) + "\n";
    text += "# Component: " + std::string(curve::component_name(component)) + ", in " +
            unit(component) + "\n";
    text += "# Columns: year (AD), value, sigma\n";
    text += "# sigma is one standard deviation: the curve's 95% error divided by 1.96\n";
    text += "# " + origin.comment + "\n";
    for (const curve::CurvePoint& point : curve.points) {
      const double value = point.values[value_index(component)];
      const double error = point.values[error_index(component)];
      if (std::isnan(value) || std::isnan(error)) continue;
      append_whole_year(text, point.year, origin);
      text += ',';
      console::append_shortest_decimal(text, value);
      text += ',';
      console::append_shortest_decimal(text, error / curve::NORMAL_95);
      text += '\n';
    }
    if (!missing.empty()) {
      result.notes.push_back(gap_note(
          source, curve, component, missing,
          "left out of " + curve::printable(file.name) +
              ", and the chronology tools interpolate across missing years without a word"));
    }
    result.files.push_back(std::move(file));
  }
  return result;
}

std::string csv_file_name(std::string_view output) {
  if (companion::is_standard_output(output)) return std::string(output);
  return lower_extension(output, 4) == ".csv" ? std::string(output) : std::string(output) + ".csv";
}

std::string dat_file_name(std::string_view output) {
  if (companion::is_standard_output(output)) return std::string(output);
  return lower_extension(output, 4) == ".dat" ? std::string(output) : std::string(output) + ".dat";
}

Export export_csv(const Curve& curve, std::string_view curve_name, std::string_view file_name) {
  return export_csv(curve, curve_file_origin(curve_name), file_name);
}

Export export_csv(const Curve& curve, const CurveOrigin& origin, std::string_view file_name) {
  Export result;
  ExportFile file{std::string(file_name), std::string(CSV_HEADER) + "\n"};
  append_rows(file.text, {}, curve, origin);
  add_table_notes(result.notes, curve, origin, file_name);
  result.files.push_back(std::move(file));
  return result;
}

std::string curve_file_text(const model::SiteCurve& site_curve) {
  std::string text;
  const auto add = [&text](std::string_view line) {
    text += line;
    text += '\n';
  };
  for (const std::string_view line : driver::TITLE_BLOCK) add(line);
  for (const std::string_view line : driver::SITE_HEADING) add(line);
  add(driver::site_line(site_curve.latitude, site_curve.longitude));
  for (const std::string_view line : driver::CURVE_HEADINGS) add(line);
  for (const model::CurveValues& v : site_curve.epochs) {
    add(driver::curve_line(v.year, v.declination, v.inclination, v.intensity, v.declination_error,
                           v.inclination_error, v.intensity_error));
  }
  return text;
}

std::string csv_field(std::string_view text) {
  const bool quoted = text.find_first_of(",\"\r\n") != std::string_view::npos ||
                      (!text.empty() && (text.front() == ' ' || text.front() == '\t' ||
                                         text.back() == ' ' || text.back() == '\t'));
  if (!quoted) return std::string(text);
  std::string field = "\"";
  for (const char c : text) {
    field += c;
    if (c == '"') field += '"';
  }
  return field + "\"";
}

std::vector<std::string> append_site_rows(std::string& text, std::string_view name_field,
                                          const Curve& curve, const CurveOrigin& origin,
                                          std::string_view table_name) {
  std::string row_start(name_field);
  row_start += ',';
  console::append_shortest_decimal(row_start, curve.latitude);
  row_start += ',';
  console::append_shortest_decimal(row_start, curve.longitude);
  row_start += ',';
  append_rows(text, row_start, curve, origin);
  std::vector<std::string> notes;
  add_table_notes(notes, curve, origin, table_name);
  return notes;
}

std::string model_csv_comment(std::string_view source, const std::optional<curve::Site>& site,
                              bool errors) {
  std::string comment = "# " + curve::printable(source);
  if (site) comment += " at " + curve::site_text(site->latitude, site->longitude);
  return comment + (errors ? "; errors: 95%, 1.96 times the sigma given with --model-sigma"
                           : "; no errors: the model gives none");
}

namespace {

// Whether a component has no value at any year: the declination at a
// geographic pole.
bool without_values(const curve::ReferenceCurve& curve, Component component) {
  const auto& values = curve[component]->values;
  return std::all_of(values.begin(), values.end(), [](double v) { return std::isnan(v); });
}

// The model's name and the site, as notes name a curve.
std::string site_name(const curve::ReferenceCurve& curve, std::string_view title) {
  return curve::printable(title) +
         (curve.site ? " at " + curve::site_text(curve.site->latitude, curve.site->longitude) : "");
}

}  // namespace

Export export_model_csv(const curve::ReferenceCurve& curve, std::string_view title,
                        std::string_view file_name) {
  Export result;
  ExportFile file{std::string(file_name),
                  model_csv_comment(curve.source, curve.site, curve::has_sigmas(curve)) + "\n" +
                      curve::curve_table_header(curve::has_sigmas(curve)) + "\n"};
  curve::append_curve_table_rows(file.text, {}, curve);
  if (without_values(curve, Component::declination)) {
    result.notes.push_back(site_name(curve, title) +
                           ": the declination is undefined at a geographic pole; its fields are "
                           "left empty in " +
                           table_shown(file_name));
  }
  result.files.push_back(std::move(file));
  return result;
}

Export export_model_ref(const curve::ReferenceCurve& curve, std::string_view title,
                        std::string_view prefix) {
  Export result;
  for (const Component component : curve::COMPONENTS) {
    ExportFile file{ref_file_name(prefix, component), {}};
    std::size_t lines = 0;
    file.text = curve::model_ref_text(curve, component, title, lines);
    if (lines < curve::MIN_REF_POINTS) {
      result.failures.push_back(
          site_name(curve, title) + ": the " + curve::component_name(component) + " has " +
          (lines == 0 ? "no value at any year" : "a value at one year only") +
          (without_values(curve, component) ? " (undefined at a pole)" : "") +
          ", and a reference curve needs " + std::to_string(curve::MIN_REF_POINTS) + "; " +
          curve::printable(file.name) + " is not written");
      continue;
    }
    result.files.push_back(std::move(file));
  }
  return result;
}

std::string dipole_table(const geomodel::SplineModel& model, std::span<const double> years,
                         std::string_view source) {
  std::string text = "# The dipole of " + curve::printable(source) +
                     ": moment in 10^22 A m^2, the geomagnetic north pole in geocentric degrees "
                     "(east positive)\n";
  text += DIPOLE_CSV_HEADER;
  text += '\n';
  std::vector<double> gauss(static_cast<std::size_t>(geomodel::coefficient_count(model.degree)));
  for (const double year : years) {
    geomodel::gauss_coefficients(model, year, gauss);
    const geomodel::Dipole dipole = geomodel::dipole(gauss);
    console::append_shortest_decimal(text, year);
    for (const double value : {dipole.moment, dipole.pole_latitude, dipole.pole_longitude}) {
      text += ',';
      curve::append_model_value(text, value);
    }
    text += '\n';
  }
  return text;
}

}  // namespace curve_export
