#include "map/options.hpp"

#include <array>
#include <cmath>
#include <filesystem>

#include "companion/command_line.hpp"
#include "companion/output_file.hpp"
#include "console/fields.hpp"
#include "console/numbers.hpp"
#include "geomodel/catalogue.hpp"

namespace field_map {

namespace {

constexpr const char* PROGRAM = "karven-map";

constexpr const char* DESCRIPTION =
    "Maps the regional field model over its region (or a part of it) at an epoch:\n"
    "evaluates the model's coefficient file at the nodes of a grid and draws one\n"
    "quantity as a figure with GMT (--output), or writes every quantity as a\n"
    "netCDF cube (--grid) or a CSV table (--csv). The year must be one of the\n"
    "model's epochs, 0, 5, ..., 1900 AD; without --year the grid and the table\n"
    "hold every epoch. The quantities are the declination, inclination and\n"
    "intensity and their errors at 95% confidence, in degrees and microtesla.\n"
    "\n"
    "With a global model (--model ARCH10k.1, a bundled model's name, or its\n"
    "file) the map is of one year of the model's span, a whole year AD (negative\n"
    "before 1 AD), over any region: latitudes -90 to 90, longitudes -180 to 360\n"
    "(so that a region may cross the date line, e.g. -50/-30/170/190), or\n"
    "--region world (the default), drawn in Mollweide's equal-area projection.\n"
    "The model gives no errors: the grid and table hold the declination,\n"
    "inclination and intensity, the declination missing at the geographic\n"
    "poles, where it is undefined. Every output names the model and its\n"
    "citation.\n"
    "\n"
    "--grid - or --csv - writes the grid or the table to standard output, and the\n"
    "lines that say what was written are left out; a file named - is ./-. A\n"
    "figure needs a file's name, whose extension gives its format.\n";

constexpr const char* FOOTER =
    "Exit status: 0 done, 1 failure (said on standard error), 2 wrong usage.";

std::optional<Quantity> component_quantity(std::string_view name, bool error) {
  Quantity value = Quantity::declination;
  Quantity error_value = Quantity::declination_error;
  if (name == "declination" || name == "D") {
  } else if (name == "inclination" || name == "I") {
    value = Quantity::inclination;
    error_value = Quantity::inclination_error;
  } else if (name == "intensity" || name == "F") {
    value = Quantity::intensity;
    error_value = Quantity::intensity_error;
  } else {
    return std::nullopt;
  }
  return error ? error_value : value;
}

// A global model's year: a whole year AD, negative before 1 AD.
int whole_year(std::string_view text) {
  const std::optional<double> year = console::parse_real(text, console::NumberForm::decimal);
  if (!year || !(std::fabs(*year) < 1e6) || *year != std::round(*year)) {
    throw companion::UsageError(
        "--year: expected a whole year AD, negative before 1 AD (e.g. -1000), read " +
        console::quoted_text(text));
  }
  return static_cast<int>(*year);
}

}  // namespace

const char* const USAGE =
    "--model FILE [--year Y] [OPTION]... [--output FIGURE] [--grid FILE.nc] [--csv FILE]";

MapOptions parse_map_options(std::span<const std::string_view> arguments) {
  MapOptions options;
  std::optional<std::string> model, year, component, step, region;
  bool error = false;
  const auto app = companion::make_app(PROGRAM, USAGE, DESCRIPTION, FOOTER);
  app->add_option("-m,--model", model,
                  "the model's coefficient file, e.g. KARVEN_coeff.inp, or a global model: a "
                  "bundled model's name (ARCH10k.1, CALS10k.2, ...) or its file")
      ->type_name("FILE|NAME");
  app->add_option("-y,--year", year,
                  "the epoch, a year AD from 0 to 1900 in steps of 5; needed for a figure "
                  "(default for --grid and --csv: every epoch); with a global model any whole "
                  "year of its span, always needed")
      ->type_name("Y");
  app->add_option("-c,--component", component,
                  "the figure's quantity: declination, inclination or intensity, or D, I, F "
                  "(default: declination)")
      ->type_name("NAME");
  app->add_flag("-e,--error", error, "map the component's error at 95% confidence instead");
  app->add_option(
         "-s,--step", step,
         "the grid's spacing in degrees, at least 0.01 (default: 0.25; 1 for a global model)")
      ->type_name("DEG");
  app->add_option("-r,--region", region,
                  "south/north/west/east bounds in degrees within the model's region "
                  "(default: the whole, 35/60/-15/30); with a global model anywhere, or "
                  "world (the default)")
      ->type_name("S/N/W/E");
  app->add_option("--sites", options.sites,
                  "mark and name the sites of a CSV file with the columns name,lat,lon")
      ->type_name("FILE");
  app->add_option("-o,--output", options.figure,
                  "draw the figure with GMT; .png, .pdf or .svg gives the format")
      ->type_name("FIGURE");
  app->add_option("-g,--grid", options.grid,
                  "write the grid as a netCDF file (CF-1.8); - for standard output")
      ->type_name("FILE.nc");
  app->add_option("--csv", options.table,
                  "write the grid as a CSV table, a row per node and epoch; - for standard output")
      ->type_name("FILE");

  const companion::Parsed parsed = companion::parse_command_line(*app, arguments);
  if (parsed.stop) {
    options.stop = true;
    options.stop_text = parsed.text;
    return options;
  }
  try {
    if (!model || model->empty()) {
      throw companion::UsageError("give the model's coefficient file with --model FILE");
    }
    options.model = *model;
    if (!options.figure && !options.grid && !options.table) {
      throw companion::UsageError(
          "nothing to do: give --output for a figure, --grid for a netCDF file or --csv for a "
          "table");
    }
    for (const auto& [name, value] :
         {std::pair{"--output", &options.figure}, std::pair{"--grid", &options.grid},
          std::pair{"--csv", &options.table}, std::pair{"--sites", &options.sites}}) {
      if (*value && (*value)->empty()) {
        throw companion::UsageError("option " + std::string(name) + " needs a value");
      }
    }
    options.global = geomodel::find_catalogue_entry(options.model) != nullptr ||
                     geomodel::file_looks_like_spline_model(options.model);
    if (step) options.step = parse_step(*step);
    if (options.global) {
      // A model of degree 10 to 14 varies over thousands of kilometres: a
      // degree resolves it, and maps the world in 65,000 nodes.
      if (!step) options.step = GLOBAL_DEFAULT_STEP;
      if (!year) {
        throw companion::UsageError(
            "a global model is mapped at one year: give --year, a whole year of its span");
      }
      options.year = whole_year(*year);
      options.epoch = 0;
      if (error) {
        throw companion::UsageError("--error: the global model " + options.model +
                                    " gives no errors to map");
      }
      options.region = region ? parse_global_region(*region) : world_region();
      make_global_grid(options.region, options.step);
    } else {
      if (year) options.epoch = epoch_index(*year);
      options.region = region ? parse_region(*region) : model_region();
    }
    if (component) {
      const std::optional<Quantity> quantity = component_quantity(*component, error);
      if (!quantity) {
        throw companion::UsageError("unknown component \"" + *component +
                                    "\": give declination, inclination or intensity (or D, I, F)");
      }
      options.quantity = *quantity;
    } else if (error) {
      options.quantity = Quantity::declination_error;
    }
    // The grid's size is checked whatever is asked, before anything is read.
    make_grid(options.region, options.step);
  } catch (const GridError& e) {
    throw companion::UsageError(e.what());
  }

  if (options.figure && companion::is_standard_output(*options.figure)) {
    throw companion::UsageError(
        "--output -: a figure on standard output has no name to tell its format; give a file "
        "name ending in .png, .pdf or .svg");
  }
  const std::array<companion::StandardOutputUse, 2> standard_output = {
      {{"--grid -", options.grid && companion::is_standard_output(*options.grid)},
       {"--csv -", options.table && companion::is_standard_output(*options.table)}}};
  companion::check_one_standard_output(standard_output);
  if (options.figure) {
    const std::optional<figures::FigureFormat> format = figures::format_of_file(*options.figure);
    if (!format) {
      throw companion::UsageError("--output " + *options.figure +
                                  ": the figure's name must end in .png, .pdf or .svg");
    }
    options.format = *format;
    if (!options.epoch) {
      throw companion::UsageError("a figure shows one epoch: give --year with --output");
    }
  } else {
    for (const auto& [given, name] :
         {std::pair{component.has_value(), "--component"}, std::pair{error, "--error"},
          std::pair{options.sites.has_value(), "--sites"}}) {
      if (given) {
        throw companion::UsageError(std::string(name) +
                                    " is for the figure, and no figure is asked: give --output");
      }
    }
  }
  const std::vector<std::pair<const char*, const std::optional<std::string>*>> outputs = {
      {"--output", &options.figure}, {"--grid", &options.grid}, {"--csv", &options.table}};
  for (std::size_t a = 0; a < outputs.size(); ++a) {
    for (std::size_t b = a + 1; b < outputs.size(); ++b) {
      if (*outputs[a].second && *outputs[b].second &&
          companion::same_output(**outputs[a].second, **outputs[b].second)) {
        throw companion::UsageError(std::string(outputs[a].first) + " and " + outputs[b].first +
                                    " name the same file " + **outputs[b].second);
      }
    }
  }
  return options;
}

std::string command_text(std::string_view program, std::span<const std::string_view> arguments) {
  std::string text(program);
  for (const std::string_view argument : arguments) {
    const bool plain =
        !argument.empty() && argument.find_first_not_of(
                                 "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
                                 "-_./=:,+@%") == std::string_view::npos;
    text += ' ';
    if (plain) {
      text += argument;
      continue;
    }
    text += '\'';
    for (const char c : argument) {
      if (c == '\'') {
        text += "'\\''";
      } else {
        text += c;
      }
    }
    text += '\'';
  }
  return text;
}

}  // namespace field_map
