// karven-date: the probability of a structure's age from its measured
// direction and intensity and the curve of its site.
#include <string_view>
#include <vector>

#include "date/command.hpp"

int main(int argc, char** argv) {
  const std::vector<std::string_view> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  return date::run_date_command(arguments);
}
