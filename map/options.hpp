// The command line of karven-map.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "figures/gnuplot.hpp"
#include "map/cube.hpp"
#include "map/grid.hpp"

namespace field_map {

/// What a command line asks for, with every default filled in.
struct MapOptions {
  bool stop = false;  // --help or --version: print stop_text and end
  std::string stop_text;

  std::string model;                          // the coefficient file or global model
  bool global = false;                        // --model names a global model
  std::optional<int> year;                    // a global model's year (--year)
  std::optional<int> epoch;                   // the epoch asked (--year), or every epoch
  Quantity quantity = Quantity::declination;  // the figure's quantity
  double step = DEFAULT_STEP;
  Region region;
  std::optional<std::string> sites;   // a sites file to mark on the figure
  std::optional<std::string> figure;  // --output
  figures::FigureFormat format = figures::FigureFormat::png;
  std::optional<std::string> grid;   // --grid, a netCDF file
  std::optional<std::string> table;  // --csv
};

/// The help's usage line and description.
extern const char* const USAGE;

/// Reads the arguments after the program's name, as every companion reads
/// them (options in any order, --option=value or --option value, --help,
/// --version).
///
/// @throws companion::UsageError for an unknown option or a missing value;
///         for a year that is no epoch, a step, region or component that
///         is none (the grid's messages); for a run that asks for nothing
///         (no --output, --grid or --csv), a figure without --year or with
///         an extension other than .png, .pdf or .svg, options of the figure
///         without --output, no --model, two outputs named alike, --output
///         - (a figure's format is told by its name) or --grid - with
///         --csv -
MapOptions parse_map_options(std::span<const std::string_view> arguments);

/// The command as a shell would take it back, for the grid's history:
/// the program's name and each argument, in single quotes where it holds
/// anything but letters, digits and "-_./=:,+@%".
std::string command_text(std::string_view program, std::span<const std::string_view> arguments);

}  // namespace field_map
