// karven-map: maps of the regional field model, as figures, netCDF cubes
// and CSV tables.
#include <string_view>
#include <vector>

#include "companion/command_line.hpp"
#include "map/command.hpp"

int main(int argc, char** argv) {
  if (!companion::open_standard_streams()) return companion::FAILED;
  const std::vector<std::string_view> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  return companion::finish_output("karven-map", field_map::run_map_command(arguments));
}
