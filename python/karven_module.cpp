// The Python module karven: the regional and the global field models, their
// curves, the companions' curve readers, dating and radiocarbon calibration,
// from the project's own libraries. A thin layer: it
// converts between Python (numbers, paths, numpy arrays) and the libraries'
// types, and raises the libraries' own messages as ValueError or OSError.
// Nothing here computes what a library computes.
//
// The regional model's evaluation is not reentrant (it runs the main
// program's procedures over module-level records): every call holds the GIL.

#include <dlfcn.h>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

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

#include "bundled/bundled_data.hpp"
#include "companion/model_span.hpp"
#include "console/fields.hpp"
#include "curve/curve_reader.hpp"
#include "curve/model_curve.hpp"
#include "curve/ref_file.hpp"
#include "curve/reference_curve.hpp"
#include "curve/site_text.hpp"
#include "dating/chronology.hpp"
#include "dating/dating.hpp"
#include "dating/relocation.hpp"
#include "driver/coefficients.hpp"
#include "errors/xerror.hpp"
#include "field_model/field_model.hpp"
#include "geomodel/catalogue.hpp"
#include "geomodel/field.hpp"
#include "karven/version.hpp"
#include "model/model.hpp"
#include "radiocarbon/calibration.hpp"
#include "radiocarbon/calibration_curve.hpp"

namespace py = pybind11;
using namespace pybind11::literals;

// An object of the module's classes that Python made without the module
// (by Curve.__new__(Curve) without a constructor) holds no value: pybind11
// would hand out uninitialised storage for it. Each class of the module
// (marked by a member made_by_module) refuses such an object with
// TypeError wherever it is taken: as self, as an argument, as a base.
namespace pybind11::detail {
template <class T>
class type_caster<T, std::void_t<typename T::made_by_module>> : public type_caster_base<T> {
 public:
  bool load(handle source, bool convert) {
    if (this->typeinfo && source && PyObject_TypeCheck(source.ptr(), this->typeinfo->type) &&
        !reinterpret_cast<instance*>(source.ptr())->get_value_and_holder().holder_constructed()) {
      throw type_error(std::string("this ") + Py_TYPE(source.ptr())->tp_name +
                       " was made without the module (by __new__ alone) and holds nothing");
    }
    return type_caster_base<T>::load(source, convert);
  }
};
}  // namespace pybind11::detail

namespace {

using curve::Component;

// --- Errors ----------------------------------------------------------------

// A bad argument: raised as ValueError with the message as it stands.
class InputError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

[[noreturn]] void raise(PyObject* type, const std::string& message) {
  PyErr_SetString(type, message.c_str());
  throw py::error_already_set();
}

// The readers tell a file that cannot be read (an OSError) from one that is
// not of its kind (a ValueError) only by their messages: the companions'
// readers start "cannot read NAME: reason", the coefficient file's reader
// says "the coefficient file NAME cannot be opened: reason" (or read).
[[noreturn]] void raise_file_error(const std::string& message) {
  const bool unreadable = message.starts_with("cannot read ") ||
                          message.find(" cannot be opened: ") != std::string::npos ||
                          message.find(" cannot be read: ") != std::string::npos ||
                          message.ends_with(" cannot be read") ||
                          message.ends_with("not a regular file") ||
                          message.ends_with(" is not in the toolkit's data folders") ||
                          message.find(" is not found; ") != std::string::npos;
  raise(unreadable ? PyExc_OSError : PyExc_ValueError, message);
}

// --- numpy arrays ----------------------------------------------------------

// Results are read-only: a curve's arrays are not what dating takes (it
// keeps the reader's own values), so writing into them must not seem to
// change the curve.
template <class T>
py::array_t<T> frozen(py::array_t<T> array) {
  array.attr("setflags")("write"_a = py::bool_(false));
  return array;
}

// Made empty, then filled: pybind11's copying constructor leaves the array
// null when numpy cannot copy (out of memory), where this raises
// MemoryError.
template <class T>
py::array_t<T> frozen(const std::vector<T>& values) {
  py::array_t<T> array(static_cast<py::ssize_t>(values.size()));
  std::copy(values.begin(), values.end(), array.mutable_data());
  return frozen(std::move(array));
}

// The years first_year, first_year + 1, ... as an integer array.
py::array_t<std::int64_t> year_grid(int first_year, std::size_t count) {
  std::vector<std::int64_t> years(count);
  for (std::size_t k = 0; k < count; ++k) years[k] = first_year + static_cast<std::int64_t>(k);
  return frozen(years);
}

// Lets Ctrl-C stop a long loop over sites, years or events: the handler
// Python installed runs here, and its KeyboardInterrupt is raised.
void check_signals() {
  if (PyErr_CheckSignals() != 0) throw py::error_already_set();
}

// --- Arguments ---------------------------------------------------------------

std::optional<double> optional_number(py::handle value, const char* name) {
  if (value.is_none()) return std::nullopt;
  // True is no measured value, though Python counts it as 1.
  if (py::isinstance<py::bool_>(value)) {
    throw py::type_error(std::string(name) + ": expected a number or None, got bool");
  }
  try {
    return value.cast<double>();
  } catch (const py::cast_error&) {
    throw py::type_error(std::string(name) + ": expected a number or None, got " +
                         std::string(py::str(value.get_type().attr("__name__"))));
  }
}

double number(py::handle value, const char* name) {
  const std::optional<double> result = optional_number(value, name);
  if (!result) throw py::type_error(std::string(name) + ": expected a number, got None");
  return *result;
}

// HPD levels: numbers, or one number. Checked by the dating library's own
// rule, so that a bad level is named before anything is dated.
std::vector<double> hpd_levels(py::handle levels) {
  std::vector<double> result;
  if (py::isinstance<py::iterable>(levels) && !py::isinstance<py::str>(levels)) {
    for (py::handle level : levels) result.push_back(number(level, "levels"));
  } else {
    result.push_back(number(levels, "levels"));
  }
  for (const double level : result) {
    if (level > 0.0 && level < 1.0) {
      throw InputError("levels: a level is in percent, e.g. 95 for 95%; read " +
                       console::shortest_text(level) + ", which would be " +
                       console::shortest_text(level) + "%");
    }
  }
  const std::vector<double> certain = {1.0};
  try {
    dating::hpd_regions(certain, 0, result);
  } catch (const std::invalid_argument& e) {
    throw InputError(std::string("levels: ") + e.what());
  }
  return result;
}

// --- Curves ------------------------------------------------------------------

// The six quantities of a curve, in the order of a curve file's fields
// (curve::Quantity) and of karven-export's CSV columns.
constexpr std::array<const char*, 6> QUANTITY_NAMES = {
    "declination",          "inclination",          "intensity",
    "declination_error_95", "inclination_error_95", "intensity_error_95"};

constexpr std::array<double model::CurveValues::*, 6> QUANTITY_MEMBERS = {
    &model::CurveValues::declination,       &model::CurveValues::inclination,
    &model::CurveValues::intensity,         &model::CurveValues::declination_error,
    &model::CurveValues::inclination_error, &model::CurveValues::intensity_error};

// A curve as Python sees it, and the reference curve that dating takes
// from it: the values of the file it was read from, or for the model's
// curve the values its curve file would hold.
struct Curve {
  using made_by_module = void;
  std::optional<std::string> model;
  std::string source;
  std::optional<double> latitude;
  std::optional<double> longitude;
  py::array_t<double> year;
  std::array<py::object, 6> quantities;  // None where the curve lacks the component
  std::vector<std::string> notes;
  std::shared_ptr<const curve::ReferenceCurve> reference;
  // A global model's curve: the standard deviation it was given, or none
  // (then it cannot date).
  std::optional<field_model::ModelSigma> model_sigma;
  bool global = false;
  // The curve on the grid of the years the curves of a set of components
  // share, made when first dated, by set (as karven-date grids it).
  mutable std::map<unsigned, std::shared_ptr<const dating::GriddedCurve>> grids;

