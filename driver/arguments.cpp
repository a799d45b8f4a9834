#include "driver/arguments.hpp"

#include <iostream>

#include "console/numbers.hpp"
#include "karven/version.hpp"

namespace driver {

namespace {

bool asks_for_help(std::string_view argument) {
  return argument == "-h" || argument == "--help" || argument.starts_with("--help=");
}

bool asks_for_version(std::string_view argument) {
  return argument == "--version" || argument.starts_with("--version=");
}

int print(const std::string& text) {
  std::cout << text;
  std::cout.flush();
  if (!std::cout) {
    std::cerr << "karven: cannot write to standard output\n";
    return 1;
  }
  return 0;
}

}  // namespace

std::string help_text() {
  return "Usage: karven\n"
         "Computes the palaeosecular variation curve of the regional archaeomagnetic\n"
         "model KARVEN.EU.26 at one site in Europe: for each of 381 epochs, the years\n"
         "0, 5, ..., 1900 AD, the declination, inclination and intensity of the field\n"
         "at the site, each with its error at 95% confidence.\n"
         "It takes no arguments. It asks for the site's geodetic latitude (35 to 60,\n"
         "north positive) and longitude (-15 to 30, east positive) in decimal degrees,\n"
         "one answer per line of standard input, reads the model's coefficient file\n"
         "KARVEN_coeff.inp in the current directory and writes the curve file\n"
         "psvc_karven.eu.26.dat there. An earlier curve file is replaced only when\n"
         "the run completes.\n"
         "\n"
         "Options:\n"
         "  -h,--help             print this help and stop\n"
         "  --version             print the version and stop\n"
         "\n"
         "Example: printf '48.85\\n2.35\\n' | karven\n"
         "\n"
         "Exit status: 0 curve file written, 1 failure (said on standard error), 2 wrong usage.\n"
         "The dialogue, the files and every message: man karven\n";
}

std::optional<int> answer_arguments(std::span<const std::string_view> arguments) {
  if (arguments.empty()) return std::nullopt;
  for (const std::string_view argument : arguments) {
    if (argument == "--") break;  // what follows is no option
    if (asks_for_help(argument)) return print(help_text());
    if (asks_for_version(argument)) return print("karven " + std::string(karven::VERSION) + "\n");
  }
  // A "--" first ends the options; nothing may follow it either.
  const std::size_t first = arguments.front() == "--" ? 1 : 0;
  if (first == arguments.size()) return std::nullopt;
  const std::string_view argument = arguments[first];
  if (first == 0 && argument.size() > 1 && argument.starts_with('-')) {
    std::cerr << "karven: unknown option "
              << console::quoted_token(argument.substr(0, argument.find('=')), false)
              << ": karven takes no options but --help and --version; see 'man karven'\n";
  } else {
    std::cerr << "karven: unexpected argument " << console::quoted_token(argument, false)
              << ": karven asks for the site on standard input and takes no arguments; see "
                 "'man karven'\n";
  }
  return WRONG_USAGE;
}

}  // namespace driver
