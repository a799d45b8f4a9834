#include "curve/ref_file.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "console/fields.hpp"
#include "console/numbers.hpp"
#include "curve/file_text.hpp"

namespace curve {

namespace {

constexpr double NO_VALUE = std::numeric_limits<double>::quiet_NaN();

// The suffixes of a file's name by which the chronology tools tell the
// component, by Component.
constexpr std::array<std::string_view, 3> NAME_SUFFIXES = {"_d", "_i", "_f"};

std::string_view trim(std::string_view text) {
  const std::size_t start = text.find_first_not_of(" \t");
  if (start == std::string_view::npos) return {};
  const std::size_t end = text.find_last_not_of(" \t");
  return text.substr(start, end - start + 1);
}

bool starts_with(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

std::string lower_case(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  });
  return lower;
}

bool holds_word(std::string_view line, std::string_view word) {
  return lower_case(line).find(word) != std::string::npos;
}

// The component that a comment line names, "Component: declination, in
// degrees" as karven-export writes it (the comment's mark removed).
std::optional<Component> named_component(std::string_view comment) {
  const std::string text = lower_case(trim(comment));
  constexpr std::string_view LABEL = "component:";
  if (!text.starts_with(LABEL)) return std::nullopt;
  const std::string_view rest = trim(std::string_view(text).substr(LABEL.size()));
  for (const Component component : COMPONENTS) {
    if (rest.starts_with(component_name(component))) return component;
  }
  return std::nullopt;
}

constexpr std::string_view SITE_LABEL = "site:";

// The site that a site line gives (the comment's mark removed), in the
// form of site_comment; nothing for a line of another form.
std::optional<Site> named_site(std::string_view comment) {
  const std::string text = lower_case(trim(comment));
  std::string_view rest = trim(std::string_view(text).substr(SITE_LABEL.size()));
  const auto take = [&rest](std::string_view words) {
    if (!rest.starts_with(words)) return false;
    rest = trim(rest.substr(words.size()));
    return true;
  };
  if (!take("geodetic latitude")) return std::nullopt;
  const std::size_t comma = rest.find(',');
  if (comma == std::string_view::npos) return std::nullopt;
  const std::string_view latitude_text = trim(rest.substr(0, comma));
  rest = trim(rest.substr(comma + 1));
  if (!take("longitude")) return std::nullopt;
  const std::string_view longitude_text = rest.substr(0, rest.find_first_of(" \t"));
  const std::optional<double> latitude =
      console::parse_real(latitude_text, console::NumberForm::decimal);
  const std::optional<double> longitude =
      console::parse_real(longitude_text, console::NumberForm::decimal);
  if (!latitude || !longitude || !(std::fabs(*latitude) <= 90.0) ||
      !(*longitude >= -180.0 && *longitude <= 360.0)) {
    return std::nullopt;
  }
  return Site{*latitude, *longitude};
}

// A field shown in a message: printable, and cut when long.
std::string quoted(std::string_view field) {
  constexpr std::size_t SHOWN = 40;
  std::string text = "\"";
  text += printable(field.substr(0, SHOWN));
  text += field.size() > SHOWN ? "...\"" : "\"";
  return text;
}

// The fields of a data line, split at its commas, blanks around each
// removed, and empty trailing fields dropped ("1200,64.1,2.0,,").
std::vector<std::string_view> data_fields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = line.find(',', start);
    fields.push_back(trim(line.substr(start, comma - start)));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  while (fields.size() > 1 && fields.back().empty()) fields.pop_back();
  return fields;
}

class RefReader {
 public:
  explicit RefReader(std::string_view name) : name_(name) {}

  [[noreturn]] void fail_at(std::size_t line_number, const std::string& what) const {
    throw RefFileError(at(line_number) + what);
  }

  std::string at(std::size_t line_number) const {
    return std::string(name_) + ", line " + std::to_string(line_number) + ": ";
  }