  py::ssize_t size() const { return year.size(); }
};

// The words of karven-date's report for a curve of karven: the model and
// the site, and where the curve came from.
std::string curve_source(const std::string& model_name, double latitude, double longitude,
                         const std::string& origin) {
  return model_name + " at " + curve::site_text(latitude, longitude) + " (" + origin + ")";
}

Curve curve_of_file(const curve::Curve& read, const std::string& origin) {
  Curve result;
  result.model = read.model;
  result.latitude = read.latitude;
  result.longitude = read.longitude;
  result.source = curve_source(read.model, read.latitude, read.longitude, origin);
  std::vector<double> years;
  std::array<std::vector<double>, 6> values;
  for (const curve::CurvePoint& point : read.points) {
    years.push_back(point.year);
    for (std::size_t q = 0; q < values.size(); ++q) values[q].push_back(point.values[q]);
  }
  result.year = frozen(years);
  for (std::size_t q = 0; q < values.size(); ++q) result.quantities[q] = frozen(values[q]);
  result.reference = std::make_shared<const curve::ReferenceCurve>(curve::reference_curve(read));
  return result;
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

// A curve of .ref files: one year axis for the arrays, the years of all
// files; a component is NaN at a year its file has no line for. Dating
// takes each file's own lines.
Curve curve_of_ref_files(curve::LoadedReference loaded) {
  Curve result;
  result.source = loaded.curve.source;
  result.notes = std::move(loaded.notes);
  // The site their comment line gives, when it does.
  if (loaded.curve.site) {
    result.latitude = loaded.curve.site->latitude;
    result.longitude = loaded.curve.site->longitude;
  }
  std::set<double> all_years;
  for (const Component c : curve::COMPONENTS) {
    if (loaded.curve[c])
      all_years.insert(loaded.curve[c]->years.begin(), loaded.curve[c]->years.end());
  }
  const std::vector<double> years(all_years.begin(), all_years.end());
  result.year = frozen(years);
  for (const Component c : curve::COMPONENTS) {
    const auto index = static_cast<std::size_t>(c);
    result.quantities[index] = py::none();
    result.quantities[index + 3] = py::none();
    if (!loaded.curve[c]) continue;
    const curve::ComponentSeries& series = *loaded.curve[c];
    std::vector<double> values(years.size(), std::nan(""));
    std::vector<double> errors(years.size(), std::nan(""));
    for (std::size_t k = 0; k < series.years.size(); ++k) {
      const auto at = static_cast<std::size_t>(
          std::lower_bound(years.begin(), years.end(), series.years[k]) - years.begin());
      values[at] = series.values[k];
      // A .ref file holds one standard deviation; the curve's arrays hold
      // 95% errors, as a curve file does.
      errors[at] = series.sigmas[k] * curve::NORMAL_95;
    }
    result.quantities[index] = frozen(values);
    result.quantities[index + 3] = frozen(errors);
  }
  result.reference = std::make_shared<const curve::ReferenceCurve>(std::move(loaded.curve));
  return result;
}

Curve read_curve(const std::filesystem::path& path) {
  try {
    return curve_of_file(curve::read_curve_file(path), path.string());
  } catch (const curve::CurveFileError& e) {
    raise_file_error(e.what());
  }
}

Curve read_ref(const std::optional<std::filesystem::path>& declination,
               const std::optional<std::filesystem::path>& inclination,
               const std::optional<std::filesystem::path>& intensity) {
  if (!declination && !inclination && !intensity) {
    throw InputError(
        "read_ref: give the .ref file of at least one component "
        "(declination=, inclination= or intensity=)");
  }
  curve::LoadedReference loaded;
  try {
    loaded = curve::load_ref_files({declination, inclination, intensity});
  } catch (const curve::RefFileError& e) {
    raise_file_error(e.what());
  }
  // What the reader noted, karven-date says on standard error: here a
  // warning each.
  for (const std::string& note : loaded.notes) {
    if (PyErr_WarnEx(PyExc_UserWarning, note.c_str(), 1) != 0) throw py::error_already_set();
  }
  return curve_of_ref_files(std::move(loaded));
}

py::object optional_value(const std::optional<double>& value) {
  return value ? py::object(py::float_(*value)) : py::object(py::none());
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

struct Model {
  using made_by_module = void;
  field_model::FieldModel model;
  std::string path;  // as given: a bundled model's name or a file

  const geomodel::SplineModel* global() const { return model.global(); }
};

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

// What a global model's field gives, in FieldValues' order.
constexpr std::array<const char*, 7> GLOBAL_FIELD_NAMES = {
    "north", "east", "down", "horizontal", "declination", "inclination", "intensity"};
constexpr std::array<double geomodel::FieldValues::*, 7> GLOBAL_FIELD_MEMBERS = {
    &geomodel::FieldValues::north,       &geomodel::FieldValues::east,
    &geomodel::FieldValues::down,        &geomodel::FieldValues::horizontal,
    &geomodel::FieldValues::declination, &geomodel::FieldValues::inclination,
    &geomodel::FieldValues::intensity};

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

// A whole number of years, as span= takes it.
int whole_year(py::handle value) {
  const double year = number(value, "span");
  if (!(std::isfinite(year) && year == std::floor(year) && std::fabs(year) <= 1e6)) {
    throw InputError("span: expected whole years, got " + console::shortest_text(year));
  }
  return static_cast<int>(year);
}

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

// --- Dating ------------------------------------------------------------------

// The keyword names of the measured values, by the dating library's field
// names (those of karven-date's samples file).
std::string argument_of_field(const std::string& field) {
  if (field == "int") return "intensity";
  if (field == "sigma_int") return "sigma_intensity";
  return field;
}

std::vector<dating::MeasuredComponent> components_used(const dating::Measurement& m) {
  try {
    return dating::measured_components(m);
  } catch (const dating::MeasurementError& e) {
    throw InputError(e.field().empty() ? e.what() : argument_of_field(e.field()) + ": " + e.what());
  }
}

// A measurement as date() takes it.
struct MeasurementArguments {
  py::object dec = py::none(), inc = py::none(), a95 = py::none(), intensity = py::none(),
             sigma_intensity = py::none(), site = py::none();
};

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
  const dating::Site result{number(pair[0], "site"), number(pair[1], "site")};
  if (!(result.latitude >= -90.0 && result.latitude <= 90.0)) {
    throw InputError("site: the latitude must lie between -90 and 90 degrees: " +
                     console::shortest_text(result.latitude));
  }
  if (!std::isfinite(result.longitude)) {
    throw InputError("site: the longitude is not a finite number: " +
                     console::shortest_text(result.longitude));
  }
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
  std::vector<Component> used;
  unsigned key = 0;
  for (const dating::MeasuredComponent& m : measured) {
    used.push_back(m.component);
    key |= 1U << static_cast<unsigned>(m.component);
  }
  std::shared_ptr<const dating::GriddedCurve>& grid = c.grids[key];
  if (!grid) {
    try {
      grid = std::make_shared<const dating::GriddedCurve>(dating::grid_curve(*c.reference, used));
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
    dating::Relocation relocation;
    try {
      relocation = dating::relocate(measurement, *site, *c.reference->site);
    } catch (const dating::MeasurementError& e) {
      throw InputError(argument_of_field(e.field()) + ": " + e.what());
    }
    if (relocation.distance_km > 0.0) {
      row.relocation = std::move(relocation);
      row.measured = components_used(row.relocation->measurement);
      const std::string warning = dating::relocation_warning(*row.relocation);
      if (!warning.empty()) row.warnings.push_back(warning);
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

// What every date on the year grid has: the probability per year, the
// most probable year, the HPD intervals per level and the warnings.
struct Date {
  using made_by_module = void;
  py::array_t<std::int64_t> years;
  py::array_t<double> density;
  int mode = 0;
  py::dict intervals;
  py::dict totals;
  py::list warnings;
  std::string repr_name;
};

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

// A density held on a stretch of the grid, on the whole grid.
std::vector<double> on_grid(const dating::Density& density, int first_year, std::size_t count) {
  std::vector<double> values(count);
  for (std::size_t k = 0; k < count; ++k) {
    values[k] = density.at(first_year + static_cast<int>(k));
  }
  return values;
}

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

struct Dating : Date {
  py::tuple components;
  py::dict densities;
  py::dict sigmas;
  double min_chi_square = 0.0;
  int closest_year = 0;
  int unusable_years = 0;
  py::object relocation = py::none();
  std::string curve;
};

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

// --- Rows against a model ------------------------------------------------------

// Where the rows of date(), date_event() and date_sequence() take their
// curve: the curve given, or a model's curve at each row's own site
// (made once per site), on whole years of the model's span or span=.
struct CurveSource {
  const Curve* curve = nullptr;
  const Model* model = nullptr;
  std::optional<field_model::ModelSigma> sigma;
  py::object span = py::none();
  std::map<std::pair<double, double>, std::shared_ptr<const Curve>> at_site;

  const Curve* for_site(py::handle site);
};

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

// --- Events and sequences ------------------------------------------------------

struct EventDate : Date {
  double min_chi_square = 0.0;
  int closest_year = 0;
  int degrees = 0;
  double chi_square_limit = 0.0;
};

struct DateInSequence : Date {
  py::object alone = py::none();
  double agreement = 0.0;
};

struct SequenceDate {
  using made_by_module = void;
  py::list events;
  double agreement = 0.0;
  py::list warnings;
  std::string order;
};

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
  fill_date(date, result.first_year, on_grid(result.density, result.first_year, count), result.mode,
            result.regions, warnings);
  date.min_chi_square = result.min_chi_square;
  date.closest_year = result.closest_year;
  date.degrees = result.degrees;
  date.chi_square_limit = result.chi_square_limit;
  return date;
}

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
  if (order != "oldest-first" && order != "youngest-first") {
    throw InputError("order: expected \"oldest-first\" or \"youngest-first\", got \"" + order +
                     "\"");
  }
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
  std::vector<std::size_t> oldest_first(events.size());
  for (std::size_t k = 0; k < events.size(); ++k) {
    oldest_first[k] = order == "oldest-first" ? k : events.size() - 1 - k;
  }
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
    fill_date(date, span.first_year, on_grid(within.density, span.first_year, span.size()),
              within.mode, within.regions, within.warnings);
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

// --- Documentation -------------------------------------------------------------

constexpr const char* MODULE_DOC =
    R"(Archaeomagnetic field models, dating and radiocarbon calibration from Python.

The global field models that ship with the toolkit (karven.MODELS, each
with its citation: Model("ARCH10k.1")) give the field at any site and
any year of their span, curves and the dipole; calibrate() calibrates a
radiocarbon age, and radiocarbon rows join events and sequences.
The regional archaeomagnetic field model KARVEN.EU.26: the model's curve
at any site of its region (35 to 60 degrees north, 15
degrees west to 30 degrees east), the field over many sites at once, the
curve files of karven and .ref files read as the companions read them, and
archaeomagnetic dating as karven-date dates: the same computation, by the
same C++ libraries, as the commands.

    >>> import karven
    >>> model = karven.Model("examples/demo_coeff.inp")
    >>> paris = model.curve(48.85, 2.35)
    >>> karven.date(paris, dec=4, inc=64.5, a95=2.5, intensity=59, sigma_intensity=2.5)

Units everywhere: years AD (astronomical numbering, 0 is 1 BC), degrees
(declination east positive, inclination downward positive, geodetic
latitude north positive, longitude east positive) and microtesla.
Bad values raise ValueError with the commands' messages; a file that
cannot be read raises OSError.
)";

constexpr const char* CURVE_DOC =
    R"(A palaeosecular variation curve: the field at a site, epoch by epoch.

Read-only numpy arrays, one entry per epoch:

    year                  years AD
    declination           D, degrees, east positive
    inclination           I, degrees, downward positive
    intensity             F, microtesla
    declination_error_95  error of D at 95% confidence, degrees
    inclination_error_95  error of I at 95% confidence, degrees
    intensity_error_95    error of F at 95% confidence, microtesla

A value the curve does not have is NaN. A curve of .ref files has only
the components it was read with (the others are None), and its errors
are the files' standard deviations times 1.96.

Made by Model.curve, read_curve and read_ref, and dated by date.
)";

constexpr const char* DATE_DOC = R"(A date on the grid of whole years.

    years      the grid, whole years AD (numpy integers)
    density    the probability of each year (sums to 1)
    mode       the most probable year, AD (the earlier among equals)
    intervals  {level: [(from, to, probability), ...]}: the highest
               posterior density (HPD) intervals of each level asked
               (percent), years AD both included, each with its own
               probability (a fraction)
    totals     {level: the probability the intervals reach (a fraction)}
    warnings   [str, ...], the report's warning lines
)";

}  // namespace

PYBIND11_MODULE(karven, m) {
  // Every result is a numpy array: without numpy the module is of no use,
  // and says so when imported rather than at its first result.
  try {
    py::module_::import("numpy");
  } catch (py::error_already_set& e) {
    if (!e.matches(PyExc_ImportError)) throw;
    const std::string interpreter = py::str(py::module_::import("sys").attr("executable"));
    py::raise_from(e, PyExc_ImportError,
                   ("karven needs numpy, which " + interpreter +
                    " cannot import (apt-get install python3-numpy for Debian's python3, or "
                    "pip install numpy)")
                       .c_str());
    throw py::error_already_set();
  }
  m.doc() = MODULE_DOC;
  m.attr("__version__") = std::string(karven::VERSION);
  m.attr("MODEL_NAME") = model::MODEL_NAME;
  py::dict models;
  for (const geomodel::BundledModel& entry : geomodel::bundled_models()) {
    models[py::str(std::string(entry.name))] =
        py::dict("span"_a = py::make_tuple(entry.first_year, entry.last_year),
                 "degree"_a = entry.degree, "citation"_a = std::string(entry.citation));
  }
  m.attr("MODELS") = models;
  py::dict calibration_curves;
  for (const radiocarbon::CatalogueEntry& entry : radiocarbon::catalogue()) {
    calibration_curves[py::str(entry.key)] =
        py::dict("name"_a = entry.name, "citation"_a = entry.citation);
  }
  m.attr("CALIBRATION_CURVES") = calibration_curves;

  // NOLINTNEXTLINE(performance-unnecessary-value-param): pybind11's signature
  py::register_exception_translator([](std::exception_ptr failure) {
    try {
      if (failure) std::rethrow_exception(failure);
    } catch (const errors::RunAborted&) {
      PyErr_SetString(PyExc_RuntimeError,
                      "the model's Legendre routines reported a fatal error; their report is "
                      "on standard output");
    } catch (const std::exception&) {
      // pybind11 reports a list, dict or str that Python could not make
      // as a RuntimeError ("Could not allocate ..."): the MemoryError
      // Python set is what happened, and what is raised.
      if (PyErr_Occurred() == nullptr || PyErr_ExceptionMatches(PyExc_MemoryError) == 0) throw;
    }
  });

  m.def(
      "data_folders",
      [](const std::string& kind) { return bundled::data_folders(kind, module_data_folder()); },
      "kind"_a,
      R"(The folders searched for bundled data of a kind ("models", "radiocarbon"),
in order: $KARVEN_DATA/<kind>; the module's own data (karven_data beside
it, as pip installs it, or the share/karven of the prefix it was installed
under); the toolkit's where built and where installed. Folders that do
not exist are left out.)");

