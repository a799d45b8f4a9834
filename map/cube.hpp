// The model evaluated at the nodes of a grid for the epochs asked: a cube
// of six quantities by epoch, latitude and longitude, computed one row of
// nodes (one latitude) at a time so that no more than a row is held.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

#include "geomodel/field.hpp"
#include "map/grid.hpp"
#include "model/model.hpp"

namespace field_map {

/// The quantities of a map, in the order of the cube's variables and the
/// table's columns.
enum class Quantity {
  declination,
  inclination,
  intensity,
  declination_error,
  inclination_error,
  intensity_error,
};

inline constexpr std::array<Quantity, 6> QUANTITIES = {
    Quantity::declination,       Quantity::inclination,       Quantity::intensity,
    Quantity::declination_error, Quantity::inclination_error, Quantity::intensity_error};

/// A global model's quantities, the first of QUANTITIES: the declination,
/// inclination and intensity (the model gives no errors).
inline constexpr std::size_t GLOBAL_QUANTITIES = 3;

/// How a quantity is named and measured.
struct QuantityInfo {
  std::string_view name;       // the variable and column: "declination_error_95"
  std::string_view long_name;  // "declination of the geomagnetic field, east positive"
  std::string_view units;      // "degree" or "microtesla", as UDUNITS spells them
  std::string_view title;      // the figure's title: "declination", "95% error of the declination"
  std::string_view label;      // the figure's colour bar: "Declination (degrees)"
};

const QuantityInfo& quantity_info(Quantity quantity);

/// The quantity of an epoch's values.
double quantity_value(const model::CurveValues& values, Quantity quantity);

/// One row of the cube: the nodes of one latitude, for each quantity a
/// layer per epoch asked, each layer the row's longitudes from west to
/// east (the order of the cube's variables, epoch by latitude by longitude).
struct CubeRow {
  std::size_t epoch_count = 0;
  std::size_t column_count = 0;
  std::array<std::vector<double>, QUANTITIES.size()> values;

  /// The value of a quantity at the k-th epoch asked and the j-th longitude.
  double at(Quantity quantity, std::size_t k, std::size_t j) const {
    return values[static_cast<std::size_t>(quantity)][k * column_count + j];
  }
  /// The k-th epoch's layer of a quantity, west to east.
  std::span<const double> layer(Quantity quantity, std::size_t k) const {
    return std::span<const double>(values[static_cast<std::size_t>(quantity)])
        .subspan(k * column_count, column_count);
  }
};

/// Evaluates the model at every node of a row of the grid, for the epochs
/// asked; a value the model cannot compute is NaN, as the library gives it.
///
/// @param[in]  model   the model (not reentrant: one thread)
/// @param[in]  grid    the nodes
/// @param[in]  row     index of the latitude, 0 at the south
/// @param[in]  epochs  indices of the epochs asked (0 for 0 AD, 380 for 1900 AD), in order
/// @param[out] out     the row; its storage is reused from call to call
void evaluate_row(const model::Model& model, const GridAxes& grid, std::size_t row,
                  std::span<const int> epochs, CubeRow& out);

/// Evaluates a global model's coefficients of one year at every node of a
/// row: the declination, inclination and intensity as one epoch, the error
/// layers NaN (the model gives none). The declination is NaN where the
/// field's direction in the horizontal is undefined (the geographic poles).
///
/// @param[in]  gauss  the year's Gauss coefficients
/// @param[in]  grid   the nodes, longitudes -180 to 360
/// @param[in]  row    index of the latitude, 0 at the south
/// @param[out] out    the row; its storage is reused from call to call
void evaluate_global_row(const geomodel::GaussCoefficients& gauss, const GridAxes& grid,
                         std::size_t row, CubeRow& out);

/// Every epoch of the model, 0 to 380.
std::vector<int> all_epochs();

}  // namespace field_map
