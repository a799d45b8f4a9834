// The grid of a map: a part of the model's region, the nodes that cover it
// at a step in degrees, and the epochs asked for.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace field_map {

/// A part of the model's region in geodetic degrees: latitudes south to
/// north, longitudes west to east (east positive).
struct Region {
  double south = 35.0;
  double north = 60.0;
  double west = -15.0;
  double east = 30.0;
};

/// The whole of the model's region, 35/60/-15/30.
Region model_region();

/// The region as the command line writes it, "S/N/W/E", each bound in its
/// shortest form ("35/60/-15/30").
std::string region_text(const Region& region);

/// A command line's value that is no region, step or epoch of a map; the
/// message names the option and says what is wrong.
class GridError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

/// Reads "S/N/W/E": four decimal numbers separated by slashes, south below
/// north and west below east, all within the model's region.
///
/// @throws GridError naming --region and what is wrong
Region parse_region(std::string_view text);

/// The whole globe, -90/90/-180/180.
Region world_region();

/// Reads a region of a global model: "world", or "S/N/W/E" with latitudes
/// from -90 to 90 and longitudes from -180 to 360, west below east and at
/// most 360 degrees apart, so that a region may cross the date line
/// ("-50/-30/170/190").
///
/// @throws GridError naming --region and what is wrong
Region parse_global_region(std::string_view text);

/// The most nodes a grid of a global model may have: as many as the
/// regional model's whole region holds at the finest step.
inline constexpr double MAX_GLOBAL_NODES = 2501.0 * 4501.0;

/// The finest step a grid may have, in degrees: 0.01 over the whole region
/// is 2,501 by 4,501 nodes, whose six layers of one epoch take 540 MB.
inline constexpr double MIN_STEP = 0.01;

/// The default step, in degrees.
inline constexpr double DEFAULT_STEP = 0.25;
/// The spacing of a global model's grid, degrees.
inline constexpr double GLOBAL_DEFAULT_STEP = 1.0;

/// The nodes of a grid: latitudes from south northward and longitudes from
/// west eastward, `step` apart, the first on the region's south-west
/// corner and the last at or before its north and east bounds.
struct GridAxes {
  std::vector<double> latitudes;
  std::vector<double> longitudes;
  double step = DEFAULT_STEP;

  std::int64_t node_count() const {
    return static_cast<std::int64_t>(latitudes.size()) *
           static_cast<std::int64_t>(longitudes.size());
  }
};

/// The nodes of a region at a step. Where the step and the bounds are
/// decimal numbers of at most nine decimals (0.25, 0.1, 35.5), each node is
/// the double nearest its decimal value (35.3, not 35.300000000000004).
///
/// @param[in] region  within the model's region, south below north, west below east
/// @param[in] step    degrees; MIN_STEP or more
/// @throws GridError naming --step when the step is not a finite number of
///         at least MIN_STEP (with the node count it would give and the
///         limit), or leaves a single row or column of nodes
GridAxes make_grid(const Region& region, double step);

/// The nodes of a global model's region at a step.
///
/// @throws GridError as make_grid, and naming --step when the grid would
///         hold more than MAX_GLOBAL_NODES
GridAxes make_global_grid(const Region& region, double step);

/// A count with its thousands grouped by commas, "11,257,001"; a count of
/// 10^18 or more in its shortest form with an exponent.
std::string grouped_count(double count);

/// A count of degrees in words: "1 degree", "0.25 degrees".
std::string degrees_text(double degrees);

/// Reads a step in degrees from the command line.
///
/// @throws GridError naming --step when the text is no number
double parse_step(std::string_view text);

/// The index of the model's epoch that is the year asked (0 for 0 AD, 300
/// for 1500 AD).
///
/// @throws GridError naming --year, and the two epochs around the year
///         when it lies between two
int epoch_index(std::string_view year_text);

}  // namespace field_map
