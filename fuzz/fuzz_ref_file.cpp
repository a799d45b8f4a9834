// Fuzz target: whatever a .ref file holds, read_ref_text either returns a
// reference curve of at least two points, years strictly increasing, each
// point a value with a sigma not negative or a gap, or throws a RefFileError
// that names the file.
//
// Each result is held against a reading of the same bytes made here: the
// lines split at LF, comments and the end of the curve found by searching
// each line, the data lines split at commas, and each field's value by the
// C library's conversion.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "curve/ref_file.hpp"
#include "fuzz/fuzz_support.hpp"

namespace {

constexpr std::string_view NAME = "fuzz.ref";

struct Expected {
  bool refused = false;
  std::size_t refused_line = 0;  // 0: refused for the file as a whole
  std::vector<double> years, values, sigmas;
  std::size_t notes = 0;
  std::optional<std::pair<double, double>> site;
};

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

std::string lower(std::string_view text) {
  std::string result(text);
  for (char& c : result) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return result;
}

// The site of a site line, lower-cased and without its comment mark:
// "site: geodetic latitude LAT, longitude LON ...".
std::optional<std::pair<double, double>> site_of_line(const std::string& comment) {
  static const std::regex form(
      "site:[ \t]*geodetic latitude[ \t]*([^,]*?)[ \t]*,[ \t]*longitude[ \t]*([^ \t]*)[\\s\\S]*");
  std::smatch match;
  if (!std::regex_match(comment, match, form)) return std::nullopt;
  const auto number = [](const std::string& token) -> std::optional<double> {
    if (!fuzz::is_decimal_number(token)) return std::nullopt;
    std::string text = token;
    for (char& c : text) {
      if (c == 'd') c = 'e';
    }
    return std::strtod(text.c_str(), nullptr);
  };
  const std::optional<double> latitude = number(match[1].str());
  const std::optional<double> longitude = number(match[2].str());
  if (!latitude || !longitude || !(std::fabs(*latitude) <= 90) ||
      !(*longitude >= -180 && *longitude <= 360)) {
    return std::nullopt;
  }
  return std::pair{*latitude, *longitude};
}

Expected expected_reading(std::string_view text) {
  Expected expected;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  std::vector<std::string_view> lines;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    start = end + 1;
  }
  bool in_comment = false;
  bool site_line_seen = false;
  std::vector<std::size_t> data_lines;
  const auto refuse = [&expected](std::size_t line_number) {
    expected.refused = true;
    expected.refused_line = line_number;
    return expected;
  };
  for (std::size_t k = 0; k < lines.size(); ++k) {
    const std::string_view line = trimmed(lines[k]);
    if (in_comment) {
      if (line.find("*/") != std::string_view::npos) in_comment = false;
      continue;
    }
    const std::string words = lower(line);
    if (!data_lines.empty() && words.find("reference") != std::string::npos &&
        words.find("point") != std::string::npos) {
      ++expected.notes;
      break;
    }
    if (!line.empty() && (line[0] == '#' || line[0] == '!' || line.substr(0, 2) == "//")) {
      const std::string comment = lower(trimmed(line.substr(line[0] == '/' ? 2 : 1)));
      if (!site_line_seen && comment.rfind("site:", 0) == 0) {
        site_line_seen = true;
        expected.site = site_of_line(comment);
        if (!expected.site) ++expected.notes;
      }
      continue;
    }
    if (line.empty()) continue;
    if (line.substr(0, 2) == "/*") {
      in_comment = line.find("*/", 2) == std::string_view::npos;
      continue;
    }
    if (line.find(';') != std::string_view::npos) return refuse(k + 1);
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (std::size_t comma; (comma = line.find(',', start)) != std::string_view::npos;
         start = comma + 1) {
      fields.push_back(trimmed(line.substr(start, comma - start)));
    }
    fields.push_back(trimmed(line.substr(start)));
    while (fields.size() > 1 && fields.back().empty()) fields.pop_back();
    if (fields.size() != 3) return refuse(k + 1);
    const std::optional<double> year = fuzz::reference_number(fields[0], false);
    if (!year || !(std::fabs(*year) <= curve::MAX_REF_YEAR)) return refuse(k + 1);
    if (!expected.years.empty() && !(*year > expected.years.back())) return refuse(k + 1);
    const std::optional<double> value = fuzz::reference_number(fields[1], true);
    const std::optional<double> sigma = fuzz::reference_number(fields[2], true);
    if (sigma && std::isfinite(*sigma) && *sigma < 0.0) return refuse(k + 1);
    const bool point = value && std::isfinite(*value) && sigma && std::isfinite(*sigma);
    expected.years.push_back(*year);
    expected.values.push_back(point ? *value : NAN);
    expected.sigmas.push_back(point ? *sigma : NAN);
    if (!point) ++expected.notes;
    data_lines.push_back(k + 1);
  }
  if (expected.years.size() < 2) return refuse(0);

