#include "date/command.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <iostream>
#include <list>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "companion/model_span.hpp"
#include "companion/output_file.hpp"
#include "companion/progress.hpp"
#include "console/fields.hpp"
#include "console/numbers.hpp"
#include "curve/file_text.hpp"
#include "curve/model_curve.hpp"
#include "curve/site_text.hpp"
#include "date/calibration_figure.hpp"
#include "date/events.hpp"
#include "date/figure.hpp"
#include "date/report.hpp"
#include "date/samples.hpp"
#include "driver/coefficients.hpp"
#include "field_model/field_model.hpp"
#include "geomodel/catalogue.hpp"
#include "geomodel/field.hpp"
#include "model/model.hpp"

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
    case curve::Component::declination:
      return "--ref-dec";
    case curve::Component::inclination:
      return "--ref-inc";
    case curve::Component::intensity:
      return "--ref-int";
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
  } else if (options.model) {
    // A bundled model is read from where the toolkit keeps it.
    const auto bundled = geomodel::find_bundled_model(options.model->string());
    guard.add_input(bundled.value_or(*options.model), "coefficient file");
  } else {
    guard.add_input(options.curve_file, "curve file");
  }
  if (options.samples) guard.add_input(*options.samples, "samples file");
  if (options.c14_curve && !radiocarbon::catalogue_entry(*options.c14_curve)) {
    guard.add_input(*options.c14_curve, "calibration curve");
  }
  return guard;
}

// A global model's curve and the years it is dated over: the model's whole
// span or --span, every whole year, each site's curve evaluated on them
// with the standard deviation of --model-sigma.
struct GlobalCurves {
  std::vector<double> years;
  field_model::ModelSigma sigma;
  // The warning of every dating that takes the curve as exact in a
  // component used, "" when --model-sigma gives none a 0.
  std::string exact_warning;
};

// The curves a run dates against: the one reference curve of a curve file
// or of .ref files, or the model's curve at each sample's site. A curve is
// put on the grid of the years its used components share once for each set
// of components; the model's curves of the last few sites are kept, since
// the rows of one site often follow one another.
class CurveSource {
 public:
  struct SiteCurve {
    curve::ReferenceCurve reference;
    std::map<unsigned, std::shared_ptr<const dating::GriddedCurve>> grids;  // by components
  };

  CurveSource(const DateOptions& options, const curve::ReferenceCurve* reference,
              const field_model::FieldModel* model, std::optional<GlobalCurves> global)
      : options_(options), model_(model), global_(std::move(global)) {
    if (!model) fixed_.reference = *reference;
  }

  bool evaluates_model() const { return model_ != nullptr; }
  const field_model::FieldModel* model() const { return model_; }

  // A global model as reports name it: "ARCH10k.1 (CITATION)", or "the
  // global model in PATH" for a file of no known citation.
  static std::string model_source(const field_model::FieldModel& model) {
    return model.citation().empty() ? "the global model in " + console::shown_text(model.name())
                                    : model.source();
  }
  const std::optional<GlobalCurves>& global() const { return global_; }

  // The reference curve of a sample measured at `site` (the fixed curve
  // unless the model is evaluated, which needs the site).
  //
  // @throws model::SiteOutsideRegion for a site outside the model's region
  SiteCurve& at(const std::optional<curve::Site>& site) {
    if (!model_) return fixed_;
    for (auto k = recent_.begin(); k != recent_.end(); ++k) {
      if (k->first.latitude == site->latitude && k->first.longitude == site->longitude) {
        recent_.splice(recent_.begin(), recent_, k);
        return recent_.front().second;
      }
    }
    SiteCurve made;
    if (global_) {
      made.reference =
          model_->curve(site->latitude, site->longitude, global_->years, global_->sigma);
      made.reference.source = global_source(*model_, *site);
    } else {
      const model::SiteCurve evaluated = model_->regional()->curve(site->latitude, site->longitude);
      const curve::Curve as_file = curve::curve_of_model(evaluated);
      made.reference = curve::reference_curve(as_file);
      made.reference.source = as_file.model + " at " +
                              curve::site_text(as_file.latitude, as_file.longitude) + " (model " +
                              console::shown_text(options_.model->string()) + ")";
    }
    if (recent_.size() == KEPT_SITES) recent_.pop_back();
    recent_.emplace_front(*site, std::move(made));
    return recent_.front().second;
  }

