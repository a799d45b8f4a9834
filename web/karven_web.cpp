// The JavaScript module karven: the model, its curves and dating in a web
// browser or under node, from the project's own libraries compiled to
// WebAssembly. A thin layer, as the Python module is: it converts between
// JavaScript (numbers, plain objects, typed arrays) and the libraries'
// types, and throws the libraries' own messages as an Error. Files (a
// coefficient file, a samples file) live in the module's in-memory file
// system, each run in a folder of its own, under the names the user gave.

#include <emscripten/bind.h>
#include <emscripten/val.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "companion/model_site.hpp"
#include "companion/model_span.hpp"
#include "console/fields.hpp"
#include "console/numbers.hpp"
#include "curve/curve_tables.hpp"
#include "curve/model_curve.hpp"
#include "curve/reference_curve.hpp"
#include "curve/site_text.hpp"
#include "curve_export/curve_export.hpp"
#include "date/command.hpp"
#include "dating/chronology.hpp"
#include "dating/dating.hpp"
#include "dating/relocation.hpp"
#include "dating_rows/rows.hpp"
#include "errors/xerror.hpp"
#include "field_model/field_model.hpp"
#include "field_model/value_names.hpp"
#include "geomodel/catalogue.hpp"
#include "geomodel/field.hpp"
#include "karven/version.hpp"
#include "model/model.hpp"
#include "radiocarbon/calibration.hpp"
#include "radiocarbon/calibration_curve.hpp"

namespace {

using curve::Component;
using emscripten::val;

// --- Errors and values ---------------------------------------------------------

// A bad argument: thrown to JavaScript as an Error with the message.
class InputError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

// Runs f; a library's refusal reaches JavaScript as an Error with the
// library's message. The C++ exception is finished with before the
// JavaScript one is thrown.
template <class F>
auto guarded(F&& f) -> decltype(f()) {
  std::string message;
  try {
    return f();
  } catch (const std::exception& e) {
    message = e.what();
  } catch (const errors::RunAborted&) {
    message =
        "the model's Legendre routines reported a fatal error; their report is on the "
        "console";
  }
  val::global("Error").new_(message).throw_();
}

val number_array(std::span<const double> values) {
  return val::global("Float64Array")
      .new_(emscripten::typed_memory_view(values.size(), values.data()));
}

val year_array(int first_year, std::size_t count) {
  std::vector<int> years(count);
  for (std::size_t k = 0; k < count; ++k) years[k] = first_year + static_cast<int>(k);
  return val::global("Int32Array").new_(emscripten::typed_memory_view(years.size(), years.data()));
}

val string_array(const std::vector<std::string>& texts) {
  val result = val::array();
  for (const std::string& text : texts) result.call<void>("push", text);
  return result;
}

bool absent(const val& value) { return value.isUndefined() || value.isNull(); }

std::optional<double> optional_number(const val& object, const char* key) {
  const val value = object[key];
  if (absent(value)) return std::nullopt;
  if (!value.isNumber()) {
    throw InputError(std::string(key) + ": expected a number, got " +
                     value.typeOf().as<std::string>());
  }
  return value.as<double>();
}

// Calls f, prefixing the message of a bad value with where it is.
template <class F>
auto located(const std::string& where, F&& f) -> decltype(f()) {
  try {
    return f();
  } catch (const std::exception& e) {
    throw InputError(where + ": " + e.what());
  }
}

// --- The model and its curves ------------------------------------------------------

// A folder of the in-memory file system for one run, made empty, and the
// working directory while the run lasts: files are named as the user named
// them, as the commands' messages and outputs name them.
class RunFolder {
 public:
  explicit RunFolder(const std::string& name) : path_("/runs/" + name) {
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
    std::filesystem::current_path(path_);
  }
  ~RunFolder() { std::filesystem::current_path("/"); }
  RunFolder(const RunFolder&) = delete;
  RunFolder& operator=(const RunFolder&) = delete;