  // One data line: its year, and its value and sigma, or NaN for both with
  // a note when either is not a finite number.
  void data_line(std::string_view line, std::size_t line_number, RefFile& file) const {
    if (line.find(';') != std::string_view::npos) {
      fail_at(line_number,
              "fields separated by semicolons, as a spreadsheet with decimal commas writes "
              "them; save the curve with commas between the fields and a point as the decimal "
              "mark, e.g. 1200,64.1,2.0");
    }
    const std::vector<std::string_view> fields = data_fields(line);
    if (fields.size() != 3) {
      fail_at(line_number,
              "expected three fields year,value,sigma separated by commas, read " + quoted(line));
    }
    const std::optional<double> year = console::parse_real(fields[0], console::NumberForm::decimal);
    if (!year || !std::isfinite(*year)) {
      fail_at(line_number, "the year " + quoted(fields[0]) + " is not a number");
    }
    if (std::fabs(*year) > MAX_REF_YEAR) {
      fail_at(line_number, "the year " + quoted(fields[0]) + " lies beyond " +
                               console::shortest_decimal(-MAX_REF_YEAR) + " to " +
                               console::shortest_decimal(MAX_REF_YEAR));
    }
    ComponentSeries& series = file.series;
    if (!series.years.empty() && !(*year > series.years.back())) {
      fail_at(line_number,
              "the year " + console::shortest_decimal(*year) + " does not follow the year " +
                  console::shortest_decimal(series.years.back()) + "; the years must increase");
    }
    const std::optional<double> value =
        console::parse_real(fields[1], console::NumberForm::console);
    const std::optional<double> sigma =
        console::parse_real(fields[2], console::NumberForm::console);
    // A curve may give a sigma of 0 (the measurement's own keeps the
    // variance positive); a negative one is no standard deviation.
    if (sigma && std::isfinite(*sigma) && *sigma < 0.0) {
      fail_at(line_number, "the sigma " + quoted(fields[2]) + " is negative");
    }
    const bool value_ok = value && std::isfinite(*value);
    const bool sigma_ok = sigma && std::isfinite(*sigma);
    series.years.push_back(*year);
    series.values.push_back(value_ok && sigma_ok ? *value : NO_VALUE);
    series.sigmas.push_back(value_ok && sigma_ok ? *sigma : NO_VALUE);
    if (!value_ok || !sigma_ok) {
      const bool blame_value = !value_ok;
      file.notes.push_back(at(line_number) + "the " + (blame_value ? "value " : "sigma ") +
                           quoted(blame_value ? fields[1] : fields[2]) +
                           " is not a number; the year " + console::shortest_decimal(*year) +
                           " is taken as a gap");
    }
  }

 private:
  std::string_view name_;
};

// The median of the stretches between consecutive years (of two middle
// ones, the longer).
double median_stretch(std::vector<double> stretches) {
  const auto middle = stretches.begin() + static_cast<std::ptrdiff_t>(stretches.size() / 2);
  std::nth_element(stretches.begin(), middle, stretches.end());
  return *middle;
}

// "the step beside it is 25 years", "the steps beside it are 10 and 25
// years": the stretches beside stretch k.
std::string beside_text(const std::vector<double>& stretches, std::size_t k) {
  std::vector<double> beside;
  if (k > 0) beside.push_back(stretches[k - 1]);
  if (k + 1 < stretches.size()) beside.push_back(stretches[k + 1]);
  if (beside.size() == 1) {
    return "the step beside it is " + console::shortest_decimal(beside[0]) + " years";
  }
  std::string text = "the steps beside it are " + console::shortest_decimal(beside[0]);
  if (beside[1] != beside[0]) text += " and " + console::shortest_decimal(beside[1]);
  return text + " years";
}

