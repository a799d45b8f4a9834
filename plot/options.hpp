// The command line of karven-plot.
#pragma once

#include <filesystem>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

#include "companion/model_site.hpp"
#include "plot/figure.hpp"

namespace plot {

/// The command line asks for nothing that can be done; the message says
/// what is wrong.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// What a command line asks for, with every default filled in.
struct PlotOptions {
  bool help = false;  // --help or --version: print help_text and stop
  std::string help_text;
  std::filesystem::path input;             // the curve file
  companion::ModelSiteOptions model_site;  // --model, --lat, --lon instead
  bool global = false;                     // --model names a global model
  std::filesystem::path output;            // the figure
  FigureFormat format = FigureFormat::png;
};

/// Reads the arguments after the program's name:
/// [--format png|svg|pdf] [--output PATH] [CURVE_FILE | --model FILE --lat
/// LAT --lon LON], in any order, also as --format=FORMAT, --output=PATH,
/// -f FORMAT, -o PATH; "--" ends the options; --help, -h and --version as
/// every companion reads them. The curve file defaults to
/// psvc_karven.eu.26.dat; the figure, to the curve file's name with its
/// extension replaced by the format's (with --model, as if the curve file
/// psvc_karven.eu.26.dat of the site were given). Given an output path, the
/// format follows its extension unless --format names it; PNG when neither
/// tells. --output - is standard output, whose format --format must name.
///
/// @throws UsageError  for an unknown option or format, a missing value, a
///                     second curve file, a --format that contradicts the
///                     output's extension, --output - without --format, or --model, --lat and --lon
///                     that do not go together (companion::check_model_site_options)
PlotOptions parse_options(std::span<const std::string_view> arguments);

}  // namespace plot
