// karven-map: maps of the regional field model, as figures, netCDF cubes
// and CSV tables.
#include <string_view>
#include <vector>

#include "map/command.hpp"

int main(int argc, char** argv) {
  const std::vector<std::string_view> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  return field_map::run_map_command(arguments);
}
