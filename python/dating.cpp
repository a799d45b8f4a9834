#include "python/dating.hpp"

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

#include "console/fields.hpp"
#include "curve/curve_reader.hpp"
#include "curve/reference_curve.hpp"
#include "dating/chronology.hpp"
#include "dating/dating.hpp"
#include "dating/relocation.hpp"
#include "dating_rows/rows.hpp"
#include "field_model/field_model.hpp"
#include "model/model.hpp"
#include "radiocarbon/calibration.hpp"
#include "radiocarbon/calibration_curve.hpp"

namespace karven_python {

namespace {

// --- Dating ------------------------------------------------------------------

// The keyword names of the measured values, by the dating library's field
// names (those of karven-date's samples file).
std::string argument_of_field(const std::string& field) {
  if (field == "int") return "intensity";
  if (field == "sigma_int") return "sigma_intensity";
  return field;
}

std::vector<dating::MeasuredComponent> components_used(const dating::Measurement& m) {
  return dating_rows::components_used(m, argument_of_field);
}

std::optional<dating::Site> measured_site(py::handle site) {
  if (site.is_none()) return std::nullopt;
  const auto shape_error = [&site] {
    return py::type_error("site: expected (latitude, longitude) in degrees, got " +
                          std::string(py::repr(site)));
  };
  if (!py::isinstance<py::sequence>(site) || py::isinstance<py::str>(site) || py::len(site) != 2) {
    throw shape_error();
  }
  const py::sequence pair = py::reinterpret_borrow<py::sequence>(site);
  const double latitude = number(pair[0], "site");
  const double longitude = number(pair[1], "site");
  const dating::Site result = dating_rows::checked_site(latitude, longitude);
  // The commands' range: east or west of Greenwich, or east up to a turn.
  if (!(result.longitude >= -180.0 && result.longitude <= 360.0)) {
    throw InputError("site: a longitude lies between -180 and 360 degrees: " +
                     console::shortest_text(result.longitude));
  }
  return result;
}

// One measurement against its curve, ready to be dated: the curve on its
// year grid, the components used, and the relocation to the curve's site
// when the measurement's own site is given.
struct PreparedRow {
  std::string where;  // "row 2", "event 3, row 1": names the row in messages
  // An archaeomagnetic row's curve, or else a radiocarbon row's.
  std::shared_ptr<const dating::GriddedCurve> grid;
  std::shared_ptr<const radiocarbon::GriddedCalibrationCurve> calibration;
  radiocarbon::C14Age age;
  std::vector<dating::MeasuredComponent> measured;
  std::optional<dating::Relocation> relocation;
  std::vector<std::string> warnings;
};

// The curves of the components used on the grid of the years they share:
// a curve given but not used limits no measurement's years.
std::shared_ptr<const dating::GriddedCurve> gridded(
    const Curve& c, const std::vector<dating::MeasuredComponent>& measured) {
  const dating_rows::UsedComponents used = dating_rows::used_components(measured);
  std::shared_ptr<const dating::GriddedCurve>& grid = c.grids[used.key];
  if (!grid) {
    try {
      grid = std::make_shared<const dating::GriddedCurve>(
          dating::grid_curve(*c.reference, used.components));
    } catch (const std::invalid_argument& e) {
      throw InputError(c.source + ": " + e.what());
    }
  }
  return grid;
}

PreparedRow prepare_row(const Curve& c, const MeasurementArguments& args) {
  dating::Measurement measurement;
  measurement.declination = optional_number(args.dec, "dec");
  measurement.inclination = optional_number(args.inc, "inc");
  measurement.alpha95 = optional_number(args.a95, "a95");
  measurement.intensity = optional_number(args.intensity, "intensity");
  measurement.intensity_sigma = optional_number(args.sigma_intensity, "sigma_intensity");
  const std::optional<dating::Site> site = measured_site(args.site);

  PreparedRow row;
  // The values as given are checked first, so that a message quotes them.
  row.measured = components_used(measurement);
  if (site) {
    if (!c.reference->site) {
      throw InputError(
          "site: the curve's site is unknown (a curve of .ref files without a site line), so "
          "the measurement cannot be relocated to it; leave out site= to take the measurement "
          "at the curve's site");
    }
    // Relocated to the curve's site, as karven-date relocates it: not at all
    // when the two are the same.
    std::optional<dating_rows::Relocated> moved;
    try {
      moved = dating_rows::relocated(measurement, *site, *c.reference->site);
    } catch (const dating::MeasurementError& e) {
      throw InputError(argument_of_field(e.field()) + ": " + e.what());
    }
    if (moved) {
      row.relocation = std::move(moved->relocation);
      row.measured = components_used(row.relocation->measurement);
      if (!moved->warning.empty()) row.warnings.push_back(moved->warning);
    }
  }
  for (const dating::MeasuredComponent& m : row.measured) {
    if (!(*c.reference)[m.component]) {
      const char* name = curve::component_name(m.component);
      throw InputError(std::string("the ") + name + " is measured: give its reference curve, " +
                       "read_ref(" + name + "=...)");
    }
  }
  if (c.global) {
    if (!c.model_sigma) {
      throw InputError("the curve of " + c.model.value_or("the global model") +
                       " has no errors (a global model gives none), and a date needs them: "
                       "give model_sigma=(D, I, F), the curve's standard deviation in degrees, "
                       "degrees and microtesla (0 counts none)");
    }
    const field_model::ModelSigma& sigma = *c.model_sigma;
    const double sigmas[3] = {sigma.declination, sigma.inclination, sigma.intensity};
    for (const dating::MeasuredComponent& m : row.measured) {
      if (sigmas[static_cast<std::size_t>(m.component)] == 0.0) {
        row.warnings.push_back(
            "the model's curve is given a standard deviation of 0: the curve's own "
            "uncertainty is not counted");
        break;
      }
    }
  }
  row.grid = gridded(c, row.measured);
  return row;
}

void fill_date(Date& date, int first_year, std::span<const double> density, int mode,
               const std::vector<dating::HpdRegion>& regions,
               const std::vector<std::string>& warnings) {
  date.years = year_grid(first_year, density.size());
  date.density = frozen(std::vector<double>(density.begin(), density.end()));
  date.mode = mode;
  for (const dating::HpdRegion& region : regions) {
    py::list intervals;
    for (const dating::HpdInterval& interval : region.intervals) {
      intervals.append(py::make_tuple(interval.from, interval.to, interval.probability));
    }
    date.intervals[py::float_(region.level)] = intervals;
    date.totals[py::float_(region.level)] = region.total;
  }
  for (const std::string& warning : warnings) date.warnings.append(warning);
}

}  // namespace

std::string date_repr(const Date& date) {
  std::string text = "<karven." + date.repr_name + ": mode " +
                     dating::year_text(date.mode, dating::YearNotation::ad);
  for (const auto& [level, intervals] : date.intervals) {
    text += "; " + console::shortest_text(level.cast<double>()) + "%: ";
    bool first = true;
    for (py::handle interval : py::reinterpret_borrow<py::list>(intervals)) {
      const auto [from, to, probability] = interval.cast<std::tuple<int, int, double>>();
      text += (first ? "" : ", ") +
              dating::interval_text({from, to, probability}, dating::YearNotation::ad);
      first = false;
    }
  }
  return text + ">";
}

Dating date_one(const Curve& c, const MeasurementArguments& args, py::handle levels_argument) {
  const std::vector<double> levels = hpd_levels(levels_argument);
  const PreparedRow row = prepare_row(c, args);
  const dating::DatingResult result = dating::date_measurement(*row.grid, row.measured, levels);

  Dating dated;
  dated.repr_name = "Dating";
  std::vector<std::string> warnings = row.warnings;
  warnings.insert(warnings.end(), result.warnings.begin(), result.warnings.end());
  fill_date(dated, result.first_year, result.combined, result.mode, result.regions, warnings);
  py::list letters;
  for (const Component component : result.components) {
    const char* letter = curve::component_letter(component);
    letters.append(letter);
    dated.densities[letter] = frozen(result.densities[static_cast<std::size_t>(component)]);
  }
  dated.components = py::tuple(letters);
  for (const dating::MeasuredComponent& m : row.measured) {
    dated.sigmas[curve::component_letter(m.component)] = m.sigma;
  }
  dated.min_chi_square = result.min_chi_square;
  dated.closest_year = result.closest_year;
  dated.unusable_years = result.unusable_years;
  dated.curve = c.source;
  if (row.relocation) {
    const dating::Measurement& moved = row.relocation->measurement;
    dated.relocation = py::dict(
        "distance_km"_a = row.relocation->distance_km, "dec"_a = optional_value(moved.declination),
        "inc"_a = optional_value(moved.inclination), "a95"_a = optional_value(moved.alpha95),
        "intensity"_a = optional_value(moved.intensity),
        "sigma_intensity"_a = optional_value(moved.intensity_sigma),
        "declination_assumed"_a = row.relocation->declination_assumed);
  }
  return dated;
}

namespace {

// --- Radiocarbon ---------------------------------------------------------------

using CalibrationGrid = std::shared_ptr<const radiocarbon::GriddedCalibrationCurve>;

// A calibration curve by a bundled curve's name (any case) or a .14c
// file's path, on its grid of whole years; the bundled curves are read once.
CalibrationGrid calibration_curve(const std::filesystem::path& name_or_path) {
  static std::map<std::string, CalibrationGrid> bundled_curves;
  const std::string name = name_or_path.string();
  const std::optional<radiocarbon::CatalogueEntry> entry = radiocarbon::catalogue_entry(name);
  if (entry) {
    if (const auto found = bundled_curves.find(entry->key); found != bundled_curves.end()) {
      return found->second;
    }
  }
  CalibrationGrid grid;
  try {
    grid = std::make_shared<const radiocarbon::GriddedCalibrationCurve>(
        radiocarbon::grid_curve(radiocarbon::load_curve(name, module_data_folder())));
  } catch (const radiocarbon::CurveFileError& e) {
    raise_file_error(e.what());
  } catch (const std::invalid_argument& e) {
    throw InputError(name + ": " + e.what());
  }
  if (entry) bundled_curves[entry->key] = grid;
  return grid;
}

// The words that name a calibration curve where a date names its curve.
std::string calibration_source(const radiocarbon::GriddedCalibrationCurve& curve) {
  return curve.citation.empty() ? "the calibration curve " + curve.name
                                : curve.name + " (" + curve.citation + ")";
}

// An age checked against its curve; a bad value is named by its keyword,
// `keys` giving the keywords of age, sigma, delta_r and delta_r_sigma.
radiocarbon::C14Age checked_age(const radiocarbon::GriddedCalibrationCurve& curve, py::handle age,
                                py::handle sigma, py::handle delta_r, py::handle delta_r_sigma,
                                const std::array<const char*, 4>& keys) {
  const radiocarbon::C14Age result{number(age, keys[0]), number(sigma, keys[1]),
                                   optional_number(delta_r, keys[2]).value_or(0.0),
                                   optional_number(delta_r_sigma, keys[3]).value_or(0.0)};
  try {
    radiocarbon::check_age(curve, result);
  } catch (const dating::MeasurementError& e) {
    const std::array<const char*, 4> fields = {"c14_age", "c14_sigma", "delta_r", "delta_r_sigma"};
    std::string key = e.field();
    for (std::size_t k = 0; k < fields.size(); ++k) {
      if (key == fields[k]) key = keys[k];
    }
    throw InputError(key + ": " + e.what());
  }
  return result;
}

}  // namespace

Dating calibrate_age(py::handle age, py::handle sigma, const std::filesystem::path& curve_name,
                     py::handle delta_r, py::handle delta_r_sigma, py::handle levels_argument) {
  const std::vector<double> levels = hpd_levels(levels_argument);
  const CalibrationGrid curve = calibration_curve(curve_name);
  const radiocarbon::C14Age measured = checked_age(*curve, age, sigma, delta_r, delta_r_sigma,
                                                   {"age", "sigma", "delta_r", "delta_r_sigma"});
  const radiocarbon::Calibration result = radiocarbon::calibrate(*curve, measured, levels);
  Dating dated;
  dated.repr_name = "Dating";
  fill_date(dated, result.date.first_year, result.date.combined, result.date.mode,
            result.date.regions, result.date.warnings);
  dated.min_chi_square = result.date.min_chi_square;
  dated.closest_year = result.date.closest_year;
  dated.curve = calibration_source(*curve);
  return dated;
}

namespace {

// The keys of a radiocarbon row, and those of a measurement that it may not hold.
constexpr std::array<const char*, 5> C14_KEYS = {"c14_age", "c14_sigma", "c14_curve", "delta_r",
                                                 "delta_r_sigma"};
constexpr std::array<const char*, 6> MEASUREMENT_KEYS = {"curve", "dec",       "inc",
                                                         "a95",   "intensity", "sigma_intensity"};

PreparedRow prepare_c14_row(const py::dict& keywords) {
  for (const char* key : MEASUREMENT_KEYS) {
    if (keywords.contains(key) && !keywords[key].is_none()) {
      throw InputError(std::string("a row holds either a measurement or a radiocarbon age, never "
                                   "both: \"") +
                       key + "\" with \"c14_age\"");
    }
  }
  const auto value = [&keywords](const char* key) {
    return keywords.contains(key) ? py::object(keywords[key]) : py::object(py::none());
  };
  PreparedRow row;
  const py::object curve_name = value("c14_curve");
  row.calibration =
      calibration_curve(curve_name.is_none() ? std::filesystem::path("intcal20")
                                             : curve_name.cast<std::filesystem::path>());
  row.age =
      checked_age(*row.calibration, value("c14_age"), value("c14_sigma"), value("delta_r"),
                  value("delta_r_sigma"), {"c14_age", "c14_sigma", "delta_r", "delta_r_sigma"});
  return row;
}

// The warning of a radiocarbon row whose calibrated date lies partly
// outside the years of its event or sequence, with the share outside.
std::optional<std::string> outside_warning(const PreparedRow& row, dating::YearSpan span) {
  const std::vector<double> level = {95.0};
  const dating::DatingResult date = radiocarbon::calibrate(*row.calibration, row.age, level).date;
  double outside = 0.0;
  for (std::size_t k = 0; k < date.combined.size(); ++k) {
    const int year = date.first_year + static_cast<int>(k);
    if (year < span.first_year || year > span.last_year) outside += date.combined[k];
  }
  if (outside < radiocarbon::BEYOND_SHARE_WARNED) return std::nullopt;
  return "the radiocarbon age's calibrated date lies " + dating::percent_text(outside) +
         " outside the years the rows' curves share, " +
         dating::span_text(span.first_year, span.last_year) + "; that part is left out";
}

}  // namespace

// --- Rows against a model ------------------------------------------------------

const Curve* CurveSource::for_site(py::handle site) {
  if (!model) return curve;
  const std::optional<dating::Site> where = measured_site(site);
  if (!where) {
    throw InputError("site: a measurement dated against " + model->model.name() +
                     " needs its site, (latitude, longitude), where the model's curve is made");
  }
  std::shared_ptr<const Curve>& made = at_site[{where->latitude, where->longitude}];
  if (!made) {
    if (model->global()) {
      made = std::make_shared<const Curve>(
          curve_of_global(*model, where->latitude, where->longitude,
                          curve_years(model->model, span, py::none(), 1), sigma));
    } else {
      made = std::make_shared<const Curve>(
          curve_of_site(model->model.regional()->curve(where->latitude, where->longitude),
                        "model " + model->path));
    }
  }
  return made.get();
}

CurveSource curve_source_of(py::handle curve_default, py::handle model, py::handle sigma,
                            py::handle span);

namespace {

// --- Events and sequences ------------------------------------------------------

constexpr std::array<const char*, 12> ROW_KEYS = {
    "curve", "dec",     "inc",       "a95",       "intensity", "sigma_intensity",
    "site",  "c14_age", "c14_sigma", "c14_curve", "delta_r",   "delta_r_sigma"};

const Curve& curve_argument(py::handle value) {
  if (!py::isinstance<Curve>(value)) {
    throw py::type_error("curve: expected a karven.Curve, got " +
                         std::string(py::str(value.get_type().attr("__name__"))));
  }
  return value.cast<const Curve&>();
}

}  // namespace

CurveSource curve_source_of(py::handle curve_default, py::handle model, py::handle sigma,
                            py::handle span) {
  CurveSource source;
  if (!curve_default.is_none()) source.curve = &curve_argument(curve_default);
  if (!model.is_none()) {
    if (source.curve) throw InputError("give curve= or model=, not both");
    if (!py::isinstance<Model>(model)) {
      throw py::type_error("model: expected a karven.Model, got " +
                           std::string(py::str(model.get_type().attr("__name__"))));
    }
    source.model = &model.cast<const Model&>();
  }
  source.sigma = model_sigma_argument(sigma);
  if (source.sigma && !(source.model && source.model->global())) {
    throw InputError(
        "model_sigma: the standard deviation of a global model's curve, given with model=");
  }
  if (!span.is_none() && !(source.model && source.model->global())) {
    throw InputError("span: the years of a global model's curve, given with model=");
  }
  source.span = py::reinterpret_borrow<py::object>(span);
  return source;
}

namespace {

// Calls f, prefixing the message of a bad argument with where it is.
template <class F>
auto located(const std::string& where, F&& f) {
  try {
    return f();
  } catch (const dating::MeasurementError& e) {
    throw InputError(where + ": " + e.what());
  } catch (const std::invalid_argument& e) {
    throw InputError(where + ": " + e.what());
  } catch (const py::type_error& e) {
    raise(PyExc_TypeError, where + ": " + e.what());
  }
}

// A row of an event: a dict of date()'s keywords, or of a radiocarbon
// age's; a row without "curve" takes the default curve, or the model's at
// its site.
PreparedRow prepare_event_row(py::handle row, CurveSource& source, const std::string& where) {
  check_signals();
  PreparedRow prepared = located(where, [&] {
    if (!py::isinstance<py::dict>(row)) {
      throw py::type_error(
          "expected a dict of date()'s keywords (curve, dec, inc, a95, "
          "intensity, sigma_intensity, site) or of a radiocarbon age (c14_age, c14_sigma, "
          "c14_curve, delta_r, delta_r_sigma), got " +
          std::string(py::str(row.get_type().attr("__name__"))));
    }
    const auto keywords = py::reinterpret_borrow<py::dict>(row);
    for (const auto& item : keywords) {
      const std::string key = py::str(item.first);
      if (std::find(ROW_KEYS.begin(), ROW_KEYS.end(), key) == ROW_KEYS.end()) {
        throw InputError(
            "unknown key \"" + key +
            "\"; the keys are curve, dec, inc, a95, intensity, sigma_intensity, site, and for a "
            "radiocarbon age c14_age, c14_sigma, c14_curve, delta_r, delta_r_sigma");
      }
    }
    for (const char* key : C14_KEYS) {
      if (keywords.contains(key) && !keywords[key].is_none()) return prepare_c14_row(keywords);
    }
    const py::object site =
        keywords.contains("site") ? py::object(keywords["site"]) : py::object(py::none());
    const Curve* c =
        keywords.contains("curve") ? &curve_argument(keywords["curve"]) : source.for_site(site);
    if (!c) {
      throw InputError("no curve: give the row's \"curve\", or curve= or model= for every row");
    }
    MeasurementArguments args;
    const std::pair<const char*, py::object*> values[] = {
        {"dec", &args.dec},
        {"inc", &args.inc},
        {"a95", &args.a95},
        {"intensity", &args.intensity},
        {"sigma_intensity", &args.sigma_intensity},
        {"site", &args.site}};
    for (const auto& [key, into] : values) {
      if (keywords.contains(key)) *into = keywords[key];
    }
    return prepare_row(*c, args);
  });
  prepared.where = where;
  return prepared;
}

// The years that the curves of all rows share: the grid of an event or a
// sequence.
// A radiocarbon row whose date lies partly outside it is warned of.
dating::YearSpan shared_span(std::vector<std::vector<PreparedRow>>& events) {
  std::vector<const dating::GriddedCurve*> grids;
  dating::YearSpan span{std::numeric_limits<int>::min(), std::numeric_limits<int>::max()};
  for (const auto& rows : events) {
    for (const PreparedRow& row : rows) {
      if (row.grid) {
        grids.push_back(row.grid.get());
      } else {
        span.first_year = std::max(span.first_year, row.calibration->first_year);
        span.last_year = std::min(span.last_year, row.calibration->last_year);
      }
    }
  }
  try {
    if (!grids.empty()) {
      const dating::YearSpan shared = dating::shared_span(grids);
      span.first_year = std::max(span.first_year, shared.first_year);
      span.last_year = std::min(span.last_year, shared.last_year);
    }
  } catch (const std::invalid_argument& e) {
    throw InputError(std::string("the rows' curves: ") + e.what());
  }
  if (span.last_year <= span.first_year) {
    throw InputError("the rows' curves share fewer than two whole years");
  }
  for (auto& rows : events) {
    for (PreparedRow& row : rows) {
      if (!row.calibration) continue;
      check_signals();
      if (auto warning = outside_warning(row, span)) {
        row.warnings.push_back(row.where + ": " + *warning);
      }
    }
  }
  return span;
}

// An event's date alone, from its rows on the shared grid.
dating::EventDate date_rows(const std::vector<PreparedRow>& rows, dating::YearSpan span,
                            const std::vector<double>& levels, const std::string& where) {
  std::vector<dating::RowLikelihood> likelihoods;
  for (const PreparedRow& row : rows) {
    check_signals();
    likelihoods.push_back(located(row.where, [&] {
      return row.grid ? dating::row_likelihood(*row.grid, row.measured, span)
                      : radiocarbon::row_likelihood(*row.calibration, row.age, span);
    }));
  }
  return located(where, [&] { return dating::date_event(likelihoods, levels); });
}

EventDate event_date(const dating::EventDate& result, const std::vector<PreparedRow>& rows) {
  EventDate date;
  date.repr_name = "EventDate";
  std::vector<std::string> warnings;
  for (const PreparedRow& row : rows) {
    warnings.insert(warnings.end(), row.warnings.begin(), row.warnings.end());
  }
  warnings.insert(warnings.end(), result.warnings.begin(), result.warnings.end());
  const std::size_t count = result.log_likelihood.size();
  fill_date(date, result.first_year, dating_rows::on_grid(result.density, result.first_year, count),
            result.mode, result.regions, warnings);
  date.min_chi_square = result.min_chi_square;
  date.closest_year = result.closest_year;
  date.degrees = result.degrees;
  date.chi_square_limit = result.chi_square_limit;
  return date;
}

}  // namespace

EventDate date_event(const py::iterable& rows_argument, py::handle curve_default,
                     py::handle levels_argument, py::handle model, py::handle model_sigma,
                     py::handle span_argument) {
  const std::vector<double> levels = hpd_levels(levels_argument);
  CurveSource source = curve_source_of(curve_default, model, model_sigma, span_argument);
  std::vector<std::vector<PreparedRow>> event(1);
  for (py::handle row : rows_argument) {
    event[0].push_back(
        prepare_event_row(row, source, "row " + std::to_string(event[0].size() + 1)));
  }
  if (event[0].empty()) throw InputError("rows: no rows");
  const dating::EventDate result = date_rows(event[0], shared_span(event), levels, "rows");
  return event_date(result, event[0]);
}

SequenceDate date_sequence(const py::iterable& events_argument, const std::string& order,
                           py::handle curve_default, py::handle levels_argument, py::handle model,
                           py::handle model_sigma, py::handle span_argument) {
  dating_rows::check_order(order);
  const std::vector<double> levels = hpd_levels(levels_argument);
  CurveSource source = curve_source_of(curve_default, model, model_sigma, span_argument);
  std::vector<std::vector<PreparedRow>> events;
  for (py::handle event : events_argument) {
    const std::string where = "event " + std::to_string(events.size() + 1);
    std::vector<PreparedRow> rows;
    if (py::isinstance<py::dict>(event)) {
      rows.push_back(prepare_event_row(event, source, where));
    } else if (py::isinstance<py::iterable>(event)) {
      for (py::handle row : py::reinterpret_borrow<py::iterable>(event)) {
        rows.push_back(
            prepare_event_row(row, source, where + ", row " + std::to_string(rows.size() + 1)));
      }
      if (rows.empty()) throw InputError(where + ": no rows");
    } else {
      raise(PyExc_TypeError, where + ": expected a dict of date()'s keywords or a list of them");
    }
    events.push_back(std::move(rows));
  }
  if (events.empty()) throw InputError("events: no events");

  const dating::YearSpan span = shared_span(events);
  std::vector<dating::EventDate> alone;
  for (std::size_t e = 0; e < events.size(); ++e) {
    alone.push_back(date_rows(events[e], span, levels, "event " + std::to_string(e + 1)));
  }
  // The library takes the oldest event first.
  const std::vector<std::size_t> oldest_first = dating_rows::oldest_first(order, events.size());
  // An event that meets its curves nowhere is left out, its date within
  // the sequence empty.
  std::vector<const dating::EventDate*> ordered;
  for (const std::size_t e : oldest_first) ordered.push_back(&alone[e]);
  const dating::SequenceDate result =
      located("events", [&] { return dating::date_sequence(ordered, levels); });

  std::vector<py::object> in_order(events.size());
  for (std::size_t k = 0; k < oldest_first.size(); ++k) {
    check_signals();
    const std::size_t e = oldest_first[k];
    const dating::DateInSequence& within = result.events[k];
    DateInSequence date;
    date.repr_name = "DateInSequence";
    fill_date(date, span.first_year,
              dating_rows::on_grid(within.density, span.first_year, span.size()), within.mode,
              within.regions, within.warnings);
    date.alone = py::cast(event_date(alone[e], events[e]));
    date.agreement = within.agreement;
    in_order[e] = py::cast(std::move(date));
  }
  SequenceDate sequence;
  for (py::object& date : in_order) sequence.events.append(std::move(date));
  sequence.agreement = result.agreement;
  for (const std::string& warning : result.warnings) sequence.warnings.append(warning);
  sequence.order = order;
  return sequence;
}

}  // namespace karven_python
