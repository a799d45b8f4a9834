// The Python module karven: the regional and the global field models, their
// curves, the companions' curve readers, dating and radiocarbon calibration,
// from the project's own libraries. A thin layer: it
// converts between Python (numbers, paths, numpy arrays) and the libraries'
// types, and raises the libraries' own messages as ValueError or OSError.
// Nothing here computes what a library computes.
//
// The regional model's evaluation is not reentrant (it runs the main
// program's procedures over module-level records): every call holds the GIL.
//
// This file defines the module and its documentation; the parts it binds
// are models.hpp (the models and their curves), reading.hpp (the files the
// companions read) and dating.hpp (dating and radiocarbon calibration).

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
#include "console/fields.hpp"
#include "dating/relocation.hpp"
#include "errors/xerror.hpp"
#include "field_model/field_model.hpp"
#include "geomodel/catalogue.hpp"
#include "geomodel/field.hpp"
#include "karven/version.hpp"
#include "model/model.hpp"
#include "python/conversions.hpp"
#include "python/dating.hpp"
#include "python/models.hpp"
#include "python/reading.hpp"
#include "radiocarbon/calibration.hpp"
#include "radiocarbon/calibration_curve.hpp"

namespace {

using namespace karven_python;

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
