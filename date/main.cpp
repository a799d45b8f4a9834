// karven-date: the probability of a structure's age from its measured
// direction and intensity and the curve of its site.
#include <string_view>
#include <vector>

#include "companion/command_line.hpp"
#include "console/standard_streams.hpp"
#include "date/command.hpp"

int main(int argc, char** argv) {
  if (!companion::open_standard_streams()) return companion::FAILED;
  const std::vector<std::string_view> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  return companion::finish_output("karven-date", date::run_date_command(arguments));
}
