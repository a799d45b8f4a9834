// The cube as a long CSV table: one row per node and epoch, the values as
// the model gives them in the shortest text that reads back as the same
// double.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "map/cube.hpp"
#include "map/grid.hpp"

namespace field_map {

/// The table's header line, with its line end.
inline constexpr std::string_view CSV_HEADER =
    "lat,lon,year,declination,inclination,intensity,declination_error_95,"
    "inclination_error_95,intensity_error_95\n";

/// Appends the table's lines of one row of nodes: node after node from
/// west to east, each with its epochs in order. Numbers are written in
/// the shortest form that reads back as the same double ("35.25",
/// "-1.6612345678901234", "1e-05"), a value the model cannot compute as an
/// empty field; LF line ends.
///
/// @param[in,out] text    the table's text so far
/// @param[in]     grid    the nodes
/// @param[in]     row     index of the row's latitude
/// @param[in]     epochs  the epochs' indices, as the row was evaluated for
/// @param[in]     values  the row
void append_csv_rows(std::string& text, const GridAxes& grid, std::size_t row,
                     std::span<const int> epochs, const CubeRow& values);

/// A global model's table header.
inline constexpr std::string_view GLOBAL_CSV_HEADER =
    "lat,lon,year,declination,inclination,intensity\n";

/// A global model's table begins with comment lines naming the model and
/// its citation (`source`) and saying where the declination is missing,
/// then the header.
std::string global_csv_heading(std::string_view source);

/// Appends the lines of one row of a global model's nodes at its year, as
/// append_csv_rows does, without the error columns.
void append_global_csv_rows(std::string& text, const GridAxes& grid, std::size_t row, int year,
                            const CubeRow& values);

}  // namespace field_map