  void write(const std::string& name, const std::string& text) const {
    std::ofstream(path_ / name, std::ios::binary) << text;
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// A file's name without folders: what the user's file was called.
std::string plain_name(const std::string& name) {
  const std::string plain = std::filesystem::path(name).filename().string();
  if (plain.empty() || plain == "." || plain == "..") {
    throw InputError("the file's name \"" + console::shown_text(name) + "\" names no file");
  }
  return plain;
}

using field_model::QUANTITY_MEMBERS;
using field_model::QUANTITY_NAMES;

// A curve of the model at a site, as karven-export and karven-date take it.
class Curve {
 public:
  Curve(model::SiteCurve site_curve, std::string model_file)
      : site_curve_(site_curve),
        curve_(curve::curve_of_model(site_curve_)),
        reference_(std::make_shared<const curve::ReferenceCurve>(curve::reference_curve(curve_))),
        model_file_(std::move(model_file)) {}

  // A global model's curve at whole years (or any years), with sigmas
  // where the user gave the model some; `title` names the model.
  Curve(curve::ReferenceCurve reference, std::string title, double latitude, double longitude)
      : reference_(std::make_shared<const curve::ReferenceCurve>(std::move(reference))),
        model_file_(std::move(title)),
        global_(true) {
    site_curve_.latitude = latitude;
    site_curve_.longitude = longitude;
  }

  std::string model() const { return global_ ? model_file_ : model::MODEL_NAME; }
  double latitude() const { return site_curve_.latitude; }
  double longitude() const { return site_curve_.longitude; }
  // How karven-date's report names the curve.
  std::string source() const {
    if (global_) return reference_->source;
    return std::string(model::MODEL_NAME) + " at " +
           curve::site_text(site_curve_.latitude, site_curve_.longitude) + " (" + model_file_ + ")";
  }

  // {year, declination, ..., intensity_error_95}: typed arrays, one entry
  // an epoch (a year of a global model's curve; its errors null without
  // the model's sigmas).
  val values() const {
    if (global_) return global_values();
    val result = val::object();
    std::vector<double> years;
    for (const model::CurveValues& epoch : site_curve_.epochs) years.push_back(epoch.year);
    result.set("year", number_array(years));
    for (std::size_t q = 0; q < QUANTITY_NAMES.size(); ++q) {
      std::vector<double> column;
      for (const model::CurveValues& epoch : site_curve_.epochs) {
        column.push_back(epoch.*QUANTITY_MEMBERS[q]);
      }
      result.set(QUANTITY_NAMES[q], number_array(column));
    }
    return result;
  }

  // karven-export --format csv: {name, text}.
  val csv(const std::string& file_name) const {
    return guarded([&] {
      if (global_) {
        return files_of(curve_export::export_model_csv(*reference_, model_file_,
                                                       curve_export::csv_file_name(file_name)));
      }
      return files_of(
          curve_export::export_csv(curve_, origin(), curve_export::csv_file_name(file_name)));
    });
  }

  // karven-export --format ref: [{name, text}, ...] and the notes.
  val ref(const std::string& prefix) const {
    return guarded([&] {
      if (global_)
        return files_of(curve_export::export_model_ref(*reference_, model_file_, prefix));
      return files_of(curve_export::export_ref(curve_, origin(), prefix));
    });
  }

  // The curve file karven writes for the site (the regional model's).
  std::string dat() const {
    return guarded([&] {
      if (global_)
        throw InputError("dat: the curve file is the regional model's; " + model_file_ +
                         " has none");
      return curve_export::curve_file_text(site_curve_);
    });
  }

  const curve::ReferenceCurve& reference() const { return *reference_; }

  // The curve on the grid of the years its components share, by set of
  // components, made when first dated.
  std::shared_ptr<const dating::GriddedCurve> grid(const std::vector<Component>& used,
                                                   unsigned key) const {
    std::shared_ptr<const dating::GriddedCurve>& grid = grids_[key];
    if (!grid) {
      grid = std::make_shared<const dating::GriddedCurve>(dating::grid_curve(*reference_, used));
    }
    return grid;
  }

 private:
  curve_export::CurveOrigin origin() const {
    return curve_export::model_origin(model_file_, curve_);
  }

  val global_values() const {
    val result = val::object();
    const curve::ComponentSeries& first = *(*reference_)[Component::declination];
    result.set("year", number_array(first.years));
    for (const Component c : curve::COMPONENTS) {
      const curve::ComponentSeries& series = *(*reference_)[c];
      const auto q = static_cast<std::size_t>(c);
      result.set(QUANTITY_NAMES[q], number_array(series.values));
      if (series.sigmas.empty()) {
        result.set(QUANTITY_NAMES[q + 3], val::null());
      } else {
        std::vector<double> errors = series.sigmas;
        for (double& error : errors) error *= curve::NORMAL_95;
        result.set(QUANTITY_NAMES[q + 3], number_array(errors));
      }
    }
    return result;
  }

  static val files_of(const curve_export::Export& result) {
    if (!result.failures.empty()) throw InputError(result.failures.front());
    val files = val::array();
    for (const curve_export::ExportFile& file : result.files) {
      val entry = val::object();
      entry.set("name", file.name);
      entry.set("text", file.text);
      files.call<void>("push", entry);
    }
    val out = val::object();
    out.set("files", files);
    out.set("notes", string_array(result.notes));
    return out;
  }

  model::SiteCurve site_curve_;
  curve::Curve curve_;
  std::shared_ptr<const curve::ReferenceCurve> reference_;
  std::string model_file_;
  bool global_ = false;
  mutable std::map<unsigned, std::shared_ptr<const dating::GriddedCurve>> grids_;
};

// Where the page and node put the bundled files they fetched or read
// (addDataFile): models/NAME and radiocarbon/NAME, found there by name as
// the commands find their bundled files.
constexpr const char* DATA_FOLDER = "/data";

// Writes a bundled file into the module's data folder; karven-date's runs
// look there too.
void add_data_file(const std::string& kind, const std::string& name, const std::string& text) {
  guarded([&] {
    if (kind != "models" && kind != "radiocarbon") {
      throw InputError("addDataFile: the kind is \"models\" or \"radiocarbon\", got \"" +
                       console::shown_text(kind) + "\"");
    }
    const std::filesystem::path folder = std::filesystem::path(DATA_FOLDER) / kind;
    std::filesystem::create_directories(folder);
    std::ofstream(folder / plain_name(name), std::ios::binary) << text;
    setenv("KARVEN_DATA", DATA_FOLDER, 1);
  });
}

// A number of an options object that must be a whole year.
int whole_year(double year, const char* key) {
  if (!(std::isfinite(year) && year == std::floor(year) && std::fabs(year) <= 1e6)) {
    throw InputError(std::string(key) + ": expected whole years, got " +
                     console::shortest_text(year));
  }
  return static_cast<int>(year);
}

// model_sigma: [D, I, F], one standard deviation of a global model's curve.
std::optional<field_model::ModelSigma> model_sigma_of(const val& options) {
  const val value = options["model_sigma"];
  if (absent(value)) return std::nullopt;
  const std::vector<double> three = emscripten::convertJSArrayToNumberVector<double>(value);
  if (three.size() != 3) {
    throw InputError(
        "model_sigma: expected [D, I, F], the curve's standard deviation in degrees, degrees "
        "and microtesla");
  }
  for (const double s : three) {
    if (!(s >= 0.0 && std::isfinite(s))) {
      throw InputError("model_sigma: each standard deviation must be finite and 0 or more: " +
                       console::shortest_text(s));
    }
  }
  return field_model::ModelSigma{three[0], three[1], three[2]};
}

// The years of a global model's curve: span [FROM, TO] or [FROM, TO,
// STEP] in whole years, else the model's whole span every `default_step`.
std::vector<double> curve_years(const field_model::FieldModel& m, const val& options,
                                int default_step) {
  const companion::YearSpan whole = companion::model_span(m, default_step);
  const val span = options["span"];
  if (absent(span)) return companion::span_years(whole);
  const std::vector<double> parts = emscripten::convertJSArrayToNumberVector<double>(span);
  if (parts.size() != 2 && parts.size() != 3) {
    throw InputError("span: expected [FROM, TO] or [FROM, TO, STEP] in whole years");
  }
  const companion::YearSpan asked{whole_year(parts[0], "span"), whole_year(parts[1], "span"),
                                  parts.size() == 3 ? whole_year(parts[2], "span") : default_step};
  try {
    return companion::asked_span_years(asked, m);
  } catch (const companion::OptionValueError& e) {
    throw InputError(e.what());
  }
}

using field_model::GLOBAL_FIELD_MEMBERS;
using field_model::GLOBAL_FIELD_NAMES;

// A field model: a bundled global model by its name (its file given to
// addDataFile first), or a coefficient file's or a global model file's
// text under the file's name.
class Model {
 public:
  // As the commands open --model: a bundled model's name, or refused with
  // the list of the bundled models.
  explicit Model(const std::string& name)
      : name_(name), model_(guarded([&] {
          setenv("KARVEN_DATA", DATA_FOLDER, 1);
          return companion::open_model(name);
        })) {}

  Model(const std::string& name, const std::string& text)
      : name_(plain_name(name)), model_(guarded([&] {
          const RunFolder folder("model");
          folder.write(name_, text);
          field_model::FieldModel opened = field_model::FieldModel::open(name_);
          // The file goes when the next one comes: a global model keeps
          // its coefficients, the regional one its own.
          return opened;
        })) {}

  std::string name() const { return name_; }
  bool global() const { return model_.global() != nullptr; }
  std::string citation() const { return model_.citation(); }
  double first_year() const { return model_.first_year(); }
  double last_year() const { return model_.last_year(); }

  val years() const {
    std::vector<double> years;
    if (global()) {
      years = companion::span_years(companion::model_span(model_, 5));
    } else {
      for (int k = 0; k < model::EPOCHS; ++k) years.push_back(model::epoch_year(k));
    }
    return number_array(years);
  }

  Curve curve(double latitude, double longitude) const {
    return curve_with(latitude, longitude, val::object());
  }

  // The curve at a site; a global model's over {span, model_sigma}.
  Curve curve_with(double latitude, double longitude, const val& options) const {
    return guarded([&] {
      if (!global()) {
        if (!absent(options["span"]) || !absent(options["model_sigma"])) {
          throw InputError(
              "the regional model's curve has its own 381 epochs and errors: span and "
              "model_sigma are for a global model");
        }
        return Curve(model_.regional()->curve(latitude, longitude), name_);
      }
      const std::optional<field_model::ModelSigma> sigma = model_sigma_of(options);
      // A curve to date against (with model_sigma) on every whole year, as
      // the dating takes it; one to look at every 5 years.
      const std::vector<double> years = curve_years(model_, options, sigma ? 1 : 5);
      curve::ReferenceCurve reference;
      try {
        reference = model_.curve(latitude, longitude, years, sigma);
      } catch (const std::domain_error& e) {
        throw InputError(e.what());
      }
      reference.source = companion::shared_source(model_);
      return Curve(std::move(reference), title(), latitude, longitude);
    });
  }

  // The field at the sites of two equal arrays of coordinates at one year:
  // the regional model's {declination, ..., intensity_error_95} (NaN where
  // a site lies outside the region) or a global model's {north, east,
  // down, horizontal, declination, inclination, intensity}; typed arrays.
  val field(const val& latitudes, const val& longitudes, double year) const {
    return guarded([&] {
      const std::vector<double> lat = emscripten::convertJSArrayToNumberVector<double>(latitudes);
      const std::vector<double> lon = emscripten::convertJSArrayToNumberVector<double>(longitudes);
      if (lat.size() != lon.size()) {
        throw InputError("field: " + std::to_string(lat.size()) + " latitudes but " +
                         std::to_string(lon.size()) + " longitudes");
      }
      if (!std::isfinite(year)) {
        throw InputError("year: expected a year AD, got " + console::shortest_text(year));
      }
      if (const geomodel::SplineModel* m = model_.global()) return global_field(*m, lat, lon, year);
      const auto epoch =
          static_cast<std::size_t>(located("year", [&] { return model::epoch_index(year); }));
      std::array<std::vector<double>, 6> columns;
      std::array<model::CurveValues, model::EPOCHS> epochs;
      for (std::size_t i = 0; i < lat.size(); ++i) {
        const bool inside = model::in_region(lat[i], lon[i]);
        if (inside) model_.regional()->evaluate(lat[i], lon[i], epochs);
        for (std::size_t q = 0; q < columns.size(); ++q) {
          columns[q].push_back(inside ? epochs[epoch].*QUANTITY_MEMBERS[q] : std::nan(""));
        }
      }
      val result = val::object();
      for (std::size_t q = 0; q < columns.size(); ++q) {
        result.set(QUANTITY_NAMES[q], number_array(columns[q]));
      }
      return result;
    });
  }

  // A global model's dipole at years: {moment (10^22 A m^2),
  // pole_latitude, pole_longitude}, typed arrays.
  val dipole(const val& years_argument) const {
    return guarded([&] {
      const geomodel::SplineModel* m = model_.global();
      if (!m) {
        throw InputError("dipole: " + name_ +
                         " is a regional model, without the Gauss coefficients of a dipole");
      }
      const std::vector<double> years =
          emscripten::convertJSArrayToNumberVector<double>(years_argument);
      std::array<std::vector<double>, 3> columns;
      std::vector<double> gauss(static_cast<std::size_t>(geomodel::coefficient_count(m->degree)));
      for (const double year : years) {
        geomodel::gauss_coefficients(*m, year, gauss);
        const geomodel::Dipole d = geomodel::dipole(gauss);
        columns[0].push_back(d.moment);
        columns[1].push_back(d.pole_latitude);
        columns[2].push_back(d.pole_longitude);
      }
      val result = val::object();
      result.set("moment", number_array(columns[0]));
      result.set("pole_latitude", number_array(columns[1]));
      result.set("pole_longitude", number_array(columns[2]));
      return result;
    });
  }

 private:
  // The model's name where files and notes name it: a file's name without
  // its folders.
  std::string title() const { return std::filesystem::path(model_.name()).filename().string(); }

  // The splines evaluated once for the year, a site's terms once a site.
  static val global_field(const geomodel::SplineModel& m, const std::vector<double>& lat,
                          const std::vector<double>& lon, double year) {
    std::vector<double> gauss(static_cast<std::size_t>(geomodel::coefficient_count(m.degree)));
    geomodel::gauss_coefficients(m, year, gauss);
    std::array<std::vector<double>, 7> columns;
    for (std::size_t i = 0; i < lat.size(); ++i) {
      const geomodel::FieldValues values =
          geomodel::SiteTerms(lat[i], lon[i], m.degree).field(gauss);
      for (std::size_t q = 0; q < columns.size(); ++q) {
        columns[q].push_back(values.*GLOBAL_FIELD_MEMBERS[q]);
      }
    }
    val result = val::object();
    for (std::size_t q = 0; q < columns.size(); ++q) {
      result.set(GLOBAL_FIELD_NAMES[q], number_array(columns[q]));
    }
    return result;
  }

  std::string name_;
  field_model::FieldModel model_;
};

// --- Dating ----------------------------------------------------------------------

// HPD levels in percent: [95] when not given.
std::vector<double> hpd_levels(const val& options) {
  const val levels = options["levels"];
  if (absent(levels)) return {95.0};
  std::vector<double> result;
  if (levels.isNumber()) {
    result.push_back(levels.as<double>());
  } else {
    result = emscripten::convertJSArrayToNumberVector<double>(levels);
  }
  dating_rows::check_levels(result);
  return result;
}

// One measurement against its curve, ready to be dated.
struct PreparedRow {
  std::shared_ptr<const dating::GriddedCurve> grid;
  std::vector<dating::MeasuredComponent> measured;
  std::optional<dating::Relocation> relocation;
  std::vector<std::string> warnings;
};

std::vector<dating::MeasuredComponent> components_used(const dating::Measurement& m) {
  return dating_rows::components_used(m, [](const std::string& field) { return field; });
}

// The measurement of {dec, inc, a95, int, sigma_int, site: [lat, lon]}:
// the names of karven-date's samples file.
PreparedRow prepare_row(const Curve& c, const val& row) {
  if (!curve::has_sigmas(c.reference())) {
    throw InputError(console::shown_text(c.model()) +
                     " gives no uncertainty of its curve, and a date needs one: give one "
                     "standard deviation of the curve with model_sigma [D, I, F] (degrees, "
                     "degrees, microtesla), e.g. model_sigma: [2, 2, 3]");
  }
  dating::Measurement measurement;
  measurement.declination = optional_number(row, "dec");
  measurement.inclination = optional_number(row, "inc");
  measurement.alpha95 = optional_number(row, "a95");
  measurement.intensity = optional_number(row, "int");
  measurement.intensity_sigma = optional_number(row, "sigma_int");
  PreparedRow prepared;
  prepared.measured = components_used(measurement);
  const val site = row["site"];
  if (!absent(site)) {
    const std::vector<double> pair = emscripten::convertJSArrayToNumberVector<double>(site);
    if (pair.size() != 2) throw InputError("site: expected [latitude, longitude] in degrees");
    const dating::Site measured_at = dating_rows::checked_site(pair[0], pair[1]);
    if (std::optional<dating_rows::Relocated> moved =
            dating_rows::relocated(measurement, measured_at, *c.reference().site)) {
      prepared.relocation = std::move(moved->relocation);
      prepared.measured = components_used(prepared.relocation->measurement);
      if (!moved->warning.empty()) prepared.warnings.push_back(moved->warning);
    }
  }
  const dating_rows::UsedComponents used = dating_rows::used_components(prepared.measured);
  prepared.grid = c.grid(used.components, used.key);
  return prepared;
}

// What every date has: years, density, mode, intervals and totals by
// level, warnings.
val date_object(int first_year, std::span<const double> density, int mode,
                const std::vector<dating::HpdRegion>& regions,
                const std::vector<std::string>& warnings) {
  val date = val::object();
  date.set("years", year_array(first_year, density.size()));
  date.set("density", number_array(density));
  date.set("mode", mode);
  val intervals = val::object();
  val totals = val::object();
  for (const dating::HpdRegion& region : regions) {
    val list = val::array();
    for (const dating::HpdInterval& interval : region.intervals) {
      val triple = val::array();
      triple.call<void>("push", interval.from);
      triple.call<void>("push", interval.to);
      triple.call<void>("push", interval.probability);
      list.call<void>("push", triple);
    }
    const std::string level = console::shortest_text(region.level);
    intervals.set(level, list);
    totals.set(level, region.total);
  }
  date.set("intervals", intervals);
  date.set("totals", totals);
  date.set("warnings", string_array(warnings));
  return date;
}

val optional_value(const std::optional<double>& value) { return value ? val(*value) : val::null(); }

val date_one(const Curve& c, const val& measurement) {
  return guarded([&] {
    const std::vector<double> levels = hpd_levels(measurement);
    const PreparedRow row = prepare_row(c, measurement);
    const dating::DatingResult result = dating::date_measurement(*row.grid, row.measured, levels);
    std::vector<std::string> warnings = row.warnings;
    warnings.insert(warnings.end(), result.warnings.begin(), result.warnings.end());
    val dated =
        date_object(result.first_year, result.combined, result.mode, result.regions, warnings);
    val letters = val::array();
    val densities = val::object();
    for (const Component component : result.components) {
      const char* letter = curve::component_letter(component);
      letters.call<void>("push", std::string(letter));
      densities.set(letter, number_array(result.densities[static_cast<std::size_t>(component)]));
    }
    dated.set("components", letters);
    dated.set("densities", densities);
    val sigmas = val::object();
    for (const dating::MeasuredComponent& m : row.measured) {
      sigmas.set(curve::component_letter(m.component), m.sigma);
    }
    dated.set("sigmas", sigmas);
    dated.set("min_chi_square", result.min_chi_square);
    dated.set("closest_year", result.closest_year);
    dated.set("unusable_years", result.unusable_years);
    dated.set("curve", c.source());
    val relocation = val::null();
    if (row.relocation) {
      const dating::Measurement& moved = row.relocation->measurement;
      relocation = val::object();
      relocation.set("distance_km", row.relocation->distance_km);
      relocation.set("dec", optional_value(moved.declination));
      relocation.set("inc", optional_value(moved.inclination));
      relocation.set("a95", optional_value(moved.alpha95));
      relocation.set("int", optional_value(moved.intensity));
      relocation.set("sigma_int", optional_value(moved.intensity_sigma));
      relocation.set("declination_assumed", row.relocation->declination_assumed);
    }
    dated.set("relocation", relocation);
    return dated;
  });
}

// The rows of an event: each {dec, inc, ..., curve?}; a row without a
// curve takes the default.
std::vector<PreparedRow> prepare_rows(const val& rows, const Curve* fallback,
                                      const std::string& where) {
  std::vector<PreparedRow> prepared;
  const auto count = rows["length"].as<unsigned>();
  for (unsigned k = 0; k < count; ++k) {
    const val row = rows[k];
    const std::string row_where =
        where + (where.empty() ? "row " : ", row ") + std::to_string(k + 1);
    prepared.push_back(located(row_where, [&] {
      const val curve_value = row["curve"];
      const Curve* c = absent(curve_value) ? fallback : &curve_value.as<const Curve&>();
      if (!c) throw InputError("no curve: give the row's curve, or the curve of every row");
      return prepare_row(*c, row);
    }));
  }
  if (prepared.empty()) throw InputError((where.empty() ? "rows" : where) + ": no rows");
  return prepared;
}

dating::YearSpan shared_span(const std::vector<std::vector<PreparedRow>>& events) {
  std::vector<const dating::GriddedCurve*> grids;
  for (const auto& rows : events) {
    for (const PreparedRow& row : rows) grids.push_back(row.grid.get());
  }
  return located("the rows' curves", [&] { return dating::shared_span(grids); });
}

dating::EventDate date_rows(const std::vector<PreparedRow>& rows, dating::YearSpan span,
                            const std::vector<double>& levels) {
  std::vector<dating::RowLikelihood> likelihoods;
  for (const PreparedRow& row : rows) {
    likelihoods.push_back(dating::row_likelihood(*row.grid, row.measured, span));
  }
  return dating::date_event(likelihoods, levels);
}

val event_object(const dating::EventDate& result, const std::vector<PreparedRow>& rows) {
  std::vector<std::string> warnings;
  for (const PreparedRow& row : rows) {
    warnings.insert(warnings.end(), row.warnings.begin(), row.warnings.end());
  }
  warnings.insert(warnings.end(), result.warnings.begin(), result.warnings.end());
  const std::size_t count = result.log_likelihood.size();
  val date =
      date_object(result.first_year, dating_rows::on_grid(result.density, result.first_year, count),
                  result.mode, result.regions, warnings);
  date.set("min_chi_square", result.min_chi_square);
  date.set("closest_year", result.closest_year);
  date.set("degrees", result.degrees);
  date.set("chi_square_limit", result.chi_square_limit);
  return date;
}

const Curve* default_curve(const val& options) {
  const val value = options["curve"];
  return absent(value) ? nullptr : &value.as<const Curve&>();
}

// dateEvent(rows, {curve, levels}): the rows of one event dated together.
val date_event(const val& rows, const val& options) {
  return guarded([&] {
    const std::vector<double> levels = hpd_levels(options);
    std::vector<std::vector<PreparedRow>> event = {prepare_rows(rows, default_curve(options), "")};
    const dating::EventDate result =
        located("rows", [&] { return date_rows(event[0], shared_span(event), levels); });
    return event_object(result, event[0]);
  });
}

// dateSequence(events, {order, curve, levels}): each event a row or an
// array of rows, in stratigraphic order.
val date_sequence(const val& events_argument, const val& options) {
  return guarded([&] {
    const val order_value = options["order"];
    const std::string order =
        absent(order_value) ? std::string("oldest-first") : order_value.as<std::string>();
    dating_rows::check_order(order);
    const std::vector<double> levels = hpd_levels(options);
    const Curve* fallback = default_curve(options);
    std::vector<std::vector<PreparedRow>> events;
    const auto count = events_argument["length"].as<unsigned>();
    for (unsigned e = 0; e < count; ++e) {
      const val event = events_argument[e];
      const std::string where = "event " + std::to_string(e + 1);
      if (val::global("Array").call<bool>("isArray", event)) {
        events.push_back(prepare_rows(event, fallback, where));
      } else {
        val single = val::array();
        single.call<void>("push", event);
        std::vector<PreparedRow> rows = prepare_rows(single, fallback, "");
        events.push_back(std::move(rows));
      }
    }
    if (events.empty()) throw InputError("events: no events");
    const dating::YearSpan span = shared_span(events);
    std::vector<dating::EventDate> alone;
    for (std::size_t e = 0; e < events.size(); ++e) {
      alone.push_back(located("event " + std::to_string(e + 1),
                              [&] { return date_rows(events[e], span, levels); }));
    }
    const std::vector<std::size_t> oldest_first = dating_rows::oldest_first(order, events.size());
    std::vector<std::span<const double>> log_likelihoods;
    for (const std::size_t e : oldest_first) log_likelihoods.push_back(alone[e].log_likelihood);
    const dating::SequenceDate result = located(
        "events", [&] { return dating::date_sequence(span.first_year, log_likelihoods, levels); });
    std::vector<val> in_order(events.size(), val::null());
    for (std::size_t k = 0; k < oldest_first.size(); ++k) {
      const std::size_t e = oldest_first[k];
      const dating::DateInSequence& within = result.events[k];
      val date = date_object(span.first_year,
                             dating_rows::on_grid(within.density, span.first_year, span.size()),
                             within.mode, within.regions, within.warnings);
      date.set("alone", event_object(alone[e], events[e]));
      date.set("agreement", within.agreement);
      in_order[e] = date;
    }
    val dates = val::array();
    for (const val& date : in_order) dates.call<void>("push", date);
    val sequence = val::object();
    sequence.set("events", dates);
    sequence.set("agreement", result.agreement);
    sequence.set("warnings", string_array(result.warnings));
    sequence.set("order", order);
    return sequence;
  });
}

// --- Radiocarbon ------------------------------------------------------------------

using CalibrationGrid = std::shared_ptr<const radiocarbon::GriddedCalibrationCurve>;

// A calibration curve by a bundled curve's name (any case, its file given
// to addDataFile first), on its grid of whole years; each read once.
CalibrationGrid calibration_curve(const std::string& name) {
  static std::map<std::string, CalibrationGrid> read;
  const std::optional<radiocarbon::CatalogueEntry> entry = radiocarbon::catalogue_entry(name);
  const std::string key = entry ? entry->key : name;
  if (const auto found = read.find(key); found != read.end()) return found->second;
  CalibrationGrid grid = std::make_shared<const radiocarbon::GriddedCalibrationCurve>(
      radiocarbon::grid_curve(radiocarbon::load_curve(name, DATA_FOLDER)));
  read[key] = grid;
  return grid;
}

// calibrate(age, sigma, curve, deltaR, deltaRSigma, levels): a 14C age
// (years BP, one sigma) calibrated on a bundled curve, with a reservoir
// offset; the date as date() gives one, and the curve's words.
val calibrate(double age, double sigma, const std::string& curve_name, const val& delta_r,
              const val& delta_r_sigma, const val& levels_argument) {
  return guarded([&] {
    val options = val::object();
    options.set("levels", levels_argument);
    const std::vector<double> levels = hpd_levels(options);
    const CalibrationGrid curve = calibration_curve(curve_name);
    const auto offset = [](const val& value, const char* key) {
      if (absent(value)) return 0.0;
      if (!value.isNumber()) throw InputError(std::string(key) + ": expected a number");
      return value.as<double>();
    };
    const radiocarbon::C14Age measured{age, sigma, offset(delta_r, "delta_r"),
                                       offset(delta_r_sigma, "delta_r_sigma")};
    try {
      radiocarbon::check_age(*curve, measured);
    } catch (const dating::MeasurementError& e) {
      // The value at fault named as calibrate's arguments name it.
      const std::map<std::string, std::string> argument = {{"c14_age", "age"},
                                                           {"c14_sigma", "sigma"},
                                                           {"delta_r", "deltaR"},
                                                           {"delta_r_sigma", "deltaRSigma"}};
      const auto found = argument.find(e.field());
      throw InputError((found == argument.end() ? e.field() : found->second) + ": " + e.what());
    }
    const radiocarbon::Calibration result = radiocarbon::calibrate(*curve, measured, levels);
    val dated = date_object(result.date.first_year, result.date.combined, result.date.mode,
                            result.date.regions, result.date.warnings);
    dated.set("curve", curve->citation.empty() ? "the calibration curve " + curve->name
                                               : curve->name + " (" + curve->citation + ")");
    return dated;
  });
}

val calibrate_plain(double age, double sigma, const std::string& curve_name) {
  return calibrate(age, sigma, curve_name, val::undefined(), val::undefined(), val::undefined());
}

// The calibration curve's points, for the figure: {year (AD), age, sigma}.
val calibration_points(const std::string& curve_name) {
  return guarded([&] {
    const radiocarbon::CalibrationCurve curve = radiocarbon::load_curve(curve_name, DATA_FOLDER);
    val result = val::object();
    result.set("year", number_array(curve.years));
    result.set("age", number_array(curve.ages));
    result.set("sigma", number_array(curve.sigmas));
    return result;
  });
}

// --- The bundled files ----------------------------------------------------------

// The bundled global models: [{name, file, first_year, last_year, degree,
// citation}], in the catalogue's order.
val bundled_models() {
  val list = val::array();
  for (const geomodel::BundledModel& m : geomodel::bundled_models()) {
    val entry = val::object();
    entry.set("name", std::string(m.name));
    entry.set("file", std::string(m.file_name));
    entry.set("first_year", m.first_year);
    entry.set("last_year", m.last_year);
    entry.set("degree", m.degree);
    entry.set("citation", std::string(m.citation));
    list.call<void>("push", entry);
  }
  return list;
}

// The bundled calibration curves: [{key, file, name, citation}].
val calibration_curves() {
  val list = val::array();
  for (const radiocarbon::CatalogueEntry& c : radiocarbon::catalogue()) {
    val entry = val::object();
    entry.set("key", c.key);
    entry.set("file", c.file);
    entry.set("name", c.name);
    entry.set("citation", c.citation);
    list.call<void>("push", entry);
  }
  return list;
}

// --- The commands' runs ------------------------------------------------------------

// Runs karven-date on arguments in a folder holding the given files
// ({name: text}); its standard output and error, exit status and the
// files it wrote ({name: text}), as the command would leave them.
val run_date(const val& arguments, const val& inputs) {
  const RunFolder folder("date");
  const val names = val::global("Object").call<val>("keys", inputs);
  std::vector<std::string> given;
  for (unsigned k = 0; k < names["length"].as<unsigned>(); ++k) {
    const std::string name = plain_name(names[k].as<std::string>());
    folder.write(name, inputs[names[k]].as<std::string>());
    given.push_back(name);
  }
  std::vector<std::string> words;
  for (unsigned k = 0; k < arguments["length"].as<unsigned>(); ++k) {
    words.push_back(arguments[k].as<std::string>());
  }
  const std::vector<std::string_view> views(words.begin(), words.end());
  std::ostringstream out;
  std::ostringstream err;
  std::streambuf* const old_out = std::cout.rdbuf(out.rdbuf());
  std::streambuf* const old_err = std::cerr.rdbuf(err.rdbuf());
  int status = 1;
  try {
    status = date::run_date_command(views);
  } catch (const std::exception& e) {
    err << "karven-date: " << e.what() << '\n';
  }
  std::cout.rdbuf(old_out);
  std::cerr.rdbuf(old_err);
  val written = val::object();
  for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
    const std::string name = entry.path().filename().string();
    if (std::find(given.begin(), given.end(), name) != given.end()) continue;
    // The outputs get the permissions of the process's umask, which
    // emscripten's file system does not set: readable here whatever it is.
    std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_read,
                                 std::filesystem::perm_options::add);
    std::ifstream file(entry.path(), std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    written.set(name, text);
  }
  val result = val::object();
  result.set("status", status);
  result.set("stdout", out.str());
  result.set("stderr", err.str());
  result.set("files", written);
  return result;
}

// A number as the commands read a site's --lat or --lon (and the page a
// measured value): decimal, with the commands' message when it is not one.
double site_coordinate(const std::string& option, const std::string& text) {
  return guarded([&] { return companion::site_coordinate(option, text); });
}

}  // namespace

// The figures' external program (gnuplot) watches for signals with
// signalfd, which emscripten's C library lacks: no program is started in a
// browser, so the watch is refused as the system would refuse it.
extern "C" int signalfd(int, const sigset_t*, int) {
  errno = ENOSYS;
  return -1;
}

EMSCRIPTEN_BINDINGS(karven) {
  using emscripten::class_;
  using emscripten::function;
  emscripten::constant("version", std::string(karven::VERSION));
  emscripten::constant("MODEL_NAME", std::string(model::MODEL_NAME));

  class_<Curve>("Curve")
      .property("model", &Curve::model)
      .property("latitude", &Curve::latitude)
      .property("longitude", &Curve::longitude)
      .property("source", &Curve::source)
      .function("values", &Curve::values)
      .function("csv", &Curve::csv)
      .function("ref", &Curve::ref)
      .function("dat", &Curve::dat);

  class_<Model>("Model")
      .constructor<std::string>()
      .constructor<std::string, std::string>()
      .property("name", &Model::name)
      .property("global", &Model::global)
      .property("citation", &Model::citation)
      .property("first_year", &Model::first_year)
      .property("last_year", &Model::last_year)
      .function("years", &Model::years)
      .function("curve", &Model::curve)
      .function("curve", &Model::curve_with)
      .function("field", &Model::field)
      .function("dipole", &Model::dipole);

  function("date", &date_one);
  function("dateEvent", &date_event);
  function("dateSequence", &date_sequence);
  function("runDate", &run_date);
  function("addDataFile", &add_data_file);
  function("bundledModels", &bundled_models);
  function("calibrationCurves", &calibration_curves);
  function("calibrate", &calibrate);
  function("calibrate", &calibrate_plain);
  function("calibrationCurve", &calibration_points);
  function("siteCoordinate", &site_coordinate);
}
