// karven-map: the model over its region at an epoch, as a figure drawn by
// GMT, a netCDF cube or a CSV table.
#pragma once

#include <span>
#include <string_view>

namespace field_map {

/// The name of the model the maps show.
inline constexpr std::string_view MODEL_NAME = "KARVEN.EU.26";

/// Runs the command on the arguments after the program's name.
///
/// @return the exit status: 0 done, 1 failed (said on standard error),
///         2 a wrong command line
int run_map_command(std::span<const std::string_view> arguments);

}  // namespace field_map