  // The curves of the components measured on the grid of the years they
  // share: a curve given but not used limits no measurement's years.
  std::shared_ptr<const dating::GriddedCurve> grid_of(
      SiteCurve& curve, const std::vector<dating::MeasuredComponent>& measured) const {
    std::vector<curve::Component> used;
    unsigned key = 0;
    for (const dating::MeasuredComponent& m : measured) {
      used.push_back(m.component);
      key |= 1U << static_cast<unsigned>(m.component);
    }
    std::shared_ptr<const dating::GriddedCurve>& grid = curve.grids[key];
    if (grid) return grid;
    dating::GriddedCurve gridded;
    try {
      gridded = dating::grid_curve(curve.reference, used);
    } catch (const std::invalid_argument& e) {
      const std::string where = dates_against_ref_files(options_) ? std::string("the .ref files")
                                : model_                          ? curve.reference.source
                                         : console::shown_text(options_.curve_file.string());
      throw std::invalid_argument(where + ": " + e.what());
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

 private:
  static constexpr std::size_t KEPT_SITES = 16;

  // A global model's curve at a site, as reports name it: "ARCH10k.1
  // (CITATION) at 31.78 N, 35.22 E".
  static std::string global_source(const field_model::FieldModel& model, const curve::Site& site) {
    return model_source(model) + " at " + curve::site_text(site.latitude, site.longitude);
  }

  const DateOptions& options_;
  const field_model::FieldModel* model_;
  std::optional<GlobalCurves> global_;
  SiteCurve fixed_;
  std::list<std::pair<curve::Site, SiteCurve>> recent_;  // the most recent first
};

// A site given as text: a latitude from -90 to 90 degrees and a longitude
// from -180 to 360; nothing when neither is given (the options give both
// or neither).
//
// @throws dating::MeasurementError naming the option ("lat", "ref-lon")
std::optional<curve::Site> site_of(const std::optional<std::string>& latitude,
                                   const std::optional<std::string>& longitude,
                                   const std::string& prefix) {
  if (!latitude || !longitude) return std::nullopt;
  const ValueReading lat = read_value(*latitude);
  if (!lat.error.empty()) throw dating::MeasurementError(prefix + "lat", lat.error);
  const ValueReading lon = read_value(*longitude);
  if (!lon.error.empty()) throw dating::MeasurementError(prefix + "lon", lon.error);
  if (std::fabs(lat.value) > 90.0) {
    throw dating::MeasurementError(prefix + "lat", "a latitude lies between -90 and 90 degrees: " +
                                                       console::shortest_text(lat.value));
  }
  if (!(lon.value >= -180.0 && lon.value <= 360.0)) {
    throw dating::MeasurementError(
        prefix + "lon",
        "a longitude lies between -180 and 360 degrees: " + console::shortest_text(lon.value));
  }
  return curve::Site{lat.value, lon.value};
}

class DateRun {
 public:
  DateRun(const DateOptions& options, const curve::ReferenceCurve* reference,
          const field_model::FieldModel* model = nullptr,
          std::optional<GlobalCurves> global = std::nullopt)
      : options_(options),
        curves_(options, reference, model, std::move(global)),
        guard_(input_guard(options)) {}

  // Dates one measurement made at `site` (when known) and writes its
  // files; what fails is the sample's error.
  DatedSample date(const dating::Measurement& measurement, const std::optional<curve::Site>& site,
                   std::optional<int> line) {
    DatedSample sample;
    sample.measurement = measurement;
    sample.site = site;
    try {
      if (curves_.evaluates_model() && !site) {
        sample.error = options_.samples
                           ? "no site: give the row's lat and lon, or --lat and --lon for the "
                             "rows without one"
                           : "no site: give --lat and --lon";
        return sample;
      }
      CurveSource::SiteCurve& curve = curves_.at(site);
      // A measurement made elsewhere than the curve's site is relocated
      // to it first; with the model, the curve is the site's own.
      const dating::Measurement* used = &measurement;
      if (site && !curves_.evaluates_model()) {
        if (!curve.reference.site) {
          sample.error =
              "the sample's site is known but the .ref curves' is not: give it with --ref-lat "
              "and --ref-lon, or date the sample as measured without its site";
          return sample;
        }
        const dating::Relocation relocation =
            dating::relocate(measurement, *site, *curve.reference.site);
        if (relocation.distance_km > 0.0) {
          sample.relocation = relocation;
          used = &sample.relocation->measurement;
        }
      }
      sample.measured = dating::measured_components(*used);
      if (curves_.global() && measurement.declination && std::fabs(site->latitude) == 90.0) {
        throw dating::MeasurementError(
            "dec",
            "a declination at a pole is measured from no meridian, and the model's curve has "
            "none there; leave it out to date the inclination and the intensity alone");
      }
      for (const dating::MeasuredComponent& m : sample.measured) {
        if (!curve.reference[m.component] && dates_against_ref_files(options_)) {
          sample.error = std::string("the ") + curve::component_name(m.component) +
                         " is measured: give its reference curve with " + ref_option(m.component);
          return sample;
        }
      }
      sample.curve = curves_.grid_of(curve, sample.measured);
      // Each component's own density only for the files that show it.
      const bool densities = options_.density.has_value() || options_.figure.has_value();
      sample.result = dating::date_measurement(*sample.curve, sample.measured, options_.levels,
                                               densities && !events_, options_.years);
      if (sample.relocation) {
        const std::string warning = dating::relocation_warning(*sample.relocation);
        if (!warning.empty()) sample.result->warnings.push_back(warning);
      }
      if (curves_.global() && takes_curve_as_exact(sample.measured)) {
        sample.result->warnings.push_back(curves_.global()->exact_warning);
      }
    } catch (const model::SiteOutsideRegion& e) {
      sample.error = e.what();
      return sample;
    } catch (const geomodel::SiteOutsideRange& e) {
      sample.error = e.what();
      return sample;
    } catch (const dating::MeasurementError& e) {
      sample.error = value_message(e, line);
      return sample;
    } catch (const std::invalid_argument& e) {
      sample.error = e.what();
      return sample;
    }
    if (!events_) write_files(sample);
    return sample;
  }

  // Calibrates a 14C age (a row at `line` of the samples file, or the
  // command line's) and writes its files; what fails is the sample's error.
  DatedSample date_c14(const std::string& name, const C14Input& input,
                       const std::optional<curve::Site>& site, std::optional<int> line) {
    DatedSample sample;
    sample.measurement.name = name;
    sample.site = site;
    try {
      const radiocarbon::C14Age age = c14_age(input);
      const auto curve = c14_curves_.get(input.curve);
      // A curve given by path is an input, which no later output replaces.
      if (!input.curve.empty() && !radiocarbon::catalogue_entry(input.curve)) {
        guard_.add_input(input.curve, "calibration curve");
      }
      radiocarbon::Calibration calibration =
          radiocarbon::calibrate(*curve, age, options_.levels, options_.years);
      sample.c14 = C14Sample{age, curve};
      sample.result = std::move(calibration.date);
    } catch (const radiocarbon::CurveFileError& e) {
      sample.error = line ? "line " + std::to_string(*line) + ", column c14_curve: " + e.what()
                          : std::string("--c14-curve: ") + e.what();
      return sample;
    } catch (const dating::MeasurementError& e) {
      sample.error = value_message(e, line);
      return sample;
    } catch (const std::invalid_argument& e) {
      sample.error = e.what();
      return sample;
    }
    if (!events_) write_files(sample);
    return sample;
  }

  // Samples dated together as events: their files are the events' own,
  // written at the end, not one per sample.
  void date_events() { events_ = true; }

  const companion::OutputGuard& guard() const { return guard_; }

  // The comment line that begins the events' density file against a
  // global model: the model and its citation, which the densities come
  // from; "" otherwise (a density file of a curve file or of the regional
  // model begins with its header).
  std::string events_density_comment() const {
    if (!curves_.global()) return "";
    return "# " + CurveSource::model_source(*curves_.model()) + ", at each row's site\n";
  }

  // The warning of a dating that takes a global model's curve as exact.
  std::string exact_warning() const {
    return curves_.global() ? curves_.global()->exact_warning : "";
  }

 private:
  // Whether --model-sigma gives a component used a standard deviation of 0.
  bool takes_curve_as_exact(const std::vector<dating::MeasuredComponent>& measured) const {
    const field_model::ModelSigma& sigma = curves_.global()->sigma;
    for (const dating::MeasuredComponent& m : measured) {
      const double s = m.component == curve::Component::declination   ? sigma.declination
                       : m.component == curve::Component::inclination ? sigma.inclination
                                                                      : sigma.intensity;
      if (s == 0.0) return true;
    }
    return false;
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
        // Against a global model, its comment line names the model.
        const std::string comment = curves_.global() ? "# " + sample.curve->source + "\n" : "";
        companion::write_output(guard_, path, "density file",
                                comment + density_csv(*sample.result));
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
        if (sample.c14) {
          draw_calibration_figure(sample.measurement.name, *sample.c14, *sample.result,
                                  options_.figure_format, guard_, path, options_.years);
        } else {
          draw_dating_figure(sample.measurement.name, *sample.curve, sample.measured,
                             *sample.result, options_.figure_format, guard_, path, options_.years);
        }
      } catch (const figures::FigureError& e) {
        sample.error = e.what();
        return;
      }
      sample.written.push_back("figure: " + console::shown_text(path));
    }
  }