// Marks each stretch between consecutive data lines that is a gap (more
// than REF_GAP_FACTOR times each stretch beside it and the median stretch)
// with a point without value midway, so that no interpolation bridges it.
// A step that changes, once or gradually, is no gap: a stretch at the
// change has one beside it that is alike.
void mark_missing_years(RefFile& file, const std::vector<std::size_t>& line_numbers,
                        std::string_view name) {
  ComponentSeries& series = file.series;
  std::vector<double> stretches;  // stretches[k]: between data lines k and k + 1
  for (std::size_t k = 1; k < series.years.size(); ++k) {
    stretches.push_back(series.years[k] - series.years[k - 1]);
  }
  const double median = median_stretch(stretches);
  const auto longer = [](double stretch, double than) { return stretch > REF_GAP_FACTOR * than; };
  const auto is_gap = [&](std::size_t k) {
    return longer(stretches[k], median) && (k == 0 || longer(stretches[k], stretches[k - 1])) &&
           (k + 1 == stretches.size() || longer(stretches[k], stretches[k + 1]));
  };
  ComponentSeries marked;
  for (std::size_t k = 0; k < series.years.size(); ++k) {
    if (k > 0 && is_gap(k - 1)) {
      marked.years.push_back(0.5 * (series.years[k - 1] + series.years[k]));
      marked.values.push_back(NO_VALUE);
      marked.sigmas.push_back(NO_VALUE);
      file.notes.push_back(std::string(name) + ", lines " + std::to_string(line_numbers[k - 1]) +
                           "-" + std::to_string(line_numbers[k]) + ": no data between the years " +
                           console::shortest_decimal(series.years[k - 1]) + " and " +
                           console::shortest_decimal(series.years[k]) + ", where " +
                           beside_text(stretches, k - 1) + "; a gap, not bridged");
    }
    marked.years.push_back(series.years[k]);
    marked.values.push_back(series.values[k]);
    marked.sigmas.push_back(series.sigmas[k]);
  }
  series = std::move(marked);
}

// "latitude 48.85, longitude 2.35", as a message names a site.
std::string site_words(const Site& site) {
  return "latitude " + console::shortest_decimal(site.latitude) + ", longitude " +
         console::shortest_decimal(site.longitude);
}

}  // namespace

RefFile read_ref_text(std::string_view text, std::string_view name) {
  // A byte order mark, as editors on Windows write it, is no data.
  if (starts_with(text, "\xEF\xBB\xBF")) text.remove_prefix(3);
  const std::vector<std::string_view> lines = split_lines(text);
  const RefReader reader(name);

  RefFile file;
  std::vector<std::size_t> line_numbers;  // of each data line
  bool in_block_comment = false;
  bool site_line_seen = false;
  for (std::size_t k = 0; k < lines.size(); ++k) {
    const std::string_view line = trim(lines[k]);
    const std::size_t line_number = k + 1;
    if (in_block_comment) {
      in_block_comment = line.find("*/") == std::string_view::npos;
      continue;
    }
    if (!line_numbers.empty() && holds_word(line, "reference") && holds_word(line, "point")) {
      file.notes.push_back(reader.at(line_number) +
                           "a block of reference points begins; the curve " + "ends at line " +
                           std::to_string(line_numbers.back()));
      break;
    }
    if (line.empty()) continue;
    if (starts_with(line, "#") || starts_with(line, "//") || starts_with(line, "!")) {
      const std::size_t mark = starts_with(line, "//") ? 2 : 1;
      const std::string_view comment = line.substr(mark);
      if (!file.component) file.component = named_component(comment);
      if (!site_line_seen && lower_case(trim(comment)).starts_with(SITE_LABEL)) {
        site_line_seen = true;
        file.site = named_site(comment);
        if (!file.site) {
          file.notes.push_back(
              reader.at(line_number) + "the site line " + quoted(trim(comment)) +
              " is not of the form \"Site: geodetic latitude 48.85, longitude 2.35\"; the "
              "curve's site is left unknown");
        }
      }
      continue;
    }
    if (starts_with(line, "/*")) {
      in_block_comment = line.find("*/", 2) == std::string_view::npos;
      continue;
    }
    reader.data_line(line, line_number, file);
    line_numbers.push_back(line_number);
  }

  const std::size_t n = file.series.years.size();
  if (n < MIN_REF_POINTS) {
    throw RefFileError(
        std::string(name) + " holds " + std::to_string(n) + " data line" + (n == 1 ? "" : "s") +
        " year,value,sigma; a reference curve needs at least " + std::to_string(MIN_REF_POINTS));
  }
  mark_missing_years(file, line_numbers, name);
  return file;
}

