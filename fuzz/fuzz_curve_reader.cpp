// Fuzz target: whatever a curve file holds, read_curve_text either returns
// the curve, at least two lines of strictly increasing years, or throws a
// CurveFileError that names the file.
//
// The first byte chooses what the rest is: 0, a whole file, checked for
// those properties alone; any other, the curve lines below a well-formed
// header, held against a reading of the same bytes made here: the lines
// split at line feeds, blank lines at the end dropped, each line cut into
// its seven fields by their widths, and each field's value by the C
// library's conversion, NaN, infinities and asterisks being gaps.

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "curve/curve_reader.hpp"
#include "fuzz/fuzz_support.hpp"

namespace {

constexpr std::string_view FILE_NAME = "curve.dat";

const std::string HEADER =
    "      KARVEN.EU.26 Regional Archaeomagnetic Model\n"
    "          for Europe for the last 2000 years\n"
    " \n \n \n \n \n \n \n \n \n"
    "   Geodetic Latitude  Geodetic Longitud\n"
    "          48.85           2.35\n"
    " \n"
    "                       *Errors at 95% of confidence\n"
    " \n"
    "Time(yrs) Dec.(deg) Inc.(deg) Int.(microT) eDec.(deg) eInc.(deg) eInt(microT)\n";

constexpr std::array<std::size_t, 7> WIDTHS = {7, 10, 10, 10, 13, 11, 11};

bool is_blank_line(std::string_view line) {
  return line.find_first_not_of(' ') == std::string_view::npos;
}

// A field's value: a number, a gap (NaN), or nothing when the field is
// neither.
std::optional<double> field_value(std::string_view field, bool year) {
  std::size_t start = 0;
  while (start < field.size() && field[start] == ' ') ++start;
  const std::string_view token = field.substr(start);
  if (const auto number = fuzz::reference_number(token, /*console_form=*/false)) return number;
  if (year) return std::nullopt;
  const bool stars = !token.empty() && token.find_first_not_of('*') == std::string_view::npos;
  const auto special = fuzz::special_number(token);
  if (stars || special) return std::numeric_limits<double>::quiet_NaN();
  return std::nullopt;
}

struct Expected {
  bool read = false;
  std::size_t failing_line = 0;  // of the file; 0: the file as a whole
  std::vector<std::array<double, 7>> points;
};

Expected expected_lines(std::string_view lines_text) {
  Expected e;
  std::vector<std::string_view> lines;
  for (std::size_t start = 0; start < lines_text.size();) {
    std::size_t end = lines_text.find('\n', start);
    if (end == std::string_view::npos) end = lines_text.size();
    std::string_view line = lines_text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    start = end + 1;
  }
  while (!lines.empty() && is_blank_line(lines.back())) lines.pop_back();
  for (std::size_t k = 0; k < lines.size(); ++k) {
    const std::size_t line_number = 17 + k + 1;
    const std::string_view line = lines[k];
    if (line.size() != 72) {
      e.failing_line = line_number;
      return e;
    }
    std::array<double, 7> point{};
    std::size_t at = 0;
    for (std::size_t i = 0; i < WIDTHS.size(); ++i) {
      const std::optional<double> value = field_value(line.substr(at, WIDTHS[i]), i == 0);
      if (!value || (i == 0 && !std::isfinite(*value))) {
        e.failing_line = line_number;
        return e;
      }
      point[i] = std::isfinite(*value) ? *value : std::numeric_limits<double>::quiet_NaN();
      at += WIDTHS[i];
    }
    if (!e.points.empty() && !(point[0] > e.points.back()[0])) {
      e.failing_line = line_number;
      return e;
    }
    e.points.push_back(point);
  }
  e.read = e.points.size() >= 2;
  return e;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const bool whole_file = data[0] == 0;
  const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::string text = whole_file ? std::string(rest) : HEADER + std::string(rest);

  std::optional<curve::Curve> curve;
  std::string message;
  try {
    curve = curve::read_curve_text(text, FILE_NAME);
  } catch (const curve::CurveFileError& e) {
    message = e.what();
  }

  if (curve) {
    fuzz::check(curve->points.size() >= curve::MIN_CURVE_LINES, "a curve has two lines or more");
    for (std::size_t k = 1; k < curve->points.size(); ++k) {
      fuzz::check(curve->points[k].year > curve->points[k - 1].year, "the years increase");
    }
    for (const curve::CurvePoint& point : curve->points) {
      fuzz::check(std::isfinite(point.year), "every line has a finite year");
      for (const double value : point.values) {
        fuzz::check(std::isfinite(value) || std::isnan(value), "a gap is a NaN, never infinite");
      }
    }
    fuzz::check(std::isfinite(curve->latitude) && std::isfinite(curve->longitude),
                "the site is finite");
  } else {
    fuzz::check(message.starts_with(std::string(FILE_NAME) + " ") ||
                    message.starts_with(std::string(FILE_NAME) + ","),
                "the error names the file");
  }
  if (whole_file) return 0;

  const Expected expected = expected_lines(rest);
  fuzz::check(curve.has_value() == expected.read, "a file is read exactly when its lines are");
  if (curve) {
    fuzz::check(curve->model == "KARVEN.EU.26", "the model's name is the title's");
    fuzz::check(curve->latitude == 48.85 && curve->longitude == 2.35,
                "the site is the site line's");
    fuzz::check(curve->points.size() == expected.points.size(), "every curve line is a point");
    for (std::size_t k = 0; k < expected.points.size(); ++k) {
      fuzz::check(fuzz::same_number(curve->points[k].year, expected.points[k][0]),
                  "each year is its field's");
      for (std::size_t i = 0; i < 6; ++i) {
        fuzz::check(fuzz::same_number(curve->points[k].values[i], expected.points[k][i + 1]),
                    "each value is its field's, a gap NaN");
      }
    }
  } else if (expected.failing_line > 0) {
    fuzz::check(message.starts_with(std::string(FILE_NAME) + ", line " +
                                    std::to_string(expected.failing_line) + ":") ||
                    message.starts_with(std::string(FILE_NAME) + ", line " +
                                        std::to_string(expected.failing_line) + ", columns"),
                "the error names the first line that is no curve line");
  }
  return 0;
}