  const DateOptions& options_;
  CurveSource curves_;
  C14Curves c14_curves_;
  companion::OutputGuard guard_;  // the run's inputs, and the calibration curves read
  bool events_ = false;
  std::map<std::string, std::string> claimed_;  // path: the sample it is for
};

// What a run is doing, for the one line that a failed allocation ends it
// with.
struct Doing {
  std::string task = "reading the command line";
  std::string file;        // the samples file, once it is read
  std::size_t rows = 0;    // its rows read
  std::size_t events = 0;  // its events so far

  std::string text() const {
    std::string line = "out of memory while " + task;
    if (!file.empty()) {
      line += " (" + file + ": " + std::to_string(rows) + (rows == 1 ? " row" : " rows") +
              " read, " + std::to_string(events) + (events == 1 ? " event" : " events") + ")";
    }
    return line;
  }
};

// Where the report (or its JSON) goes: standard output, unless --density -
// takes it; the report is then left out.
std::ostream& report_stream(const DateOptions& options) {
  static std::ostream left_out(nullptr);
  const bool taken = options.density && companion::is_standard_output(*options.density);
  return taken ? left_out : std::cout;
}

int date_one(const DateOptions& options, DateRun& run, const std::optional<curve::Site>& site) {
  std::ostream& out = report_stream(options);
  dating::Measurement measurement;
  C14Input c14;
  try {
    measurement = command_line_measurement(options);
    if (options.c14) c14 = command_line_c14(options);
  } catch (const dating::MeasurementError& e) {
    report(value_message(e, std::nullopt));
    return companion::FAILED;
  }
  const DatedSample sample = options.c14 ? run.date_c14(measurement.name, c14, site, std::nullopt)
                                         : run.date(measurement, site, std::nullopt);
  if (!sample.error.empty()) {
    report(sample.error);
    if (!sample.result) return companion::FAILED;
  }
  if (options.json) {
    out << json_text(sample_json(sample)) << '\n';
  } else {
    out << sample_report(sample, options.years);
  }
  return sample.error.empty() ? 0 : companion::FAILED;
}

