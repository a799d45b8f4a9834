// The command line of karven-date.
#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "companion/command_line.hpp"
#include "curve/ref_file.hpp"
#include "date/radiocarbon_rows.hpp"
#include "dating/dating.hpp"
#include "figures/gnuplot.hpp"

namespace date {

using companion::UsageError;

/// The placeholder of --density and --figure that --samples replaces by
/// each sample's name.
inline constexpr std::string_view NAME_PLACEHOLDER = "{name}";

/// What a command line asks for, with every default filled in. The values
/// of one measurement stay text here: a value that is not a number is bad
/// input (exit status 1), not a wrong command line.
struct DateOptions {
  bool stop = false;  // --help or --version: print stop_text and end
  std::string stop_text;
  std::filesystem::path curve_file;            // psvc_karven.eu.26.dat by default
  curve::RefFileNames ref_files;               // --ref-dec, --ref-inc, --ref-int instead
  std::optional<std::filesystem::path> model;  // --model FILE instead: the curve at each site
  // With a global model: --model-sigma D,I,F, one standard deviation of its
  // curve, and --span FROM:TO, the years dated over. Text until the model
  // is open, as the values of a measurement are.
  std::optional<std::string> model_sigma, span;
  // --lat and --lon: the site where the measurement was made (with
  // --samples, of the rows that give none); --ref-lat and --ref-lon: the
  // site of the .ref curves. Text, as the values of a measurement are.
  std::optional<std::string> latitude, longitude, ref_latitude, ref_longitude;
  std::optional<std::filesystem::path> samples;  // --samples FILE
  std::optional<std::string> declination, inclination, alpha95, intensity, intensity_sigma;
  // --c14 AGE,SIGMA, --c14-curve NAME|PATH, --delta-r DR,SIGMA: a 14C age
  // instead of a measurement.
  std::optional<std::string> c14, c14_curve, delta_r;
  std::string name;                    // --name, "measurement" by default
  std::vector<double> levels;          // percent, in the order given; 95 by default
  std::optional<std::string> density;  // file, pattern with {name}, or - for standard output
  std::optional<std::string> figure;   // file, or pattern with {name}
  figures::FigureFormat figure_format = figures::FigureFormat::png;
  bool json = false;
  // --sequence: the samples file's events form a stratigraphic sequence,
  // written in the file oldest first or youngest first.
  enum class Sequence { oldest_first, youngest_first };
  std::optional<Sequence> sequence;
  dating::YearNotation years = dating::YearNotation::ad;  // --years ad|ce|bp
};

/// Whether a --density or --figure value is a pattern with {name}.
bool has_name_placeholder(const std::string& value);

/// Reads the arguments after the program's name.
///
/// @throws UsageError  for an unknown option, a missing value, a level that
///                     is not a percentage in [1, 100), --samples together
///                     with the values of one measurement, a --density or
///                     --figure without {name} for --samples (or with it
///                     for one measurement), a figure whose name ends in
///                     no .png, .svg or .pdf, --model with a curve file or
///                     .ref files, one measurement with --model but no site,
///                     one of --lat/--lon (or --ref-lat/--ref-lon) without
///                     the other, --ref-lat/--ref-lon without .ref files,
///                     --sequence without --samples or with a {name}
///                     pattern, an unknown --sequence or --years,
///                     --model-sigma or --span without --model, --c14
///                     with a measurement, --samples or a curve, or
///                     --c14-curve or --delta-r without --c14
DateOptions parse_options(std::span<const std::string_view> arguments);

/// The wrong command lines of --density and --figure that only the samples
/// file's header tells: a {name} pattern where the file's events take one
/// file, and one file's name where its samples take a pattern.
UsageError events_file_error(std::string_view option);
UsageError pattern_error(std::string_view option);

/// The measurement that the options give on the command line.
///
/// @throws dating::MeasurementError  when a value is not a number; field()
///         names it as the samples file does ("dec", "sigma_int")
dating::Measurement command_line_measurement(const DateOptions& options);

/// The 14C age that the options give on the command line (--c14).
///
/// @throws dating::MeasurementError  when --c14 or --delta-r is not two
///         numbers; field() names the option ("c14", "delta-r")
C14Input command_line_c14(const DateOptions& options);

/// The option that gives a value of the samples file's column: "dec" is
/// --dec, "sigma_int" is --sigma-int.
std::string option_of_field(std::string_view field);

}  // namespace date
