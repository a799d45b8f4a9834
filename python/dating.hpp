// Dating from Python as karven-date dates: a measurement against a curve
// or a model's curve at its site, radiocarbon calibration, and the rows of
// events and sequences dated together.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "field_model/field_model.hpp"
#include "python/models.hpp"

namespace karven_python {

// A measurement as date() takes it.
struct MeasurementArguments {
  py::object dec = py::none(), inc = py::none(), a95 = py::none(), intensity = py::none(),
             sigma_intensity = py::none(), site = py::none();
};

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

CurveSource curve_source_of(py::handle curve_default, py::handle model, py::handle sigma,
                            py::handle span);
std::string date_repr(const Date& date);
Dating date_one(const Curve& c, const MeasurementArguments& args, py::handle levels_argument);
Dating calibrate_age(py::handle age, py::handle sigma, const std::filesystem::path& curve_name,
                     py::handle delta_r, py::handle delta_r_sigma, py::handle levels_argument);
EventDate date_event(const py::iterable& rows_argument, py::handle curve_default,
                     py::handle levels_argument, py::handle model, py::handle model_sigma,
                     py::handle span_argument);
SequenceDate date_sequence(const py::iterable& events_argument, const std::string& order,
                           py::handle curve_default, py::handle levels_argument, py::handle model,
                           py::handle model_sigma, py::handle span_argument);

}  // namespace karven_python