// The text of a JSON value within an object or array of the whole output,
// each of its lines indented by `indent` more blanks.
std::string indented_json(const nlohmann::ordered_json& json, const std::string& indent) {
  std::string text = indent;
  for (const char c : json_text(json)) {
    text += c;
    if (c == '\n') text += indent;
  }
  return text;
}

// With --samples, --density and --figure are one file for the file's
// events (its event column, or a sequence of its rows), or else a pattern
// with {name} for each sample: the file's header tells which (a file
// that cannot be read has no events; the run says soon why it cannot).
//
// @throws UsageError for the form the header does not take
void check_event_files(const DateOptions& options) {
  if (!options.samples || (!options.density && !options.figure)) return;
  bool events = options.sequence.has_value();
  if (!events) {
    try {
      curve::InputFileBuffer input(*options.samples);
      events = SamplesReader(input, "").has_column("event");
    } catch (const std::exception&) {
      events = false;
    }
  }
  for (const auto& [given, option] :
       {std::pair{&options.density, "--density"}, {&options.figure, "--figure"}}) {
    if (!*given) continue;
    if (!events && companion::is_standard_output(**given)) {
      throw UsageError(
          std::string(option) +
          " -: each sample gets a file of its own, which standard output cannot "
          "keep apart; give a pattern with {name}, e.g. \"" +
          (std::string_view(option) == "--density" ? "density_{name}.csv" : "dating_{name}.png") +
          "\"");
    }
    if (events && has_name_placeholder(**given)) throw events_file_error(option);
    if (!events && !has_name_placeholder(**given)) throw pattern_error(option);
  }
}

