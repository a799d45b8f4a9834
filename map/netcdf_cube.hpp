// The cube as a netCDF file following the CF-1.8 conventions: dimensions
// year, lat and lon; coordinate variables with their units; the six
// quantities as doubles with units, long_name, a NaN _FillValue and their
// actual_range; global
// attributes Conventions, title, source and history. Written with the
// netCDF C library in the classic data model, which GMT, xarray and every
// netCDF reader take.
#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>

#include "map/cube.hpp"
#include "map/grid.hpp"

namespace field_map {

/// A netCDF file cannot be written; the message names it and says why.
class NetcdfError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// What the global attributes say.
struct CubeDescription {
  std::string title;    // what the file holds
  std::string source;   // the coefficient file's name, without its directory
  std::string history;  // the command that wrote the file
  // A global model's cube: one year (years AD in place of the epochs'
  // own), no error variables, the model's citation in `references` and a
  // comment on the declination's missing values.
  std::optional<int> global_year = std::nullopt;
  std::string references = {};
};

/// A netCDF file being written row by row. The file is complete only after
/// close(); an object that goes without it leaves an incomplete file,
/// which the caller removes.
class NetcdfCube {
 public:
  /// Creates the file and writes its header and coordinates.
  ///
  /// @param[in] path         where to write (a temporary name)
  /// @param[in] shown_name   the file as messages name it
  /// @param[in] grid         the nodes
  /// @param[in] epochs       the epochs' indices, 0 to 380, in order
  /// @param[in] description  the global attributes
  /// @throws NetcdfError when the file cannot be created or written
  NetcdfCube(const std::filesystem::path& path, std::string shown_name, const GridAxes& grid,
             std::span<const int> epochs, const CubeDescription& description);
  ~NetcdfCube();
  NetcdfCube(const NetcdfCube&) = delete;
  NetcdfCube& operator=(const NetcdfCube&) = delete;

  /// Writes the values of a row of nodes, for every epoch and quantity.
  /// Rows are gathered into blocks and written a block at a time; rows in
  /// order from the south give the longest blocks.
  ///
  /// @param[in] row     index of the latitude, 0 at the south
  /// @param[in] values  the row as evaluate_row gives it
  /// @throws NetcdfError when the file cannot be written
  void write_row(std::size_t row, const CubeRow& values);

  /// Finishes the file.
  ///
  /// @throws NetcdfError when it cannot be written
  void close();

 private:
  void check(int status) const;
  void flush_block();

  std::string shown_name_;
  int id_ = -1;
  std::array<int, QUANTITIES.size()> variables_{};
  std::array<std::array<double, 2>, QUANTITIES.size()> ranges_;  // NaN until a value comes
  std::size_t quantity_count_ = QUANTITIES.size();
  std::size_t epoch_count_ = 0;
  std::size_t column_count_ = 0;
  // Rows not yet written: from block_start_, block_rows_ of them; each
  // quantity's block holds epoch_count_ layers of block_capacity_ rows.
  std::array<std::vector<double>, QUANTITIES.size()> blocks_;
  std::size_t block_capacity_ = 1;
  std::size_t block_start_ = 0;
  std::size_t block_rows_ = 0;
};

/// Writes one layer of a quantity as a two-dimensional grid (lat, lon), the
/// form GMT draws.
///
/// @param[in] path       where to write
/// @param[in] grid       the nodes
/// @param[in] quantity   which quantity the values are
/// @param[in] values     row after row from the south, each west to east
/// @throws NetcdfError when the file cannot be written
void write_layer_grid(const std::filesystem::path& path, const GridAxes& grid, Quantity quantity,
                      std::span<const double> values);

}  // namespace field_map
