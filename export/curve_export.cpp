#include "export/curve_export.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>

#include "console/fields.hpp"
#include "curve/file_text.hpp"
#include "curve/ref_file.hpp"

namespace curve_export {

namespace {

using curve::Component;
using curve::Curve;

std::string whole_year(double year, std::string_view curve_name) {
  if (year != std::nearbyint(year) || std::fabs(year) > 1e9) {
    throw ExportError(curve::printable(curve_name) + ": the year " +
                      console::shortest_decimal(year) +
                      " is not a whole year; the export takes whole years only");
  }
  return console::shortest_decimal(year);
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

}  // namespace

std::string ref_file_name(std::string_view prefix, Component component) {
  static constexpr std::array<const char*, 3> SUFFIXES = {"_d.ref", "_i.ref", "_f.ref"};
  return std::string(prefix) + SUFFIXES[static_cast<std::size_t>(component)];
}

Export export_ref(const Curve& curve, std::string_view curve_name, std::string_view prefix) {
  Export result;
  const std::string source = curve::printable(curve_name);
  // The files go to other laboratories: the curve file's name only, not
  // the user's folders.
  const std::string file_name =
      curve::printable(std::filesystem::path(curve_name).filename().string());
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
    text += "# From the curve file " + file_name + "\n";
    for (const curve::CurvePoint& point : curve.points) {
      const double value = point.values[value_index(component)];
      const double error = point.values[error_index(component)];
      if (std::isnan(value) || std::isnan(error)) continue;
      text += whole_year(point.year, curve_name) + "," + console::shortest_decimal(value) + "," +
              console::shortest_decimal(error / curve::NORMAL_95) + "\n";
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
  std::string extension(output.substr(output.size() - std::min<std::size_t>(output.size(), 4)));
  for (char& c : extension) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  return extension == ".csv" ? std::string(output) : std::string(output) + ".csv";
}

Export export_csv(const Curve& curve, std::string_view curve_name, std::string_view file_name) {
  Export result;
  ExportFile file{std::string(file_name), std::string(CSV_HEADER) + "\n"};
  for (const curve::CurvePoint& point : curve.points) {
    file.text += whole_year(point.year, curve_name);
    for (const double value : point.values) {
      file.text += ",";
      if (!std::isnan(value)) file.text += console::shortest_decimal(value);
    }
    file.text += "\n";
  }
  const std::string source = curve::printable(curve_name);
  for (const Component component : curve::COMPONENTS) {
    const std::vector<std::size_t> missing = gaps(curve, component);
    if (!missing.empty()) {
      result.notes.push_back(
          gap_note(source, curve, component, missing,
                   "its fields are left empty in " + curve::printable(file.name)));
    }
  }
  result.files.push_back(std::move(file));
  return result;
}

}  // namespace curve_export