  std::vector<double> steps;
  for (std::size_t k = 1; k < expected.years.size(); ++k) {
    steps.push_back(expected.years[k] - expected.years[k - 1]);
  }
  std::vector<double> sorted = steps;
  std::sort(sorted.begin(), sorted.end());
  const double median = sorted[sorted.size() / 2];
  // A gap: a step more than twice the median and each step beside it.
  const auto gap = [&](std::size_t j) {
    return steps[j] > 2 * median && (j == 0 || steps[j] > 2 * steps[j - 1]) &&
           (j + 1 == steps.size() || steps[j] > 2 * steps[j + 1]);
  };
  Expected marked = expected;
  marked.years = {expected.years[0]};
  marked.values = {expected.values[0]};
  marked.sigmas = {expected.sigmas[0]};
  for (std::size_t k = 1; k < expected.years.size(); ++k) {
    if (gap(k - 1)) {
      marked.years.push_back(0.5 * (expected.years[k - 1] + expected.years[k]));
      marked.values.push_back(NAN);
      marked.sigmas.push_back(NAN);
      ++marked.notes;
    }
    marked.years.push_back(expected.years[k]);
    marked.values.push_back(expected.values[k]);
    marked.sigmas.push_back(expected.sigmas[k]);
  }
  return marked;
}

bool same_numbers(const std::vector<double>& a, const std::vector<double>& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), fuzz::same_number);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const Expected expected = expected_reading(text);
  try {
    const curve::RefFile file = curve::read_ref_text(text, NAME);
    fuzz::check(!expected.refused, "a file the reading here refuses was read");
    fuzz::check(same_numbers(file.series.years, expected.years), "the years differ");
    fuzz::check(same_numbers(file.series.values, expected.values), "the values differ");
    fuzz::check(same_numbers(file.series.sigmas, expected.sigmas), "the sigmas differ");
    fuzz::check(file.notes.size() == expected.notes, "the number of notes differs");
    fuzz::check(
        file.site.has_value() == expected.site.has_value() &&
            (!file.site || (fuzz::same_number(file.site->latitude, expected.site->first) &&
                            fuzz::same_number(file.site->longitude, expected.site->second))),
        "the site differs");
    for (const std::string& note : file.notes) {
      fuzz::check(note.rfind(std::string(NAME), 0) == 0, "a note does not name the file");
    }
  } catch (const curve::RefFileError& error) {
    fuzz::check(expected.refused, "a file the reading here takes was refused");
    const std::string message = error.what();
    const std::string where =
        expected.refused_line == 0
            ? std::string(NAME) + " holds "
            : std::string(NAME) + ", line " + std::to_string(expected.refused_line) + ": ";
    fuzz::check(message.rfind(where, 0) == 0, "the message names another line");
    fuzz::check(
        std::all_of(message.begin(), message.end(), [](char c) { return c >= 0x20 && c < 0x7f; }),
        "the message holds a byte that is not printable ASCII");
  }
  return 0;
}