  m.def("in_region", py::vectorize(model::in_region), "lat"_a, "lon"_a,
        R"(Whether sites lie in the model's region.

lat: geodetic latitude, degrees north; lon: geodetic longitude, degrees
east; numbers or numpy arrays (broadcast). The region is latitude 35 to 60
N and longitude 15 W to 30 E, bounds included; NaN lies outside.)");

  py::class_<Curve>(m, "Curve", CURVE_DOC)
      .def_readonly("year", &Curve::year, "The epochs, years AD.")
      .def_property_readonly(
          "declination", [](const Curve& c) { return c.quantities[0]; },
          "D at each epoch, degrees east (None: not in the curve).")
      .def_property_readonly(
          "inclination", [](const Curve& c) { return c.quantities[1]; },
          "I at each epoch, degrees downward (None: not in the curve).")
      .def_property_readonly(
          "intensity", [](const Curve& c) { return c.quantities[2]; },
          "F at each epoch, microtesla (None: not in the curve).")
      .def_property_readonly(
          "declination_error_95", [](const Curve& c) { return c.quantities[3]; },
          "The error of D at 95% confidence, degrees.")
      .def_property_readonly(
          "inclination_error_95", [](const Curve& c) { return c.quantities[4]; },
          "The error of I at 95% confidence, degrees.")
      .def_property_readonly(
          "intensity_error_95", [](const Curve& c) { return c.quantities[5]; },
          "The error of F at 95% confidence, microtesla.")
      .def_readonly("latitude", &Curve::latitude,
                    "The site's geodetic latitude, degrees north (None: unknown).")
      .def_readonly("longitude", &Curve::longitude,
                    "The site's geodetic longitude, degrees east (None: unknown).")
      .def_readonly("model", &Curve::model, "The model's name (None for .ref files).")
      .def_readonly("source", &Curve::source,
                    "Where the curve came from, as karven-date's report says it.")
      .def_readonly("notes", &Curve::notes,
                    "What the .ref reader noted (gaps, a trailing block), one line each.")
      .def("__len__", &Curve::size)
      .def("__repr__", &curve_repr)
      .def("to_pandas", &curve_to_pandas,
           R"(The curve as a pandas DataFrame: the column year, then each quantity
the curve has, named and in the units of the attributes (the columns of
karven-export's CSV table). Raises ImportError without pandas.)");

  py::class_<Model>(m, "Model", R"(A field model: the regional model or a global model.

Model(name_or_path): a bundled global model by its name, in any case
("ARCH10k.1", "arch10k.1"; karven.MODELS lists them with their spans and
citations), else a path (str or os.PathLike): a global model's file of
the same family, or the regional model's coefficient file, told apart by
their content. A file that cannot be opened or read raises OSError, one
that is neither ValueError, each with the commands' message.

The regional model (KARVEN.EU.26) gives its curves at its 381 epochs,
0 to 1900 AD, with their errors, over its region. A global model gives
the field at any site on Earth and any year of its span, without errors:
to date against its curve, give it a standard deviation, model_sigma.
Every curve and date made from a model names it and its citation.
Evaluating holds the GIL: the regional model is not reentrant.)")
      .def(py::init(&load_model), "path"_a)
      .def_readonly("path", &Model::path, "The name or the file, as given.")
      .def_property_readonly(
          "name", [](const Model& self) { return self.model.name(); },
          "The model's name: a bundled model's, KARVEN.EU.26, or a global model's path.")
      .def_property_readonly(
          "citation", [](const Model& self) { return self.model.citation(); },
          "The publication of a bundled global model, else empty.")
      .def_property_readonly(
          "source", [](const Model& self) { return self.model.source(); },
          "The model as reports name their source: its name and citation.")
      .def_property_readonly(
          "family",
          [](const Model& self) {
            return self.model.family() == field_model::Family::global ? "global" : "regional";
          },
          "\"global\" or \"regional\".")
      .def_property_readonly(
          "span",
          [](const Model& self) {
            return py::make_tuple(self.model.first_year(), self.model.last_year());
          },
          "The years the model holds for, (first, last), years AD.")
      .def_property_readonly(
          "years",
          [](const Model& self) -> py::object {
            if (self.global()) return py::none();
            std::vector<double> years;
            for (int k = 0; k < model::EPOCHS; ++k) years.push_back(model::epoch_year(k));
            return frozen(years);
          },
          "The regional model's 381 epochs: 0, 5, ..., 1900, years AD (None for a global model).")
      .def("__repr__", &model_repr)
      .def("curve", &model_curve, "lat"_a, "lon"_a, "span"_a = py::none(), py::kw_only(),
           "years"_a = py::none(), "model_sigma"_a = py::none(),
           R"(The curve at a site: a Curve of read-only numpy arrays.

Regional model: the 381 epochs, 0 to 1900 AD. lat: geodetic latitude,
degrees north, 35 to 60; lon: geodetic longitude, degrees east, -15 to 30.
Computed exactly as karven computes it for these answers (a latitude of
exactly 45 is taken as 45.001, a longitude of exactly 8 as 8.001; the
curve keeps the site as given). The arrays hold the model's full double
values: karven's curve file rounds them to two decimals. Dating this curve
takes the values as that curve file holds them, so that it gives what
karven-date gives for the file. A site outside the region raises
ValueError.

Global model: any site (lat -90 to 90, lon -180 to 360) at the years of
span=(FROM, TO) or (FROM, TO, STEP), whole years within the model's span
(default its whole span, every 5 years; TO is always included), or of
years= (any years of the span, increasing). The model gives no errors:
the error arrays are None, unless model_sigma=(D, I, F) gives the curve's
standard deviation (degrees, degrees, microtesla, each 0 or more); the
error arrays then hold it at 95% (times 1.96), and the curve can be dated.
At a geographic pole (lat +-90) north has no direction: the declination
is NaN there. The curve's source names the model and its citation.

The arrays, one entry per epoch: year (years AD), declination (degrees
east), inclination (degrees downward), intensity (microtesla), and their
errors at 95% confidence, declination_error_95 and inclination_error_95
(degrees) and intensity_error_95 (microtesla).)")
      .def("field", &model_field, "lat"_a, "lon"_a, "year"_a = py::none(),
           R"(The field at many sites: a dict of numpy arrays.

lat, lon: geodetic degrees (north, east), numbers or arrays broadcast
against each other as numpy broadcasts (lat[:, None] and lon[None, :]
give a grid).

Regional model: year None for every epoch, or one epoch (years AD, a
multiple of 5 from 0 to 1900). The keys: declination, inclination
(degrees), intensity (microtesla), declination_error_95,
inclination_error_95 (degrees), intensity_error_95 (microtesla). Each
array has the sites' broadcast shape, followed by the 381 epochs
(Model.years) when year is None. A site outside the region, or a year
that is no epoch (the message names the epochs around it), raises
ValueError.

Global model: year, any year of the model's span (years AD, not
necessarily whole), a number or an array broadcast with lat and lon. The
keys: declination, inclination (degrees), intensity (microtesla), and the
components north, east, down and horizontal (nanotesla), each of the
broadcast shape. At a geographic pole the declination, north and east are
NaN (north has no direction there). A year outside the span, or a site
off the globe, raises ValueError naming it.)")
      .def("dipole", &model_dipole, "years"_a,
           R"(A global model's dipole at years of its span: a dict of numpy arrays.

years: a number or an array, years AD. The keys: moment (10^22 A m^2,
from g(1,0), g(1,1), h(1,1)), pole_latitude and pole_longitude (the
geomagnetic north pole, degrees north and east, -180 to 180), each of the
years' shape. The regional model has no dipole: ValueError.)");

  m.def("read_curve", &read_curve, "path"_a,
        R"(Reads a curve file as karven writes it (psvc_karven.eu.26.dat).

The companions' reader: the values as the file shows them (two decimals;
NaN, infinities and asterisks are NaN), the site of its site line. A file
that cannot be read raises OSError, one that is not a curve file
ValueError, with the companions' message.)");

  m.def("read_ref", &read_ref, py::kw_only(), "declination"_a = py::none(),
        "inclination"_a = py::none(), "intensity"_a = py::none(),
        R"(Reads reference curves from .ref files, one component a file.

declination, inclination, intensity: the .ref file (path) of each
component given, at least one, as karven-date's --ref-dec, --ref-inc and
--ref-int. Each line year,value,sigma: years AD, degrees or microtesla,
and one standard deviation, read as the companions read it. What the
reader notes (a gap, a trailing block of reference data) is given as a
UserWarning each, and kept in Curve.notes. The curve's site is the one
their comment line '# Site: geodetic latitude ..., longitude ...' names
(as karven-export writes it), else unknown (None).
OSError when a file cannot be read, ValueError when it is not a reference
curve.)");

  py::class_<Date>(m, "Date", DATE_DOC)
      .def_readonly("years", &Date::years)
      .def_readonly("density", &Date::density)
      .def_readonly("mode", &Date::mode)
      .def_readonly("intervals", &Date::intervals)
      .def_readonly("totals", &Date::totals)
      .def_readonly("warnings", &Date::warnings)
      .def("__repr__", &date_repr);

  py::class_<Dating, Date>(m, "Dating", R"(The date of one measurement (see Date), and

    components      the components used, ("D", "I", "F") or a part
    densities       {letter: each component's own density per year}
    sigmas          {letter: the standard deviation used (degrees,
                    microtesla)}
    min_chi_square  the smallest chi-square over the years, and
    closest_year    where (years AD)
    unusable_years  years where a component used has no value
    relocation      None, or the measurement relocated to the curve's
                    site: {distance_km, dec, inc, a95, intensity,
                    sigma_intensity, declination_assumed}
    curve           the curve, as the report names it (a model's curve:
                    the model and its citation; a calibration: the
                    calibration curve and its citation)

A calibration (calibrate) has no components, densities or sigmas; its
min_chi_square is (r - mu)^2 / S^2 at closest_year.)")
      .def_readonly("components", &Dating::components)
      .def_readonly("densities", &Dating::densities)
      .def_readonly("sigmas", &Dating::sigmas)
      .def_readonly("min_chi_square", &Dating::min_chi_square)
      .def_readonly("closest_year", &Dating::closest_year)
      .def_readonly("unusable_years", &Dating::unusable_years)
      .def_readonly("relocation", &Dating::relocation)
      .def_readonly("curve", &Dating::curve);

  py::class_<EventDate, Date>(
      m, "EventDate", R"(The date of one event (see Date): its rows' likelihoods multiplied, and

    min_chi_square    the smallest over the years of the rows' chi-square
    closest_year      where (years AD)
    degrees           the components summed over the rows
    chi_square_limit  the 95% point of chi-square for that many degrees;
                      beyond it, with two rows or more, a warning says the
                      rows do not agree with one date)")
      .def_readonly("min_chi_square", &EventDate::min_chi_square)
      .def_readonly("closest_year", &EventDate::closest_year)
      .def_readonly("degrees", &EventDate::degrees)
      .def_readonly("chi_square_limit", &EventDate::chi_square_limit);

  py::class_<DateInSequence, Date>(m, "DateInSequence",
                                   R"(An event's date within its sequence (see Date), and

    alone      the event's date alone (EventDate)
    agreement  its agreement index, percent: 100 sum(p q) / sum(q^2) with
               p this date and q the date alone; below 60 a warning)")
      .def_readonly("alone", &DateInSequence::alone)
      .def_readonly("agreement", &DateInSequence::agreement);

  py::class_<SequenceDate>(m, "SequenceDate", R"(The dates of a stratigraphic sequence's events.

    events     [DateInSequence, ...], in the order given
    agreement  the overall agreement, percent; below 60 a warning
    warnings   [str, ...] about the sequence as a whole
    order      "oldest-first" or "youngest-first", as given)")
      .def_readonly("events", &SequenceDate::events)
      .def_readonly("agreement", &SequenceDate::agreement)
      .def_readonly("warnings", &SequenceDate::warnings)
      .def_readonly("order", &SequenceDate::order)
      .def("__repr__", [](const SequenceDate& s) {
        return "<karven.SequenceDate of " + std::to_string(py::len(s.events)) +
               " events, agreement " + console::fixed_text(s.agreement, 1) + "%>";
      });

  m.def(
      "date",
      [](const py::object& curve, const py::object& dec, const py::object& inc,
         const py::object& a95, const py::object& intensity, const py::object& sigma_intensity,
         const py::object& levels, const py::object& site, const py::object& model,
         const py::object& model_sigma, const py::object& span) {
        CurveSource source = curve_source_of(curve, model, model_sigma, span);
        if (!source.curve && !source.model) {
          throw InputError("give the curve to date against: curve=, or model= with site=");
        }
        const Curve* c = source.for_site(site);
        return date_one(*c, {dec, inc, a95, intensity, sigma_intensity, site}, levels);
      },
      "curve"_a = py::none(), "dec"_a = py::none(), "inc"_a = py::none(), "a95"_a = py::none(),
      "intensity"_a = py::none(), "sigma_intensity"_a = py::none(), "levels"_a = py::make_tuple(95),
      "site"_a = py::none(), py::kw_only(), "model"_a = py::none(), "model_sigma"_a = py::none(),
      "span"_a = py::none(),
      R"(Dates a measurement against a curve, as karven-date does: a Dating.

curve: a Curve. dec: declination, degrees east; inc: inclination, degrees
downward; a95: alpha95 of the direction, degrees, in (0, 90); intensity:
microtesla; sigma_intensity: its standard deviation, microtesla. Give I
with a95, D with both, F with its sigma: I alone, D and I, F alone, I and
F, or all three. levels: the HPD levels, percent, each in (0, 100).
site: (latitude, longitude), degrees, where the measurement was made:
it is then relocated to the curve's site (the direction through its
virtual geomagnetic pole, the intensity through its virtual axial dipole
moment); leave it out to take the measurement at the curve's site.

Against a model instead of a curve: model=, a Model, and site= (the
measurement is dated at its own site, on the model's curve there). For a
global model, model_sigma=(D, I, F) gives the curve's standard deviation
(degrees, degrees, microtesla; the model gives none, and dating without
it is refused) and span=(FROM, TO) limits the whole years of the grid
(default the model's whole span). The Dating's curve names the model and
its citation. At a geographic pole a declination is refused.

A bad value raises ValueError with karven-date's message, naming the
keyword ("inc: the inclination must lie between -90 and 90 degrees:
-90.5").)");

  m.def("calibrate", &calibrate_age, "age"_a, "sigma"_a, "curve"_a = "intcal20",
        "delta_r"_a = py::none(), "delta_r_sigma"_a = py::none(),
        "levels"_a = py::make_tuple(68, 95),
        R"(Calibrates a radiocarbon age: a Dating.

age: the conventional 14C age, 14C years BP; sigma: its standard
deviation (> 0). curve: a bundled calibration curve, "intcal20" (the
Northern Hemisphere's atmosphere), "shcal20" (the Southern's) or
"marine20" (the ocean), in any case (karven.CALIBRATION_CURVES gives
their citations), or the path of a curve in the .14c form. delta_r,
delta_r_sigma: a marine sample's local reservoir offset and its standard
deviation, 14C years (the age is taken as age - delta_r, its variance
sigma^2 + delta_r_sigma^2). levels: the HPD levels, percent.

On each whole calendar year t (t AD = 1950 - cal BP) the likelihood is
exp(-(r - mu(t))^2 / (2 S^2)) / S with S^2 = sigma^2 + sigma_c(t)^2, the
curve's mu and sigma_c interpolated linearly between its rows; the years
where it is below 1e-12 of its peak are left out of the density. The
Dating's curve names the calibration curve and its citation; its
warnings say when an interval touches the curve's end or the age lies
partly beyond the curve's extremes. An age several sigmas beyond the
curve's oldest or youngest age raises ValueError, as does a sigma that is
not positive; a curve that cannot be read, OSError.)");

  m.def("date_event", &date_event, "rows"_a, "curve"_a = py::none(),
        "levels"_a = py::make_tuple(95), py::kw_only(), "model"_a = py::none(),
        "model_sigma"_a = py::none(), "span"_a = py::none(),
        R"(Dates the rows of one event together: an EventDate.

rows: dicts of date()'s keywords, one a sample or structure of the event
({"inc": 64.5, "a95": 2.5}, with "curve" and "site" where they differ
from row to row); curve: the curve of every row that names none, or
model=, model_sigma= and span= as date() takes them, each row then dated
at its own "site". A row may instead hold a radiocarbon age: "c14_age"
and "c14_sigma" (14C years BP), and where needed "c14_curve" (intcal20,
the default, shcal20, marine20 or a .14c path), "delta_r" and
"delta_r_sigma" (see calibrate); never with a measurement. The rows are
dated on the whole years all their curves share (a radiocarbon date
lying partly outside them is warned of, with the share outside); the
event's likelihood is the product of theirs. levels: percent, each in
(0, 100).)");

  m.def("date_sequence", &date_sequence, "events"_a, "order"_a = "oldest-first",
        "curve"_a = py::none(), "levels"_a = py::make_tuple(95), py::kw_only(),
        "model"_a = py::none(), "model_sigma"_a = py::none(), "span"_a = py::none(),
        R"(Dates the events of a stratigraphic sequence: a SequenceDate.

events: each event a dict of date()'s keywords (one row) or a list of
them (see date_event); order: "oldest-first" when the list starts with the
oldest event, "youngest-first" when with the youngest. The events' dates
t_1 <= t_2 <= ... are computed exactly on the grid of whole years under a
uniform prior over the ordered years (two events may share a year), each
with its date alone and its agreement index. curve: the curve of every
row that names none, or model=, model_sigma=, span= (see date_event);
rows may be radiocarbon ages (see date_event). levels: percent, each in
(0, 100).)");
}
