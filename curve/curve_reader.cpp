#include "curve/curve_reader.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "console/fields.hpp"
#include "console/numbers.hpp"
#include "curve/file_text.hpp"

namespace curve {

namespace {

constexpr std::string_view SITE_HEADING = "   Geodetic Latitude  Geodetic Longitud";
constexpr std::string_view ERROR_HEADING = "                       *Errors at 95% of confidence";
constexpr std::string_view COLUMN_HEADING =
    "Time(yrs) Dec.(deg) Inc.(deg) Int.(microT) eDec.(deg) eInc.(deg) eInt(microT)";
constexpr std::string_view TITLE_TAIL = "Regional Archaeomagnetic Model";

constexpr std::array<const char*, 7> FIELD_NAMES = {"year",
                                                    "declination",
                                                    "inclination",
                                                    "intensity",
                                                    "error of declination",
                                                    "error of inclination",
                                                    "error of intensity"};

std::string_view trim_right(std::string_view text) {
  const std::size_t end = text.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
}

std::string_view trim_left(std::string_view text) {
  const std::size_t start = text.find_first_not_of(' ');
  return start == std::string_view::npos ? std::string_view() : text.substr(start);
}

bool is_blank(std::string_view line) { return trim_right(line).empty(); }

class LineReader {
 public:
  explicit LineReader(std::string_view name) : name_(name) {}

  [[noreturn]] void fail_at(std::size_t line_number, const std::string& what) const {
    throw CurveFileError(std::string(name_) + ", line " + std::to_string(line_number) + ": " +
                         what + "; not a curve file");
  }

  [[noreturn]] void fail_at_field(std::size_t line_number, std::size_t first_column,
                                  std::size_t last_column, const std::string& what) const {
    throw CurveFileError(std::string(name_) + ", line " + std::to_string(line_number) +
                         ", columns " + std::to_string(first_column) + "-" +
                         std::to_string(last_column) + ": " + what + "; not a curve file");
  }

  // The model's name from the title line: one word of letters, digits,
  // points, hyphens or underscores, then the fixed tail. The name goes into
  // the figure's title, so nothing else is let through.
  std::string model_name(std::string_view line) const {
    const std::string_view text = trim_left(trim_right(line));
    const std::size_t blank = text.find(' ');
    const std::string_view name = text.substr(0, blank);
    const bool name_ok = !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
      return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
             c == '.' || c == '-' || c == '_';
    });
    if (!name_ok || blank == std::string_view::npos ||
        trim_left(text.substr(blank)) != TITLE_TAIL) {
      fail_at(1, "expected the model's title, as \"KARVEN.EU.26 " + std::string(TITLE_TAIL) + "\"");
    }
    return std::string(name);
  }

  void expect_blank(std::string_view line, std::size_t line_number) const {
    if (!is_blank(line)) fail_at(line_number, "expected a blank line");
  }

  void expect_heading(std::string_view line, std::size_t line_number, std::string_view heading,
                      const char* what) const {
    if (trim_right(line) != heading) {
      fail_at(line_number, std::string("expected ") + what + " \"" + std::string(heading) + "\"");
    }
  }

  // Two numbers, the site's latitude and longitude, and nothing else.
  void site(std::string_view line, double& latitude, double& longitude) const {
    std::vector<double> values;
    for (std::string_view rest = trim_left(line); !rest.empty(); rest = trim_left(rest)) {
      const std::size_t end = std::min(rest.find(' '), rest.size());
      const std::optional<double> value =
          console::parse_real(rest.substr(0, end), console::NumberForm::decimal);
      if (!value || !std::isfinite(*value) || values.size() == 2) {
        values.clear();
        break;
      }
      values.push_back(*value);
      rest.remove_prefix(end);
    }
    if (values.size() != 2) fail_at(13, "expected the site's latitude and longitude");
    latitude = values[0];
    longitude = values[1];
  }

  CurvePoint curve_line(std::string_view line, std::size_t line_number) const {
    if (line.size() != static_cast<std::size_t>(CURVE_LINE_WIDTH)) {
      fail_at(line_number, "a curve line holds " + std::to_string(CURVE_LINE_WIDTH) +
                               " characters, this one " + std::to_string(line.size()));
    }
    CurvePoint point;
    std::size_t start = 0;
    for (std::size_t i = 0; i < CURVE_FIELD_WIDTHS.size(); ++i) {
      const auto width = static_cast<std::size_t>(CURVE_FIELD_WIDTHS[i]);
      const std::string_view field = line.substr(start, width);
      // The number stands at the right end of its field: a blank after it
      // means the columns are not those of a curve line.
      const std::string_view token = trim_left(field);
      double value = std::numeric_limits<double>::quiet_NaN();
      if (const auto number = console::parse_real(token, console::NumberForm::decimal)) {
        value = *number;
      } else if (i == 0 || !is_gap(token)) {
        fail_at_field(line_number, start + 1, start + width,
                      std::string("the ") + FIELD_NAMES[i] + " field \"" + printable(field) +
                          "\" holds no number");
      }
      if (i == 0) {
        // The epoch places every other value: a curve line without one
        // has no place in the figure.
        if (!std::isfinite(value)) {
          fail_at_field(line_number, start + 1, start + width,
                        "the year field \"" + printable(field) + "\" holds no year");
        }
        point.year = value;
      } else {
        point.values[i - 1] =
            std::isfinite(value) ? value : std::numeric_limits<double>::quiet_NaN();
      }
      start += width;
    }
    return point;
  }

