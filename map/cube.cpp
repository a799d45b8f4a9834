#include "map/cube.hpp"

#include <cmath>

namespace field_map {

namespace {

constexpr std::array<QuantityInfo, QUANTITIES.size()> INFO = {{
    {"declination", "declination of the geomagnetic field, east positive", "degree", "declination",
     "Declination (degrees, east positive)"},
    {"inclination", "inclination of the geomagnetic field, downward positive", "degree",
     "inclination", "Inclination (degrees, downward positive)"},
    {"intensity", "intensity of the geomagnetic field", "microtesla", "intensity",
     "Intensity (microtesla)"},
    {"declination_error_95", "error of the declination at 95% confidence", "degree",
     "95% error of the declination", "95% error of the declination (degrees)"},
    {"inclination_error_95", "error of the inclination at 95% confidence", "degree",
     "95% error of the inclination", "95% error of the inclination (degrees)"},
    {"intensity_error_95", "error of the intensity at 95% confidence", "microtesla",
     "95% error of the intensity", "95% error of the intensity (microtesla)"},
}};

}  // namespace

const QuantityInfo& quantity_info(Quantity quantity) {
  return INFO[static_cast<std::size_t>(quantity)];
}

double quantity_value(const model::CurveValues& values, Quantity quantity) {
  switch (quantity) {
    case Quantity::declination:
      return values.declination;
    case Quantity::inclination:
      return values.inclination;
    case Quantity::intensity:
      return values.intensity;
    case Quantity::declination_error:
      return values.declination_error;
    case Quantity::inclination_error:
      return values.inclination_error;
    case Quantity::intensity_error:
      break;
  }
  return values.intensity_error;
}

void evaluate_row(const model::Model& model, const GridAxes& grid, std::size_t row,
                  std::span<const int> epochs, CubeRow& out) {
  out.epoch_count = epochs.size();
  out.column_count = grid.longitudes.size();
  for (std::vector<double>& layer : out.values) layer.resize(out.epoch_count * out.column_count);
  std::array<model::CurveValues, model::EPOCHS> curve{};
  const double latitude = grid.latitudes[row];
  for (std::size_t j = 0; j < out.column_count; ++j) {
    model.evaluate(latitude, grid.longitudes[j], curve);
    for (std::size_t k = 0; k < out.epoch_count; ++k) {
      const model::CurveValues& values = curve[static_cast<std::size_t>(epochs[k])];
      for (std::size_t q = 0; q < QUANTITIES.size(); ++q) {
        out.values[q][k * out.column_count + j] = quantity_value(values, QUANTITIES[q]);
      }
    }
  }
}

void evaluate_global_row(const geomodel::GaussCoefficients& gauss, const GridAxes& grid,
                         std::size_t row, CubeRow& out) {
  out.epoch_count = 1;
  out.column_count = grid.longitudes.size();
  for (std::vector<double>& layer : out.values) layer.assign(out.column_count, std::nan(""));
  const double latitude = grid.latitudes[row];
  for (std::size_t j = 0; j < out.column_count; ++j) {
    const geomodel::FieldValues field =
        geomodel::SiteTerms(latitude, grid.longitudes[j], gauss.degree).field(gauss);
    out.values[0][j] = field.declination;
    out.values[1][j] = field.inclination;
    out.values[2][j] = field.intensity;
  }
}

std::vector<int> all_epochs() {
  std::vector<int> epochs(model::EPOCHS);
  for (int k = 0; k < model::EPOCHS; ++k) epochs[static_cast<std::size_t>(k)] = k;
  return epochs;
}

}  // namespace field_map
