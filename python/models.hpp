// The models and their curves in Python: a model (a bundled global model,
// a global model's file or the regional model's coefficient file), the
// curves it gives at a site, and its field and dipole over numpy arrays.
#pragma once

#include <array>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "curve/reference_curve.hpp"
#include "dating/dating.hpp"
#include "field_model/field_model.hpp"
#include "field_model/value_names.hpp"
#include "model/model.hpp"
#include "python/conversions.hpp"

namespace karven_python {

using curve::Component;

using field_model::QUANTITY_MEMBERS;
using field_model::QUANTITY_NAMES;

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

struct Model {
  using made_by_module = void;
  field_model::FieldModel model;
  std::string path;  // as given: a bundled model's name or a file

  const geomodel::SplineModel* global() const { return model.global(); }
};

std::string curve_source(const std::string& model_name, double latitude, double longitude,
                         const std::string& origin);
Curve curve_of_site(const model::SiteCurve& site_curve, const std::string& origin);
std::string curve_repr(const Curve& c);
py::object curve_to_pandas(const Curve& c);
const std::filesystem::path& module_data_folder();
Model load_model(const std::filesystem::path& path);
std::string model_repr(const Model& self);
py::dict model_field(const Model& m, py::handle lat, py::handle lon, py::handle year);
py::dict model_dipole(const Model& m, py::handle years);
std::optional<field_model::ModelSigma> model_sigma_argument(py::handle value);
std::vector<double> curve_years(const field_model::FieldModel& m, py::handle span, py::handle years,
                                int default_step);
Curve curve_of_global(const Model& m, double latitude, double longitude,
                      const std::vector<double>& years,
                      const std::optional<field_model::ModelSigma>& sigma);
Curve model_curve(const Model& m, double lat, double lon, py::handle span, py::handle years,
                  py::handle sigma_argument);

}  // namespace karven_python
