#include "map/netcdf_cube.hpp"

#include <netcdf.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "model/model.hpp"

namespace field_map {

namespace {

constexpr double FILL = std::numeric_limits<double>::quiet_NaN();

// The largest fixed-size variable of a 64-bit offset file; a larger cube
// is written in the CDF-5 format, which has no such limit.
constexpr double MAX_CLASSIC_VARIABLE_BYTES = 4294967292.0;

// Rows are gathered into blocks of about this size before they are
// written: each epoch's rows of a block are then one run of the file, where
// single rows would be many short writes far apart.
constexpr double BLOCK_BYTES = 64.0 * (1 << 20);

void put_text(int id, int variable, const char* name, std::string_view text, int& status) {
  if (status == NC_NOERR) status = nc_put_att_text(id, variable, name, text.size(), text.data());
}

// A coordinate variable with its attributes; standard_name and axis when
// given.
int define_coordinate(int id, const char* name, int dimension, nc_type type,
                      std::string_view long_name, std::string_view units,
                      std::string_view standard_name, std::string_view axis, int& status) {
  int variable = -1;
  if (status == NC_NOERR) status = nc_def_var(id, name, type, 1, &dimension, &variable);
  if (!standard_name.empty()) put_text(id, variable, "standard_name", standard_name, status);
  put_text(id, variable, "long_name", long_name, status);
  put_text(id, variable, "units", units, status);
  if (!axis.empty()) put_text(id, variable, "axis", axis, status);
  return variable;
}

struct Dimensions {
  int lat = -1;
  int lon = -1;
  int lat_variable = -1;
  int lon_variable = -1;
};

Dimensions define_plane(int id, const GridAxes& grid, int& status) {
  Dimensions d;
  if (status == NC_NOERR) status = nc_def_dim(id, "lat", grid.latitudes.size(), &d.lat);
  if (status == NC_NOERR) status = nc_def_dim(id, "lon", grid.longitudes.size(), &d.lon);
  d.lat_variable =
      define_coordinate(id, "lat", d.lat, NC_DOUBLE, "geodetic latitude on the GRS 80 ellipsoid",
                        "degrees_north", "latitude", "Y", status);
  d.lon_variable =
      define_coordinate(id, "lon", d.lon, NC_DOUBLE, "geodetic longitude on the GRS 80 ellipsoid",
                        "degrees_east", "longitude", "X", status);
  return d;
}

int define_quantity(int id, Quantity quantity, std::span<const int> dimensions, int& status) {
  const QuantityInfo& info = quantity_info(quantity);
  const std::string name(info.name);
  int variable = -1;
  if (status == NC_NOERR) {
    status = nc_def_var(id, name.c_str(), NC_DOUBLE, static_cast<int>(dimensions.size()),
                        dimensions.data(), &variable);
  }
  put_text(id, variable, "long_name", info.long_name, status);
  put_text(id, variable, "units", info.units, status);
  if (status == NC_NOERR)
    status = nc_put_att_double(id, variable, "_FillValue", NC_DOUBLE, 1, &FILL);
  // The range of the values, written again once they are known; of the
  // same size, so that the header does not grow and no data moves.
  const std::array<double, 2> unknown = {FILL, FILL};
  if (status == NC_NOERR) {
    status = nc_put_att_double(id, variable, "actual_range", NC_DOUBLE, 2, unknown.data());
  }
  return variable;
}

// Widens a range [low, high] to the finite values given.
void widen_range(std::array<double, 2>& range, std::span<const double> values) {
  for (const double value : values) {
    if (!std::isfinite(value)) continue;
    if (!(value >= range[0])) range[0] = value;
    if (!(value <= range[1])) range[1] = value;
  }
}

void write_plane(int id, const Dimensions& d, const GridAxes& grid, int& status) {
  if (status == NC_NOERR) status = nc_put_var_double(id, d.lat_variable, grid.latitudes.data());
  if (status == NC_NOERR) status = nc_put_var_double(id, d.lon_variable, grid.longitudes.data());
}

}  // namespace

NetcdfCube::NetcdfCube(const std::filesystem::path& path, std::string shown_name,
                       const GridAxes& grid, std::span<const int> epochs,
                       const CubeDescription& description)
    : shown_name_(std::move(shown_name)),
      quantity_count_(description.global_year ? GLOBAL_QUANTITIES : QUANTITIES.size()),
      epoch_count_(epochs.size()),
      column_count_(grid.longitudes.size()) {
  const double variable_bytes =
      8.0 * static_cast<double>(epochs.size()) * static_cast<double>(grid.node_count());
  const int format = variable_bytes > MAX_CLASSIC_VARIABLE_BYTES ? NC_64BIT_DATA : NC_64BIT_OFFSET;
  ranges_.fill({FILL, FILL});
  // Rows are written in blocks of about BLOCK_BYTES.
  const double row_bytes = 8.0 * static_cast<double>(quantity_count_ * epochs.size()) *
                           static_cast<double>(column_count_);
  block_capacity_ = static_cast<std::size_t>(
      std::clamp(BLOCK_BYTES / row_bytes, 1.0, static_cast<double>(grid.latitudes.size())));
  check(nc_create(path.c_str(), NC_CLOBBER | format, &id_));
  int status = NC_NOERR;
  // Every value is written, so the library need not fill the file first.
  int old_fill = 0;
  status = nc_set_fill(id_, NC_NOFILL, &old_fill);

  int year = -1;
  if (status == NC_NOERR) status = nc_def_dim(id_, "year", epochs.size(), &year);
  const int year_variable = define_coordinate(
      id_, "year", year, NC_INT, "year AD of the model's epoch", "year", "", "", status);
  const Dimensions plane = define_plane(id_, grid, status);
  const std::array<int, 3> dimensions = {year, plane.lat, plane.lon};
  for (std::size_t q = 0; q < quantity_count_; ++q) {
    variables_[q] = define_quantity(id_, QUANTITIES[q], dimensions, status);
  }
  if (description.global_year) {
    put_text(id_, variables_[0], "comment",
             "missing (_FillValue) at the geographic poles, where north has no direction and "
             "the declination is undefined",
             status);
  }
  put_text(id_, NC_GLOBAL, "Conventions", "CF-1.8", status);
  put_text(id_, NC_GLOBAL, "title", description.title, status);
  put_text(id_, NC_GLOBAL, "source", description.source, status);
  put_text(id_, NC_GLOBAL, "history", description.history, status);
  if (!description.references.empty())
    put_text(id_, NC_GLOBAL, "references", description.references, status);
  if (status == NC_NOERR) status = nc_enddef(id_);

  std::vector<int> years;
  if (description.global_year) {
    years.push_back(*description.global_year);
  } else {
    for (const int k : epochs) years.push_back(static_cast<int>(model::epoch_year(k)));
  }
  if (status == NC_NOERR) status = nc_put_var_int(id_, year_variable, years.data());
  write_plane(id_, plane, grid, status);
  check(status);
}

NetcdfCube::~NetcdfCube() {
  if (id_ >= 0) nc_close(id_);
}

void NetcdfCube::check(int status) const {
  if (status != NC_NOERR) {
    throw NetcdfError("cannot write the grid " + shown_name_ + ": " + nc_strerror(status));
  }
}

void NetcdfCube::write_row(std::size_t row, const CubeRow& values) {
  if (row != block_start_ + block_rows_) flush_block();
  if (block_rows_ == 0) block_start_ = row;
  // Into the block, each quantity epoch by row by longitude.
  const std::size_t b = block_rows_;
  for (std::size_t q = 0; q < quantity_count_; ++q) {
    std::vector<double>& block = blocks_[q];
    block.resize(epoch_count_ * block_capacity_ * column_count_);
    for (std::size_t k = 0; k < epoch_count_; ++k) {
      const std::span<const double> layer = values.layer(QUANTITIES[q], k);
      std::copy(
          layer.begin(), layer.end(),
          block.begin() + static_cast<std::ptrdiff_t>((k * block_capacity_ + b) * column_count_));
    }
    widen_range(ranges_[q], values.values[q]);
  }
  if (++block_rows_ == block_capacity_) flush_block();
}

void NetcdfCube::flush_block() {
  if (block_rows_ == 0) return;
  // The block's rows of each epoch are one run of the file; with fewer
  // rows than it holds, its layers are first closed up.
  std::vector<double> packed;
  for (std::size_t q = 0; q < quantity_count_; ++q) {
    const std::vector<double>* source = &blocks_[q];
    if (block_rows_ < block_capacity_) {
      packed.clear();
      const std::size_t run = block_rows_ * column_count_;
      for (std::size_t k = 0; k < epoch_count_; ++k) {
        const auto from =
            blocks_[q].begin() + static_cast<std::ptrdiff_t>(k * block_capacity_ * column_count_);
        packed.insert(packed.end(), from, from + static_cast<std::ptrdiff_t>(run));
      }
      source = &packed;
    }
    const std::array<std::size_t, 3> start = {0, block_start_, 0};
    const std::array<std::size_t, 3> count = {epoch_count_, block_rows_, column_count_};
    check(nc_put_vara_double(id_, variables_[q], start.data(), count.data(), source->data()));
  }
  block_start_ += block_rows_;
  block_rows_ = 0;
}

void NetcdfCube::close() {
  flush_block();
  int status = nc_redef(id_);
  for (std::size_t q = 0; q < quantity_count_; ++q) {
    if (status == NC_NOERR) {
      status =
          nc_put_att_double(id_, variables_[q], "actual_range", NC_DOUBLE, 2, ranges_[q].data());
    }
  }
  if (status == NC_NOERR) status = nc_enddef(id_);
  const int id = id_;
  id_ = -1;
  const int closed = nc_close(id);
  check(status == NC_NOERR ? closed : status);
}

void write_layer_grid(const std::filesystem::path& path, const GridAxes& grid, Quantity quantity,
                      std::span<const double> values) {
  int id = -1;
  int status = nc_create(path.c_str(), NC_CLOBBER | NC_64BIT_OFFSET, &id);
  if (status == NC_NOERR) {
    const Dimensions plane = define_plane(id, grid, status);
    const std::array<int, 2> dimensions = {plane.lat, plane.lon};
    const int variable = define_quantity(id, quantity, dimensions, status);
    std::array<double, 2> range = {FILL, FILL};
    widen_range(range, values);
    if (status == NC_NOERR) {
      status = nc_put_att_double(id, variable, "actual_range", NC_DOUBLE, 2, range.data());
    }
    put_text(id, NC_GLOBAL, "Conventions", "CF-1.8", status);
    if (status == NC_NOERR) status = nc_enddef(id);
    write_plane(id, plane, grid, status);
    if (status == NC_NOERR) status = nc_put_var_double(id, variable, values.data());
    const int closed = nc_close(id);
    if (status == NC_NOERR) status = closed;
  }
  if (status != NC_NOERR) {
    throw NetcdfError("cannot write " + path.string() + ": " + nc_strerror(status));
  }
}

}  // namespace field_map
