#include "date/command.hpp"

#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <vector>

#include "date/figure.hpp"
#include "date/report.hpp"
#include "date/samples.hpp"

namespace date {

namespace {

constexpr const char* PROGRAM = "karven-date";

void report(std::string_view message) { companion::report(PROGRAM, message); }

// A sample's name as a part of a file name: letters, digits, '.', '-' and
// '_' stay, any other byte becomes '_', so that no name can lead into
// another folder.
std::string file_name_part(const std::string& name) {
  std::string part;
  for (const char c : name) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '.' || c == '-' || c == '_';
    part += plain ? c : '_';
  }
  if (part.empty() || part == "." || part == "..") part = "_" + part;
  return part;
}

std::string with_name(const std::string& pattern, const std::string& name) {
  std::string path = pattern;
  const std::string part = file_name_part(name);
  for (std::size_t at = path.find(NAME_PLACEHOLDER); at != std::string::npos;
       at = path.find(NAME_PLACEHOLDER, at + part.size())) {
    path.replace(at, NAME_PLACEHOLDER.size(), part);
  }
  return path;
}

// JSON indented by two blanks. Bytes of a name that are no UTF-8 are
// written as U+FFFD rather than refused.
std::string json_text(const nlohmann::ordered_json& json) {
  return json.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

// The message of a bad value, naming where it came from: the option of
// the command line, or the row and column of the samples file.
std::string value_message(const dating::MeasurementError& e, std::optional<int> line) {
  if (!line) return e.field().empty() ? e.what() : option_of_field(e.field()) + ": " + e.what();
  const std::string where = "line " + std::to_string(*line);
  return e.field().empty() ? where + ": " + e.what()
                           : where + ", column " + e.field() + ": " + e.what();
}

bool dates_against_ref_files(const DateOptions& options) {
  const curve::RefFileNames& files = options.ref_files;
  return files.declination || files.inclination || files.intensity;
}

const char* ref_option(curve::Component component) {
  switch (component) {
    case curve::Component::declination: return "--ref-dec";
    case curve::Component::inclination: return "--ref-inc";
    case curve::Component::intensity: return "--ref-int";
  }
  return "";
}

class DateRun {
 public:
  DateRun(const DateOptions& options, const curve::ReferenceCurve& reference)
      : options_(options), reference_(reference) {}

  // Dates one measurement and writes its files; what fails is the
  // sample's error.
  DatedSample date(const dating::Measurement& measurement, std::optional<int> line) {
    DatedSample sample;
    sample.measurement = measurement;
    try {
      sample.measured = dating::measured_components(measurement);
      for (const dating::MeasuredComponent& m : sample.measured) {
        if (!reference_[m.component] && dates_against_ref_files(options_)) {
          sample.error = std::string("the ") + curve::component_name(m.component) +
                         " is measured: give its reference curve with " + ref_option(m.component);
          return sample;
        }
      }
      sample.curve = grid_of(sample.measured);
      // Each component's own density only for the files that show it.
      const bool densities = options_.density.has_value() || options_.figure.has_value();
      sample.result =
          dating::date_measurement(*sample.curve, sample.measured, options_.levels, densities);
    } catch (const dating::MeasurementError& e) {
      sample.error = value_message(e, line);
      return sample;
    } catch (const std::invalid_argument& e) {
      sample.error = e.what();
      return sample;
    }
    write_files(sample);
    return sample;
  }

 private:
  // The curves of the components measured on the grid of the years they
  // share, made once for each set of components: a curve given but not
  // used limits no measurement's years.
  std::shared_ptr<const dating::GriddedCurve> grid_of(
      const std::vector<dating::MeasuredComponent>& measured) {
    std::vector<curve::Component> used;
    unsigned key = 0;
    for (const dating::MeasuredComponent& m : measured) {
      used.push_back(m.component);
      key |= 1U << static_cast<unsigned>(m.component);
    }
    std::shared_ptr<const dating::GriddedCurve>& grid = grids_[key];
    if (grid) return grid;
    dating::GriddedCurve gridded;
    try {
      gridded = dating::grid_curve(reference_, used);
    } catch (const std::invalid_argument& e) {
      throw std::invalid_argument(
          (dates_against_ref_files(options_) ? "the .ref files" : options_.curve_file.string()) +
          ": " + e.what());
    }
    if (dates_against_ref_files(options_)) {
      // The files of the curves used, as the report names them.
      const curve::RefFileNames& files = options_.ref_files;
      const std::array<const std::optional<std::filesystem::path>*, 3> paths = {
          &files.declination, &files.inclination, &files.intensity};
      gridded.source.clear();
      for (const curve::Component c : used) {
        gridded.source += (gridded.source.empty() ? "" : ", ") +
                          std::string(curve::component_letter(c)) + ": " +
                          paths[static_cast<std::size_t>(c)]->value().string();
      }
    }
    grid = std::make_shared<const dating::GriddedCurve>(std::move(gridded));
    return grid;
  }

  // The path that --density or --figure gives for the sample, or the
  // reason not to write there.
  std::string claim(const std::string& pattern, const std::string& what, DatedSample& sample) {
    std::string path = options_.samples ? with_name(pattern, sample.measurement.name) : pattern;
    std::error_code ec;
    const curve::RefFileNames& refs = options_.ref_files;
    const std::filesystem::path none;
    for (const auto& [input, kind] :
         {std::pair{options_.curve_file, "curve file"},
          {options_.samples.value_or(none), "samples file"},
          {refs.declination.value_or(none), "reference curve"},
          {refs.inclination.value_or(none), "reference curve"},
          {refs.intensity.value_or(none), "reference curve"}}) {
      if (!input.empty() && std::filesystem::equivalent(input, path, ec)) {
        sample.error =
            "the " + what + " " + path + " would replace the " + kind + " " + input.string();
        return "";
      }
    }
    if (const auto known = claimed_.find(path); known != claimed_.end()) {
      sample.error = "the " + what + " " + path + " is also that of " + known->second +
                     "; give the samples distinct names";
      return "";
    }
    claimed_.emplace(path, sample.measurement.name);
    return path;
  }

  void write_files(DatedSample& sample) {
    if (options_.density) {
      const std::string path = claim(*options_.density, "density file", sample);
      if (path.empty()) return;
      std::ofstream out(path, std::ios::binary | std::ios::trunc);
      out << density_csv(*sample.result);
      out.close();
      if (!out) {
        sample.error = "cannot write the density file " + path + ": " + std::strerror(errno);
        return;
      }
      sample.written.push_back("density: " + path);
    }
    if (options_.figure) {
      const std::string path = claim(*options_.figure, "figure", sample);
      if (path.empty()) return;
      try {
        draw_dating_figure(sample.measurement.name, *sample.curve, sample.measured, *sample.result,
                           options_.figure_format, path);
      } catch (const plot::PlotError& e) {
        sample.error = e.what();
        return;
      }
      sample.written.push_back("figure: " + path);
    }
  }

  const DateOptions& options_;
  const curve::ReferenceCurve& reference_;
  std::map<unsigned, std::shared_ptr<const dating::GriddedCurve>> grids_;  // by components used
  std::map<std::string, std::string> claimed_;  // path: the sample it is for
};

int date_one(const DateOptions& options, const curve::ReferenceCurve& curve) {
  dating::Measurement measurement;
  try {
    measurement = command_line_measurement(options);
  } catch (const dating::MeasurementError& e) {
    report(value_message(e, std::nullopt));
    return companion::FAILED;
  }
  DateRun run(options, curve);
  const DatedSample sample = run.date(measurement, std::nullopt);
  if (!sample.error.empty()) {
    report(sample.error);
    if (!sample.result) return companion::FAILED;
  }
  if (options.json) {
    std::cout << json_text(sample_json(sample)) << '\n';
  } else {
    std::cout << sample_report(sample);
  }
  return sample.error.empty() ? 0 : companion::FAILED;
}

int date_samples(const DateOptions& options, const curve::ReferenceCurve& curve) {
  const std::string file = options.samples->string();
  std::vector<SampleRow> rows;
  try {
    rows = read_samples_file(*options.samples);
  } catch (const SamplesFileError& e) {
    report(e.what());
    return companion::FAILED;
  }
  if (rows.empty()) {
    report(file + " has no rows below its header; nothing to date");
    return companion::FAILED;
  }
  DateRun run(options, curve);
  std::vector<DatedSample> samples;
  samples.reserve(rows.size());
  bool failed = false;
  for (const SampleRow& row : rows) {
    DatedSample sample;
    if (!row.error.empty()) {
      sample.measurement = row.measurement;
      sample.error = row.error;
    } else {
      sample = run.date(row.measurement, row.line);
    }
    if (!sample.error.empty()) {
      failed = true;
      // A message that names no line of the file gets the sample's.
      const bool names_line = sample.error.starts_with("line ");
      report(file + ", " + (names_line ? "" : "line " + std::to_string(row.line) + ": ") +
             sample.error);
    }
    samples.push_back(std::move(sample));
  }
  if (options.json) {
    nlohmann::ordered_json array = nlohmann::ordered_json::array();
    for (const DatedSample& sample : samples) array.push_back(sample_json(sample));
    std::cout << json_text(array) << '\n';
  } else {
    for (const DatedSample& sample : samples) std::cout << sample_report(sample) << '\n';
    std::cout << summary_table(samples, options.levels);
  }
  return failed ? companion::FAILED : 0;
}

}  // namespace

curve::ReferenceCurve load_reference(const DateOptions& options) {
  if (dates_against_ref_files(options)) {
    curve::LoadedReference loaded = curve::load_ref_files(options.ref_files);
    for (const std::string& note : loaded.notes) report(note);
    return std::move(loaded.curve);
  }
  const curve::Curve curve = curve::read_curve_file(options.curve_file);
  if (const std::string note = curve::early_end_note(curve, options.curve_file.string());
      !note.empty()) {
    report(note);
  }
  curve::ReferenceCurve reference = curve::reference_curve(curve);
  reference.source = curve.model + " at " + plot::site_text(curve.latitude, curve.longitude) +
                     " (" + options.curve_file.string() + ")";
  return reference;
}

int run_date_command(std::span<const std::string_view> arguments) {
  DateOptions options;
  try {
    options = parse_options(arguments);
  } catch (const UsageError& e) {
    return companion::wrong_usage(PROGRAM, e.what());
  }
  if (options.stop) {
    std::cout << options.stop_text;
    return 0;
  }
  // Each measurement is put on the grid of the curves it uses.
  curve::ReferenceCurve curve;
  try {
    curve = load_reference(options);
  } catch (const curve::CurveFileError& e) {
    report(e.what());
    return companion::FAILED;
  } catch (const curve::RefFileError& e) {
    report(e.what());
    return companion::FAILED;
  }
  const int status = options.samples ? date_samples(options, curve) : date_one(options, curve);
  std::cout.flush();
  if (!std::cout) {
    report("cannot write to standard output");
    return companion::FAILED;
  }
  return status;
}

}  // namespace date
