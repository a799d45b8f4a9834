#include "date/command.hpp"

#include <array>
#include <cstdint>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "companion/output_file.hpp"
#include "companion/progress.hpp"
#include "console/numbers.hpp"
#include "curve/file_text.hpp"
#include "date/figure.hpp"
#include "date/report.hpp"
#include "date/samples.hpp"

namespace date {

namespace {

constexpr const char* PROGRAM = "karven-date";

void report(std::string_view message) { companion::report(PROGRAM, message); }

using companion::with_name;

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

// The run's inputs, which no output replaces.
companion::OutputGuard input_guard(const DateOptions& options) {
  companion::OutputGuard guard;
  const curve::RefFileNames& refs = options.ref_files;
  if (dates_against_ref_files(options)) {
    for (const auto* file : {&refs.declination, &refs.inclination, &refs.intensity}) {
      if (*file) guard.add_input(**file, "reference curve");
    }
  } else {
    guard.add_input(options.curve_file, "curve file");
  }
  if (options.samples) guard.add_input(*options.samples, "samples file");
  return guard;
}

class DateRun {
 public:
  DateRun(const DateOptions& options, const curve::ReferenceCurve& reference)
      : options_(options), reference_(reference), guard_(input_guard(options)) {}

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
      throw std::invalid_argument((dates_against_ref_files(options_)
                                       ? "the .ref files"
                                       : console::shown_text(options_.curve_file.string())) +
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
                          console::shown_text(paths[static_cast<std::size_t>(c)]->value().string());
      }
    }
    grid = std::make_shared<const dating::GriddedCurve>(std::move(gridded));
    return grid;
  }

  // The path that --density or --figure gives for the sample, or the
  // reason not to write there.
  std::string claim(const std::string& pattern, const std::string& what, DatedSample& sample) {
    std::string path = options_.samples ? with_name(pattern, sample.measurement.name) : pattern;
    try {
      guard_.check(path, what);
    } catch (const companion::OutputError& e) {
      sample.error = e.what();
      return "";
    }
    if (const auto known = claimed_.find(path); known != claimed_.end()) {
      sample.error = "the " + what + " " + console::shown_text(path) + " is also that of " +
                     console::shown_text(known->second) + "; give the samples distinct names";
      return "";
    }
    claimed_.emplace(path, sample.measurement.name);
    return path;
  }

  void write_files(DatedSample& sample) {
    if (options_.density) {
      const std::string path = claim(*options_.density, "density file", sample);
      if (path.empty()) return;
      try {
        companion::write_output(guard_, path, "density file", density_csv(*sample.result));
      } catch (const companion::OutputError& e) {
        sample.error = e.what();
        return;
      }
      sample.written.push_back("density: " + console::shown_text(path));
    }
    if (options_.figure) {
      const std::string path = claim(*options_.figure, "figure", sample);
      if (path.empty()) return;
      try {
        draw_dating_figure(sample.measurement.name, *sample.curve, sample.measured, *sample.result,
                           options_.figure_format, guard_, path);
      } catch (const plot::PlotError& e) {
        sample.error = e.what();
        return;
      }
      sample.written.push_back("figure: " + console::shown_text(path));
    }
  }

  const DateOptions& options_;
  const curve::ReferenceCurve& reference_;
  const companion::OutputGuard guard_;
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

// One element of a JSON array as the whole array's text would hold it:
// each line indented by two more blanks.
std::string array_element_text(const nlohmann::ordered_json& json) {
  std::string text = "  ";
  for (const char c : json_text(json)) {
    text += c;
    if (c == '\n') text += "  ";
  }
  return text;
}

// Dates the rows of a samples file one by one as they are read, writing
// each one's report or JSON as it is dated: whatever the number of rows,
// the run holds one row's dating and a summary line per row.
int date_samples(const DateOptions& options, const curve::ReferenceCurve& curve) {
  const std::string file = console::shown_text(options.samples->string());
  std::optional<curve::InputFileBuffer> input;
  std::optional<SamplesReader> reader;
  std::optional<SampleRow> row;
  try {
    input.emplace(*options.samples);
    reader.emplace(*input, file);
    row = reader->next();
  } catch (const curve::FileReadError& e) {
    report(e.what());
    return companion::FAILED;
  } catch (const SamplesFileError& e) {
    report(e.what());
    return companion::FAILED;
  }
  if (!row) {
    report(file + " has no rows below its header; nothing to date");
    return companion::FAILED;
  }
  DateRun run(options, curve);
  companion::Progress progress(PROGRAM);
  std::vector<SummaryRow> summary;
  bool failed = false;
  if (options.json) std::cout << "[\n";
  while (row) {
    DatedSample sample;
    if (!row->error.empty()) {
      sample.measurement = std::move(row->measurement);
      sample.error = std::move(row->error);
    } else {
      sample = run.date(row->measurement, row->line);
    }
    if (!sample.error.empty()) {
      failed = true;
      // A message that names no line of the file gets the sample's.
      const bool names_line = sample.error.starts_with("line ");
      progress.clear();
      report(file + ", " + (names_line ? "" : "line " + std::to_string(row->line) + ": ") +
             sample.error);
    }
    if (options.json) {
      std::cout << (summary.empty() ? "" : ",\n") << array_element_text(sample_json(sample));
    } else {
      std::cout << sample_report(sample) << '\n';
    }
    summary.push_back(summary_row(sample));
    if (progress.due()) {
      const std::uint64_t size = input->size();
      progress.show(std::to_string(summary.size()) + " samples done" +
                    (size > 0 ? ", " + std::to_string(100 * input->bytes_read() / size) + "% of " +
                                    file + " read"
                              : ""));
    }
    try {
      row = reader->next();
    } catch (const curve::FileReadError& e) {
      progress.clear();
      report(e.what());
      failed = true;
      row.reset();
    }
  }
  progress.clear();
  if (options.json) {
    std::cout << "\n]\n";
  } else {
    summary_table(std::cout, summary, options.levels);
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
  if (const std::string note =
          curve::early_end_note(curve, console::shown_text(options.curve_file.string()));
      !note.empty()) {
    report(note);
  }
  curve::ReferenceCurve reference = curve::reference_curve(curve);
  reference.source = curve.model + " at " + plot::site_text(curve.latitude, curve.longitude) +
                     " (" + console::shown_text(options.curve_file.string()) + ")";
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
  return options.samples ? date_samples(options, curve) : date_one(options, curve);
}

}  // namespace date
