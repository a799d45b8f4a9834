#include "radiocarbon/calibration_curve.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <utility>

#include "bundled/bundled_data.hpp"
#include "console/numbers.hpp"
#include "curve/file_text.hpp"

namespace radiocarbon {

namespace {

/// The comma-separated fields of a row, blanks around each trimmed.
std::vector<std::string_view> fields_of(std::string_view line) {
  std::vector<std::string_view> fields;
  auto trimmed = [](std::string_view f) {
    while (!f.empty() && (f.front() == ' ' || f.front() == '\t')) f.remove_prefix(1);
    while (!f.empty() && (f.back() == ' ' || f.back() == '\t')) f.remove_suffix(1);
    return f;
  };
  std::size_t start = 0;
  for (std::size_t comma; (comma = line.find(',', start)) != std::string_view::npos;
       start = comma + 1) {
    fields.push_back(trimmed(line.substr(start, comma - start)));
  }
  fields.push_back(trimmed(line.substr(start)));
  return fields;
}

bool blank(std::string_view line) {
  return std::all_of(line.begin(), line.end(), [](char c) { return c == ' ' || c == '\t'; });
}

/// File content in a message, between double quotes, every byte shown.
std::string quoted(std::string_view text) { return '"' + curve::printable(text) + '"'; }

std::string lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace

CalibrationCurve read_curve_text(std::string_view text, std::string_view name) {
  const std::string file(name);
  auto fault = [&](std::size_t line, const std::string& what) {
    return CurveFileError(file + ", line " + std::to_string(line) + ": " + what);
  };
  static constexpr const char* COLUMN[3] = {"cal BP", "14C age", "sigma"};

  std::vector<std::pair<double, std::size_t>> cal_bp;  // with its line
  CalibrationCurve curve;
  curve.name = file;
  const std::vector<std::string_view> lines = curve::split_lines(text);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::size_t number = i + 1;
    std::string_view line = lines[i];
    if (line.starts_with('#') || blank(line)) continue;
    const std::vector<std::string_view> fields = fields_of(line);
    if (fields.size() < 3) {
      throw fault(number,
                  "a row holds cal BP, 14C age and sigma, comma-separated; found " + quoted(line));
    }
    double values[3];
    for (int k = 0; k < 3; ++k) {
      const std::optional<double> v =
          console::parse_real(fields[static_cast<std::size_t>(k)], console::NumberForm::decimal);
      if (!v || !std::isfinite(*v)) {
        throw fault(number, std::string("the ") + COLUMN[k] + " is not a finite number: " +
                                quoted(fields[static_cast<std::size_t>(k)]));
      }
      values[k] = *v;
    }
    if (!(values[2] > 0.0)) {
      throw fault(number, "the sigma must be positive: " + quoted(fields[2]));
    }
    if (cal_bp.size() >= 2) {
      const bool descending = cal_bp[1].first < cal_bp[0].first;
      const double previous = cal_bp.back().first;
      if (descending ? !(values[0] < previous) : !(values[0] > previous)) {
        throw fault(number, "cal BP " + quoted(fields[0]) + " does not continue the " +
                                (descending ? "decreasing" : "increasing") +
                                " order of the rows before it (line " +
                                std::to_string(cal_bp.back().second) + ")");
      }
    } else if (cal_bp.size() == 1 && values[0] == cal_bp[0].first) {
      throw fault(number, "cal BP " + quoted(fields[0]) + " repeats line " +
                              std::to_string(cal_bp[0].second));
    }
    cal_bp.emplace_back(values[0], number);
    curve.years.push_back(1950.0 - values[0]);
    curve.ages.push_back(values[1]);
    curve.sigmas.push_back(values[2]);
  }
  if (cal_bp.size() < 2) {
    throw CurveFileError(file + " holds " + std::to_string(cal_bp.size()) +
                         (cal_bp.size() == 1 ? " row" : " rows") +
                         "; a calibration curve needs at least two");
  }
  if (curve.years.front() > curve.years.back()) {  // oldest first, as published
    std::reverse(curve.years.begin(), curve.years.end());
    std::reverse(curve.ages.begin(), curve.ages.end());
    std::reverse(curve.sigmas.begin(), curve.sigmas.end());
  }
  return curve;
}

CalibrationCurve read_curve_file(const std::filesystem::path& path) {
  const std::string name = console::shown_text(path.string());
  std::string text;
  try {
    text = curve::read_file_text(path, MAX_CURVE_FILE_BYTES);
  } catch (const curve::FileReadError& e) {
    throw CurveFileError(e.what());
  }
  if (text.size() > MAX_CURVE_FILE_BYTES) {
    throw CurveFileError(name + " is larger than " + std::to_string(MAX_CURVE_FILE_BYTES >> 20) +
                         " MB; not a calibration curve");
  }
  return read_curve_text(text, name);
}

const std::vector<CatalogueEntry>& catalogue() {
  static const std::vector<CatalogueEntry> entries = {
      {"intcal20", "intcal20.14c", "IntCal20",
       "Reimer, P. J. et al. (2020): The IntCal20 Northern Hemisphere radiocarbon age "
       "calibration curve (0-55 cal kBP). Radiocarbon 62(4), 725-757, doi:10.1017/RDC.2020.41"},
      {"shcal20", "shcal20.14c", "SHCal20",
       "Hogg, A. G. et al. (2020): SHCal20 Southern Hemisphere calibration, 0-55,000 years cal "
       "BP. Radiocarbon 62(4), 759-778, doi:10.1017/RDC.2020.59"},
      {"marine20", "marine20.14c", "Marine20",
       "Heaton, T. J. et al. (2020): Marine20 - the marine radiocarbon age calibration curve "
       "(0-55,000 cal BP). Radiocarbon 62(4), 779-820, doi:10.1017/RDC.2020.68"},
  };
  return entries;
}

std::optional<CatalogueEntry> catalogue_entry(std::string_view name) {
  const std::string key = lower(name);
  for (const CatalogueEntry& entry : catalogue()) {
    if (entry.key == key) return entry;
  }
  return std::nullopt;
}

CalibrationCurve load_curve(std::string_view name_or_path, const std::filesystem::path& extra) {
  const std::optional<CatalogueEntry> entry = catalogue_entry(name_or_path);
  if (!entry) return read_curve_file(std::filesystem::path(name_or_path));
  const std::optional<std::filesystem::path> path =
      bundled::find_data_file("radiocarbon", entry->file, extra);
  if (!path) {
    throw CurveFileError("the bundled curve " + entry->name + " (" + entry->file +
                         ") is not found; set KARVEN_DATA to the folder that holds radiocarbon/");
  }
  CalibrationCurve curve = read_curve_file(*path);
  curve.name = entry->name;
  curve.citation = entry->citation;
  return curve;
}

}  // namespace radiocarbon