std::string site_comment(const Site& site) {
  return "Site: geodetic latitude " + console::shortest_decimal(site.latitude) + ", longitude " +
         console::shortest_decimal(site.longitude) + " (degrees, north and east positive)";
}

RefFile read_ref_file(const std::filesystem::path& path) {
  std::string text;
  try {
    text = read_file_text(path, MAX_REF_FILE_BYTES);
  } catch (const FileReadError& error) {
    throw RefFileError(error.what());
  }
  if (text.size() > MAX_REF_FILE_BYTES) {
    throw RefFileError(console::shown_text(path.string()) +
                       " is longer than any reference curve (more than " +
                       std::to_string(MAX_REF_FILE_BYTES) + " bytes)");
  }
  return read_ref_text(text, console::shown_text(path.string()));
}

std::optional<Component> component_of_name(const std::filesystem::path& path) {
  const std::string stem = lower_case(path.stem().string());
  for (const Component component : COMPONENTS) {
    if (stem.ends_with(NAME_SUFFIXES[static_cast<std::size_t>(component)])) return component;
  }
  return std::nullopt;
}

LoadedReference load_ref_files(const RefFileNames& files) {
  LoadedReference loaded;
  std::string site_file;  // the first file that names the site
  const std::array<const std::optional<std::filesystem::path>*, 3> paths = {
      &files.declination, &files.inclination, &files.intensity};
  for (const Component component : COMPONENTS) {
    const auto& path = *paths[static_cast<std::size_t>(component)];
    if (!path) continue;
    RefFile file = read_ref_file(*path);
    // A file that says which component it holds is never taken for another.
    const std::optional<Component> by_name = component_of_name(*path);
    std::string said;
    if (file.component && *file.component != component) {
      said = std::string(component_name(*file.component)) +
             ", as its comment line \"Component: " + component_name(*file.component) + "\" says";
    } else if (by_name && *by_name != component) {
      said = std::string(component_name(*by_name)) + ", as the suffix " +
             std::string(NAME_SUFFIXES[static_cast<std::size_t>(*by_name)]) + " of its name says";
    }
    if (!said.empty()) {
      throw RefFileError(console::shown_text(path->string()) + " holds the " + said +
                         ", but is given for the " + component_name(component));
    }
    // The curves of one dating are of one site.
    if (file.site) {
      if (loaded.curve.site && (loaded.curve.site->latitude != file.site->latitude ||
                                loaded.curve.site->longitude != file.site->longitude)) {
        throw RefFileError(console::shown_text(path->string()) + " is a curve at " +
                           site_words(*file.site) + ", but " + site_file + " at " +
                           site_words(*loaded.curve.site) + "; give the curves of one site");
      }
      if (!loaded.curve.site) {
        loaded.curve.site = file.site;
        site_file = console::shown_text(path->string());
      }
    }
    loaded.curve[component] = std::move(file.series);
    loaded.notes.insert(loaded.notes.end(), file.notes.begin(), file.notes.end());
    if (!loaded.curve.source.empty()) loaded.curve.source += ", ";
    loaded.curve.source +=
        std::string(component_letter(component)) + ": " + console::shown_text(path->string());
  }
  return loaded;
}

}  // namespace curve
