#include "python/reading.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "curve/curve_reader.hpp"
#include "curve/ref_file.hpp"
#include "curve/reference_curve.hpp"

namespace karven_python {

Curve curve_of_file(const curve::Curve& read, const std::string& origin) {
  Curve result;
  result.model = read.model;
  result.latitude = read.latitude;
  result.longitude = read.longitude;
  result.source = curve_source(read.model, read.latitude, read.longitude, origin);
  std::vector<double> years;
  std::array<std::vector<double>, 6> values;
  for (const curve::CurvePoint& point : read.points) {
    years.push_back(point.year);
    for (std::size_t q = 0; q < values.size(); ++q) values[q].push_back(point.values[q]);
  }
  result.year = frozen(years);
  for (std::size_t q = 0; q < values.size(); ++q) result.quantities[q] = frozen(values[q]);
  result.reference = std::make_shared<const curve::ReferenceCurve>(curve::reference_curve(read));
  return result;
}

// A curve of .ref files: one year axis for the arrays, the years of all
// files; a component is NaN at a year its file has no line for. Dating
// takes each file's own lines.
Curve curve_of_ref_files(curve::LoadedReference loaded) {
  Curve result;
  result.source = loaded.curve.source;
  result.notes = std::move(loaded.notes);
  // The site their comment line gives, when it does.
  if (loaded.curve.site) {
    result.latitude = loaded.curve.site->latitude;
    result.longitude = loaded.curve.site->longitude;
  }
  std::set<double> all_years;
  for (const Component c : curve::COMPONENTS) {
    if (loaded.curve[c])
      all_years.insert(loaded.curve[c]->years.begin(), loaded.curve[c]->years.end());
  }
  const std::vector<double> years(all_years.begin(), all_years.end());
  result.year = frozen(years);
  for (const Component c : curve::COMPONENTS) {
    const auto index = static_cast<std::size_t>(c);
    result.quantities[index] = py::none();
    result.quantities[index + 3] = py::none();
    if (!loaded.curve[c]) continue;
    const curve::ComponentSeries& series = *loaded.curve[c];
    std::vector<double> values(years.size(), std::nan(""));
    std::vector<double> errors(years.size(), std::nan(""));
    for (std::size_t k = 0; k < series.years.size(); ++k) {
      const auto at = static_cast<std::size_t>(
          std::lower_bound(years.begin(), years.end(), series.years[k]) - years.begin());
      values[at] = series.values[k];
      // A .ref file holds one standard deviation; the curve's arrays hold
      // 95% errors, as a curve file does.
      errors[at] = series.sigmas[k] * curve::NORMAL_95;
    }
    result.quantities[index] = frozen(values);
    result.quantities[index + 3] = frozen(errors);
  }
  result.reference = std::make_shared<const curve::ReferenceCurve>(std::move(loaded.curve));
  return result;
}

Curve read_curve(const std::filesystem::path& path) {
  try {
    return curve_of_file(curve::read_curve_file(path), path.string());
  } catch (const curve::CurveFileError& e) {
    raise_file_error(e.what());
  }
}

Curve read_ref(const std::optional<std::filesystem::path>& declination,
               const std::optional<std::filesystem::path>& inclination,
               const std::optional<std::filesystem::path>& intensity) {
  if (!declination && !inclination && !intensity) {
    throw InputError(
        "read_ref: give the .ref file of at least one component "
        "(declination=, inclination= or intensity=)");
  }
  curve::LoadedReference loaded;
  try {
    loaded = curve::load_ref_files({declination, inclination, intensity});
  } catch (const curve::RefFileError& e) {
    raise_file_error(e.what());
  }
  // What the reader noted, karven-date says on standard error: here a
  // warning each.
  for (const std::string& note : loaded.notes) {
    if (PyErr_WarnEx(PyExc_UserWarning, note.c_str(), 1) != 0) throw py::error_already_set();
  }
  return curve_of_ref_files(std::move(loaded));
}

}  // namespace karven_python
