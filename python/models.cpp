#include "python/models.hpp"

#include <dlfcn.h>

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

#include "companion/model_span.hpp"
#include "console/fields.hpp"
#include "curve/model_curve.hpp"
#include "curve/reference_curve.hpp"
#include "curve/site_text.hpp"
#include "dating/dating.hpp"
#include "driver/coefficients.hpp"
#include "field_model/field_model.hpp"
#include "geomodel/field.hpp"
#include "model/model.hpp"

namespace karven_python {

// --- Curves ------------------------------------------------------------------

// The words of karven-date's report for a curve of karven: the model and
// the site, and where the curve came from.
std::string curve_source(const std::string& model_name, double latitude, double longitude,
                         const std::string& origin) {
  return model_name + " at " + curve::site_text(latitude, longitude) + " (" + origin + ")";
}

Curve curve_of_site(const model::SiteCurve& site_curve, const std::string& origin) {
  Curve result;
  result.model = model::MODEL_NAME;
  result.latitude = site_curve.latitude;
  result.longitude = site_curve.longitude;
  result.source =
      curve_source(model::MODEL_NAME, site_curve.latitude, site_curve.longitude, origin);
  std::vector<double> years;
  std::array<std::vector<double>, 6> values;
  for (const model::CurveValues& epoch : site_curve.epochs) {
    years.push_back(epoch.year);
    for (std::size_t q = 0; q < values.size(); ++q) {
      values[q].push_back(epoch.*QUANTITY_MEMBERS[q]);
    }
  }
  result.year = frozen(years);
  for (std::size_t q = 0; q < values.size(); ++q) result.quantities[q] = frozen(values[q]);
  // Dated as karven-date dates the site's curve file.
  result.reference = std::make_shared<const curve::ReferenceCurve>(
      curve::reference_curve(curve::curve_of_model(site_curve)));
  return result;
}

std::string curve_repr(const Curve& c) {
  std::string text = "<karven.Curve " + c.source + ", " + std::to_string(c.size()) + " epochs";
  if (c.size() > 0) {
    const auto years = c.year.unchecked<1>();
    text += ", " + console::shortest_text(years(0)) + " to " +
            console::shortest_text(years(c.size() - 1)) + " AD";
  }
  return text + ">";
}

py::object curve_to_pandas(const Curve& c) {
  py::module_ pandas;
  try {
    pandas = py::module_::import("pandas");
  } catch (py::error_already_set& e) {
    if (!e.matches(PyExc_ImportError)) throw;
    py::raise_from(e, PyExc_ImportError,
                   "Curve.to_pandas needs pandas, which is not installed "
                   "(apt-get install python3-pandas, or pip install pandas)");
    throw py::error_already_set();
  }
  py::dict columns;
  columns["year"] = c.year;
  for (std::size_t q = 0; q < QUANTITY_NAMES.size(); ++q) {
    if (!c.quantities[q].is_none()) columns[QUANTITY_NAMES[q]] = c.quantities[q];
  }
  return pandas.attr("DataFrame")(columns);
}

// --- The model -----------------------------------------------------------------

// The module's own data folder, where it lies beside the module: the
// folder karven_data that pip installs next to it, or the share/karven of
// the prefix it was installed under (PREFIX/lib/python3/dist-packages/
// karven.so and PREFIX/share/karven), wherever that tree was moved. Empty
// when neither is there: the toolkit's own folders are searched then.
const std::filesystem::path& module_data_folder() {
  static const std::filesystem::path folder = [] {
    static const int marker = 0;
    Dl_info info{};
    if (dladdr(&marker, &info) == 0 || info.dli_fname == nullptr) return std::filesystem::path{};
    std::error_code error;
    std::filesystem::path here = std::filesystem::path(info.dli_fname).parent_path();
    if (std::filesystem::is_directory(here / "karven_data", error)) return here / "karven_data";
    for (int up = 0; up < 4 && here.has_relative_path(); ++up) {
      here = here.parent_path();
      if (std::filesystem::is_directory(here / "share" / "karven", error))
        return here / "share" / "karven";
    }
    return std::filesystem::path{};
  }();
  return folder;
}

Model load_model(const std::filesystem::path& path) {
  try {
    return Model{field_model::FieldModel::open(path.string(), module_data_folder()), path.string()};
  } catch (const driver::CoefficientFileError& e) {
    raise_file_error(e.what());
  } catch (const geomodel::ModelFileError& e) {
    raise_file_error(e.what());
  }
}

std::string model_repr(const Model& self) {
  const field_model::FieldModel& m = self.model;
  std::string text = "<karven.Model " + m.name();
  if (const geomodel::SplineModel* global = self.global()) {
    text += ", global, degree " + std::to_string(global->degree) + ", " +
            dating::span_text(static_cast<int>(std::ceil(m.first_year())),
                              static_cast<int>(std::floor(m.last_year())));
    text += m.citation().empty() ? " (file " + self.path + ")" : "; " + m.citation();
  } else {
    text += ", regional, 0-1900 AD (coefficient file " + self.path + ")";
  }
  return text + ">";
}

namespace {

// The epoch of a year, with karven-map's words for one that is none.
int epoch_of_year(double year) {
  if (!std::isfinite(year)) {
    throw InputError("year: expected a year AD, got " + console::shortest_text(year));
  }
  try {
    return model::epoch_index(year);
  } catch (const model::NotAnEpoch& e) {
    throw InputError(std::string("year: ") + e.what());
  }
}

// Arguments made into contiguous float64 arrays of one broadcast shape by
// numpy, whose MemoryError then reaches the caller (a failed conversion by
// pybind11's caster would be a RuntimeError).
using Doubles = py::array_t<double, py::array::c_style | py::array::forcecast>;

std::vector<Doubles> broadcast(std::initializer_list<py::handle> arguments) {
  const py::module_ numpy = py::module_::import("numpy");
  py::list arrays;
  for (py::handle argument : arguments) {
    arrays.append(numpy.attr("asarray")(argument, "dtype"_a = "float64"));
  }
  const py::tuple shaped = numpy.attr("broadcast_arrays")(*arrays);
  std::vector<Doubles> result;
  for (py::handle array : shaped) {
    result.push_back(numpy.attr("require")(array, "float64", "C").cast<Doubles>());
  }
  return result;
}

std::vector<py::ssize_t> shape_of(const Doubles& array) {
  return {array.shape(), array.shape() + array.ndim()};
}

// The field of the regional model at numpy-broadcast sites, all epochs or one.
py::dict regional_field(const model::Model& m, py::handle lat, py::handle lon, py::handle year) {
  const std::vector<Doubles> sites = broadcast({lat, lon});
  const Doubles& latitudes = sites[0];
  const Doubles& longitudes = sites[1];
  const bool all_epochs = year.is_none();
  const std::size_t epoch =
      all_epochs ? 0 : static_cast<std::size_t>(epoch_of_year(number(year, "year")));

  std::vector<py::ssize_t> shape = shape_of(latitudes);
  if (all_epochs) shape.push_back(model::EPOCHS);
  std::array<py::array_t<double>, 6> fields;
  std::array<double*, 6> out{};
  for (std::size_t q = 0; q < fields.size(); ++q) {
    fields[q] = py::array_t<double>(shape);
    out[q] = fields[q].mutable_data();
  }
  const double* lat_data = latitudes.data();
  const double* lon_data = longitudes.data();
  std::array<model::CurveValues, model::EPOCHS> epochs;
  const auto count = static_cast<std::size_t>(latitudes.size());
  for (std::size_t i = 0; i < count; ++i) {
    check_signals();
    m.evaluate(lat_data[i], lon_data[i], epochs);
    for (std::size_t q = 0; q < fields.size(); ++q) {
      if (all_epochs) {
        for (std::size_t k = 0; k < epochs.size(); ++k) {
          out[q][i * epochs.size() + k] = epochs[k].*QUANTITY_MEMBERS[q];
        }
      } else {
        out[q][i] = epochs[epoch].*QUANTITY_MEMBERS[q];
      }
    }
  }
  py::dict result;
  for (std::size_t q = 0; q < fields.size(); ++q) result[QUANTITY_NAMES[q]] = frozen(fields[q]);
  return result;
}

using field_model::GLOBAL_FIELD_MEMBERS;
using field_model::GLOBAL_FIELD_NAMES;

// The field of a global model at numpy-broadcast sites and years. The
// splines are evaluated once per run of equal years, a site's terms once
// per run of equal sites: a grid of sites at one year, or one site over
// many years, costs a synthesis per entry.
py::dict global_field(const geomodel::SplineModel& m, py::handle lat, py::handle lon,
                      py::handle year) {
  if (year.is_none()) {
    throw InputError("year: a global model's field needs a year of its span, years AD");
  }
  const std::vector<Doubles> arguments = broadcast({lat, lon, year});
  const std::vector<py::ssize_t> shape = shape_of(arguments[0]);
  std::array<py::array_t<double>, 7> fields;
  std::array<double*, 7> out{};
  for (std::size_t q = 0; q < fields.size(); ++q) {
    fields[q] = py::array_t<double>(shape);
    out[q] = fields[q].mutable_data();
  }
  const double* lat_data = arguments[0].data();
  const double* lon_data = arguments[1].data();
  const double* year_data = arguments[2].data();
  std::vector<double> gauss(static_cast<std::size_t>(geomodel::coefficient_count(m.degree)));
  std::optional<double> gauss_year;
  std::optional<geomodel::SiteTerms> terms;
  const auto count = static_cast<std::size_t>(arguments[0].size());
  for (std::size_t i = 0; i < count; ++i) {
    if (i % 4096 == 0) check_signals();
    if (!gauss_year || !(*gauss_year == year_data[i])) {
      geomodel::gauss_coefficients(m, year_data[i], gauss);
      gauss_year = year_data[i];
    }
    if (!terms || !(terms->latitude() == lat_data[i] && terms->longitude() == lon_data[i])) {
      terms.emplace(lat_data[i], lon_data[i], m.degree);
    }
    const geomodel::FieldValues values = terms->field(gauss);
    for (std::size_t q = 0; q < fields.size(); ++q) out[q][i] = values.*GLOBAL_FIELD_MEMBERS[q];
  }
  py::dict result;
  for (std::size_t q = 0; q < fields.size(); ++q) {
    result[GLOBAL_FIELD_NAMES[q]] = frozen(fields[q]);
  }
  return result;
}

}  // namespace

py::dict model_field(const Model& m, py::handle lat, py::handle lon, py::handle year) {
  if (const geomodel::SplineModel* global = m.global())
    return global_field(*global, lat, lon, year);
  return regional_field(*m.model.regional(), lat, lon, year);
}

// The dipole of a global model at numpy years.
py::dict model_dipole(const Model& m, py::handle years) {
  const geomodel::SplineModel* global = m.global();
  if (!global) {
    throw InputError("dipole: " + m.model.name() +
                     " is a regional model, without the Gauss coefficients of a dipole");
  }
  const std::vector<Doubles> arguments = broadcast({years});
  std::array<py::array_t<double>, 3> fields;
  for (auto& field : fields) field = py::array_t<double>(shape_of(arguments[0]));
  std::vector<double> gauss(static_cast<std::size_t>(geomodel::coefficient_count(global->degree)));
  const auto count = static_cast<std::size_t>(arguments[0].size());
  for (std::size_t i = 0; i < count; ++i) {
    if (i % 4096 == 0) check_signals();
    geomodel::gauss_coefficients(*global, arguments[0].data()[i], gauss);
    const geomodel::Dipole dipole = geomodel::dipole(gauss);
    fields[0].mutable_data()[i] = dipole.moment;
    fields[1].mutable_data()[i] = dipole.pole_latitude;
    fields[2].mutable_data()[i] = dipole.pole_longitude;
  }
  return py::dict("moment"_a = frozen(fields[0]), "pole_latitude"_a = frozen(fields[1]),
                  "pole_longitude"_a = frozen(fields[2]));
}

// model_sigma=(D, I, F): one standard deviation of a global model's curve.
std::optional<field_model::ModelSigma> model_sigma_argument(py::handle value) {
  if (value.is_none()) return std::nullopt;
  const auto wrong = [&value] {
    return py::type_error(
        "model_sigma: expected (D, I, F), the curve's standard deviation in degrees, degrees "
        "and microtesla, got " +
        std::string(py::repr(value)));
  };
  if (!py::isinstance<py::sequence>(value) || py::isinstance<py::str>(value) ||
      py::len(value) != 3) {
    throw wrong();
  }
  const auto three = py::reinterpret_borrow<py::sequence>(value);
  const field_model::ModelSigma sigma{number(three[0], "model_sigma"),
                                      number(three[1], "model_sigma"),
                                      number(three[2], "model_sigma")};
  for (const double s : {sigma.declination, sigma.inclination, sigma.intensity}) {
    if (!(s >= 0.0 && std::isfinite(s))) {
      throw InputError("model_sigma: each standard deviation must be finite and 0 or more: " +
                       console::shortest_text(s));
    }
  }
  return sigma;
}

namespace {

// A whole number of years, as span= takes it.
int whole_year(py::handle value) {
  const double year = number(value, "span");
  if (!(std::isfinite(year) && year == std::floor(year) && std::fabs(year) <= 1e6)) {
    throw InputError("span: expected whole years, got " + console::shortest_text(year));
  }
  return static_cast<int>(year);
}

}  // namespace

// The years of a global model's curve: span=(FROM, TO[, STEP]) in whole
// years, or years= (an array), or the model's whole span every
// `default_step` years.
std::vector<double> curve_years(const field_model::FieldModel& m, py::handle span, py::handle years,
                                int default_step) {
  if (!span.is_none() && !years.is_none()) throw InputError("give span= or years=, not both");
  if (!years.is_none()) {
    const Doubles array = broadcast({years})[0];
    if (array.ndim() > 1) throw InputError("years: expected one year or a list of them");
    std::vector<double> result(array.data(), array.data() + array.size());
    if (result.empty()) throw InputError("years: no years");
    return result;
  }
  companion::YearSpan whole = companion::model_span(m, default_step);
  if (span.is_none()) return companion::span_years(whole);
  if (!py::isinstance<py::sequence>(span) || py::isinstance<py::str>(span) ||
      (py::len(span) != 2 && py::len(span) != 3)) {
    throw py::type_error("span: expected (FROM, TO) or (FROM, TO, STEP) in whole years, got " +
                         std::string(py::repr(span)));
  }
  const auto parts = py::reinterpret_borrow<py::sequence>(span);
  const companion::YearSpan asked{whole_year(parts[0]), whole_year(parts[1]),
                                  py::len(span) == 3 ? whole_year(parts[2]) : default_step};
  try {
    return companion::asked_span_years(asked, m);
  } catch (const companion::OptionValueError& e) {
    throw InputError(e.what());
  }
}

// A global model's curve at a site: without errors, or with those of
// model_sigma (the arrays hold them at 95%, as every curve's do).
Curve curve_of_global(const Model& m, double latitude, double longitude,
                      const std::vector<double>& years,
                      const std::optional<field_model::ModelSigma>& sigma) {
  Curve result;
  result.model = m.model.name();
  result.latitude = latitude;
  result.longitude = longitude;
  result.source =
      curve_source(m.model.name(), latitude, longitude,
                   m.model.citation().empty() ? "model file " + m.path : m.model.citation());
  result.model_sigma = sigma;
  result.global = true;
  curve::ReferenceCurve reference;
  try {
    reference = m.model.curve(latitude, longitude, years, sigma);
  } catch (const std::domain_error& e) {
    throw InputError(e.what());
  } catch (const std::invalid_argument& e) {
    throw InputError(std::string("years: ") + e.what());
  }
  result.year = frozen(years);
  for (const Component c : curve::COMPONENTS) {
    const auto index = static_cast<std::size_t>(c);
    const curve::ComponentSeries& series = *reference[c];
    result.quantities[index] = frozen(series.values);
    if (sigma) {
      std::vector<double> errors = series.sigmas;
      for (double& error : errors) error *= curve::NORMAL_95;
      result.quantities[index + 3] = frozen(errors);
    } else {
      result.quantities[index + 3] = py::none();
    }
  }
  reference.source = result.source;
  result.reference = std::make_shared<const curve::ReferenceCurve>(std::move(reference));
  return result;
}

Curve model_curve(const Model& m, double lat, double lon, py::handle span, py::handle years,
                  py::handle sigma_argument) {
  const std::optional<field_model::ModelSigma> sigma = model_sigma_argument(sigma_argument);
  if (!m.global()) {
    if (!span.is_none() || !years.is_none() || sigma) {
      throw InputError(
          "the regional model's curve has its own 381 epochs and errors: span=, years= and "
          "model_sigma= are for a global model");
    }
    return curve_of_site(m.model.regional()->curve(lat, lon), "model " + m.path);
  }
  return curve_of_global(m, lat, lon, curve_years(m.model, span, years, 5), sigma);
}

}  // namespace karven_python