// The folders of the samples' name patterns, checked once before anything
// is dated rather than for each sample.
//
// @throws companion::OutputError for a folder that does not exist
void check_pattern_folders(const DateOptions& options) {
  for (const auto& [given, option] :
       {std::pair{&options.density, "--density"}, {&options.figure, "--figure"}}) {
    if (*given && has_name_placeholder(**given)) companion::check_pattern_folder(**given, option);
  }
}

// Whether a samples file holds radiocarbon ages alone: its header names
// c14_age and no archaeomagnetic value, so that no field curve is read.
bool radiocarbon_only(const DateOptions& options) {
  if (!options.samples || options.model) return false;
  try {
    curve::InputFileBuffer input(*options.samples);
    const SamplesReader reader(input, "");
    if (!reader.has_column("c14_age")) return false;
    for (const char* column : {"dec", "inc", "a95", "int", "sigma_int"}) {
      if (reader.has_column(column)) return false;
    }
    return true;
  } catch (const std::exception&) {
    return false;  // the run says soon why the file cannot be read
  }
}

// Dates the rows of a samples file one by one as they are read, writing
// each one's report or JSON as it is dated: whatever the number of rows,
// the run holds one row's dating and a summary line per row.
int date_samples(const DateOptions& options, DateRun& run,
                 const std::optional<curve::Site>& default_site, Doing& doing) {
  const std::string file = console::shown_text(options.samples->string());
  doing.task = "dating the rows";
  doing.file = file;
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
  const bool events = options.sequence.has_value() || reader->has_column("event");
  EventBook book(options);
  // The line of each sample's name: two samples of one name would mix in
  // the outputs that name them.
  std::map<std::string, int> names;
  if (events) run.date_events();
  book.carry_warning(run.exact_warning());
  const std::string indent = events ? "    " : "  ";
  std::ostream& out = report_stream(options);
  companion::Progress progress(PROGRAM);
  std::vector<SummaryRow> summary;
  bool failed = false;
  if (options.json) out << (events ? "{\n  \"samples\": [\n" : "[\n");
  while (row) {
    DatedSample sample;
    std::string refused;
    if (row->error.empty()) {
      const auto [known, fresh] = names.try_emplace(row->measurement.name, row->line);
      if (!fresh) {
        refused = "line " + std::to_string(row->line) + ": the name " +
                  console::shown_text(row->measurement.name) + " is also that of line " +
                  std::to_string(known->second) + "; give the samples distinct names";
      } else if (events) {
        const std::string why = book.refusal(row->event, row->measurement.name);
        if (!why.empty()) refused = "line " + std::to_string(row->line) + ": " + why;
      }
    }
    if (!row->error.empty() || !refused.empty()) {
      sample.measurement = std::move(row->measurement);
      sample.site = row->site;
      sample.error = row->error.empty() ? refused : std::move(row->error);
    } else if (row->c14) {
      sample = run.date_c14(row->measurement.name, *row->c14, row->site, row->line);
    } else {
      sample = run.date(row->measurement, row->site ? row->site : default_site, row->line);
    }
    if (!sample.error.empty()) {
      failed = true;
      // A message that names no line of the file gets the sample's.
      const bool names_line = sample.error.starts_with("line ");
      progress.clear();
      report(file + ", " + (names_line ? "" : "line " + std::to_string(row->line) + ": ") +
             sample.error);
    }
    if (events && refused.empty()) {
      try {
        book.add(row->event, sample, row->line);
      } catch (const std::bad_alloc&) {
        throw;
      } catch (const std::exception& e) {
        // Past its dating, a row's likelihood is always found.
        report(file + ", line " + std::to_string(row->line) + ": " + e.what());
        failed = true;
      }
    }
    if (options.json) {
      out << (summary.empty() ? "" : ",\n") << indented_json(sample_json(sample), indent);
    } else {
      out << sample_report(sample, options.years) << '\n';
    }
    summary.push_back(summary_row(sample, options.years));
    doing.rows = summary.size();
    doing.events = book.events().size();
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
  if (!events) {
    if (options.json) {
      out << "\n]\n";
    } else {
      summary_table(out, summary, options.levels);
    }
    return failed ? companion::FAILED : 0;
  }

  doing.task = options.sequence ? "dating the events and their sequence" : "dating the events";
  book.date();
  doing.task = "writing the events' report";
  const std::vector<DatedEvent>& dated = book.events();
  for (const DatedEvent& event : dated) {
    if (!event.alone) {
      report(file + ": event " + console::shown_text(event.name) + ": " + event.error);
      failed = true;
    }
  }
  if (!book.sequence_error().empty()) {
    report(file + ": the sequence cannot be dated: " + book.sequence_error());
    failed = true;
  }
  const bool oldest_first = options.sequence == DateOptions::Sequence::oldest_first;
  if (options.json) {
    // The members after "samples", as the whole object's text would hold them.
    std::string members = json_text(events_json(dated, book.sequence()));
    members = members.substr(2, members.size() - 4);  // without "{\n" and "\n}"
    out << "\n  ],\n" << members << "\n}\n";
  } else {
    for (const DatedEvent& event : dated) out << event_report(event, options.years) << '\n';
    if (book.sequence()) {
      out << sequence_report(*book.sequence(), book.sequence_events(), oldest_first) << '\n';
    }
    summary_table(out, summary, options.levels);
    out << '\n';
    events_table(out, dated, options.levels, book.sequence().has_value(), options.years);
  }
  doing.task = "writing the events' files";
  for (const std::string& failure :
       write_event_files(options, book, dated, run.guard(), run.events_density_comment())) {
    report(failure);
    failed = true;
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
  reference.source = curve.model + " at " + curve::site_text(curve.latitude, curve.longitude) +
                     " (" + console::shown_text(options.curve_file.string()) + ")";
  return reference;
}

namespace {

// The years and the standard deviation of a global model's curves, as
// --span and --model-sigma give them; nothing when a value is refused
// (said on standard error).
//
// @throws UsageError without --model-sigma: the model gives no uncertainty
std::optional<GlobalCurves> global_curves(const DateOptions& options,
                                          const field_model::FieldModel& model) {
  const std::string name = console::shown_text(model.name());
  if (!options.model_sigma) {
    throw UsageError(name +
                     " gives no uncertainty of its curve, and a date needs one: give one "
                     "standard deviation of the curve with --model-sigma D,I,F (degrees, degrees, "
                     "microtesla), e.g. --model-sigma 2,2,3");
  }
  GlobalCurves global;
  try {
    global.sigma = companion::parse_model_sigma(*options.model_sigma);
    companion::YearSpan span = companion::model_span(model, 1);
    if (options.span) {
      span = companion::parse_span(*options.span);
      if (span.step != 1) {
        throw companion::OptionValueError(
            "--span: a date is sought on every whole year; give FROM:TO, read \"" +
            console::shown_text(*options.span) + "\"");
      }
      companion::check_span(span, model);
    }
    global.years = companion::span_years(span);
  } catch (const companion::OptionValueError& e) {
    report(e.what());
    return std::nullopt;
  }
  const field_model::ModelSigma& s = global.sigma;
  if (s.declination == 0.0 || s.inclination == 0.0 || s.intensity == 0.0) {
    global.exact_warning = "--model-sigma " + console::shortest_text(s.declination) + "," +
                           console::shortest_text(s.inclination) + "," +
                           console::shortest_text(s.intensity) +
                           " takes the model's curve as exact where it gives 0: the curve's own "
                           "uncertainty is not counted there";
  }
  return global;
}

int run_command(std::span<const std::string_view> arguments, Doing& doing) {
  DateOptions options;
  try {
    options = parse_options(arguments);
    check_event_files(options);
  } catch (const UsageError& e) {
    return companion::wrong_usage(PROGRAM, e.what());
  }
  if (options.stop) {
    std::cout << options.stop_text;
    return 0;
  }
  try {
    check_pattern_folders(options);
  } catch (const companion::OutputError& e) {
    report(e.what());
    return companion::FAILED;
  }
  // The site where the measurement was made, and the site of .ref curves,
  // as the options give them.
  std::optional<curve::Site> site, ref_site;
  try {
    site = site_of(options.latitude, options.longitude, "");
    ref_site = site_of(options.ref_latitude, options.ref_longitude, "ref-");
  } catch (const dating::MeasurementError& e) {
    report(value_message(e, std::nullopt));
    return companion::FAILED;
  }
  // The curve (or the model) to date against.
  // 14C ages alone need no field curve.
  std::optional<curve::ReferenceCurve> curve;
  std::optional<field_model::FieldModel> model;
  if (options.c14 || radiocarbon_only(options)) curve.emplace();
  std::optional<DateRun> dated;
  doing.task = options.model ? "reading the coefficient file" : "reading the curve";
  try {
    if (curve) {
      dated.emplace(options, &*curve);
    } else if (!options.model) {
      curve = load_reference(options);
      if (ref_site) curve->site = ref_site;
      dated.emplace(options, &*curve);
    } else {
      model = field_model::FieldModel::open(options.model->string());
      if (const std::size_t unread = model->unread_numbers(); unread > 0) {
        report(console::shown_text(model->name()) + ": " + std::to_string(unread) +
               (unread == 1 ? " number follows" : " numbers follow") +
               " the coefficients; left unread, not used");
      }
      std::optional<GlobalCurves> global;
      if (model->family() == field_model::Family::global) {
        global = global_curves(options, *model);
        if (!global) return companion::FAILED;
      } else if (options.model_sigma || options.span) {
        return companion::wrong_usage(
            PROGRAM, std::string(options.model_sigma ? "--model-sigma" : "--span") +
                         " is for a global model; the regional model's curve has its own "
                         "errors at its own epochs");
      }
      dated.emplace(options, nullptr, &*model, std::move(global));
    }
  } catch (const UsageError& e) {
    return companion::wrong_usage(PROGRAM, e.what());
  } catch (const geomodel::ModelFileError& e) {
    report(e.what());
    return companion::FAILED;
  } catch (const curve::CurveFileError& e) {
    report(e.what());
    return companion::FAILED;
  } catch (const curve::RefFileError& e) {
    report(e.what());
    return companion::FAILED;
  } catch (const driver::CoefficientFileError& e) {
    report(e.what());
    return companion::FAILED;
  }
  doing.task = options.samples ? "dating the rows" : "dating the measurement";
  return options.samples ? date_samples(options, *dated, site, doing)
                         : date_one(options, *dated, site);
}

}  // namespace

int run_date_command(std::span<const std::string_view> arguments) {
  Doing doing;
  try {
    return run_command(arguments, doing);
  } catch (const std::bad_alloc&) {
    std::cout.flush();
    report(doing.text());
    return companion::FAILED;
  }
}

}  // namespace date