 private:
  // A field that stands for a value the run could not compute or print:
  // NaN or an infinity in any case and sign, or asterisks, which fill a
  // field whose value does not fit.
  static bool is_gap(std::string_view token) {
    if (!token.empty() && token.find_first_not_of('*') == std::string_view::npos) return true;
    const std::optional<double> value = console::parse_real(token, console::NumberForm::console);
    return value && !std::isfinite(*value);
  }

  std::string_view name_;
};

}  // namespace

Curve read_curve_text(std::string_view text, std::string_view name) {
  if (text.empty()) throw CurveFileError(std::string(name) + " is empty; not a curve file");
  std::vector<std::string_view> lines = split_lines(text);
  const LineReader reader(name);

  // Each header line that the file holds is checked before a short file is
  // reported, so that a file of another kind is named as such.
  Curve curve;
  const auto holds = [&lines](std::size_t line_number) { return lines.size() >= line_number; };
  curve.model = reader.model_name(lines[0]);
  if (holds(11)) reader.expect_blank(lines[10], 11);
  if (holds(12)) reader.expect_heading(lines[11], 12, SITE_HEADING, "the site heading");
  if (holds(13)) reader.site(lines[12], curve.latitude, curve.longitude);
  if (holds(14)) reader.expect_blank(lines[13], 14);
  if (holds(15)) reader.expect_heading(lines[14], 15, ERROR_HEADING, "the heading");
  if (holds(16)) reader.expect_blank(lines[15], 16);
  if (holds(17)) reader.expect_heading(lines[16], 17, COLUMN_HEADING, "the column heading");
  const auto header = static_cast<std::size_t>(CURVE_HEADER_LINES);
  if (!holds(header)) {
    throw CurveFileError(std::string(name) + " ends after line " + std::to_string(lines.size()) +
                         ", inside the " + std::to_string(header) +
                         "-line header; not a curve file");
  }

  // Blank lines that an editor may leave at the end are no curve lines.
  while (lines.size() > header && is_blank(lines.back())) lines.pop_back();

  for (std::size_t k = header; k < lines.size(); ++k) {
    const CurvePoint point = reader.curve_line(lines[k], k + 1);
    if (!curve.points.empty() && !(point.year > curve.points.back().year)) {
      reader.fail_at(k + 1, "the year " + console::shortest_text(point.year) +
                                " does not follow the year " +
                                console::shortest_text(curve.points.back().year));
    }
    curve.points.push_back(point);
  }
  if (curve.points.size() < MIN_CURVE_LINES) {
    const std::size_t n = curve.points.size();
    throw CurveFileError(std::string(name) + " holds " + std::to_string(n) + " curve line" +
                         (n == 1 ? "" : "s") + " after its header; a figure needs at least " +
                         std::to_string(MIN_CURVE_LINES));
  }
  return curve;
}

std::string early_end_note(const Curve& curve, std::string_view name) {
  if (curve.points.empty() || !(curve.points.back().year < CURVE_LAST_YEAR)) return "";
  return std::string(name) + ": the curve ends early, at the year " +
         console::shortest_text(curve.points.back().year) + ", not " +
         console::shortest_text(CURVE_LAST_YEAR) + " (" + std::to_string(curve.points.size()) +
         " of " + std::to_string(CURVE_EPOCHS) +
         " epochs): a run that did not finish, or a file cut short";
}

Curve read_curve_file(const std::filesystem::path& path) {
  std::string text;
  try {
    text = read_file_text(path, MAX_CURVE_FILE_BYTES);
  } catch (const FileReadError& error) {
    throw CurveFileError(error.what());
  }
  if (text.size() > MAX_CURVE_FILE_BYTES) {
    throw CurveFileError(console::shown_text(path.string()) +
                         " is longer than any curve file (more than " +
                         std::to_string(MAX_CURVE_FILE_BYTES) + " bytes); not a curve file");
  }
  return read_curve_text(text, console::shown_text(path.string()));
}

}  // namespace curve
