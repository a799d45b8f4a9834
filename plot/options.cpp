#include "plot/options.hpp"

#include <optional>

#include "companion/command_line.hpp"
#include "companion/output_file.hpp"
#include "console/numbers.hpp"
#include "driver/curve_file.hpp"
#include "geomodel/catalogue.hpp"

namespace plot {

namespace {

FigureFormat named_format(std::string_view word) {
  const std::optional<FigureFormat> format = figures::format_from_name(word);
  if (!format || word.starts_with('.')) {
    throw UsageError("unknown format \"" + console::shown_text(word) + "\": give png, svg or pdf");
  }
  return *format;
}

std::string description() {
  const auto size = [](FigureFormat format) { return figure_size(format); };
  return "Draws a curve file written by karven (default: psvc_karven.eu.26.dat), or the\n"
         "curve that --model computes at the site of --lat and --lon, as three\n"
         "panels on one time axis in years AD: declination (degrees), inclination\n"
         "(degrees) and intensity (microtesla), each a line with its 95% confidence band\n"
         "(value +/- error) shaded. The title names the model and the site as the file's\n"
         "site line gives it, e.g. \"40.40 N, 3.70 W\". NaN, Inf or asterisks in a field\n"
         "leave a gap; a curve cut short is drawn when it has at least two lines,\n"
         "with a line on standard error that says where it ends.\n"
         "The figure is written beside the curve file, with the extension replaced\n"
         "(with --model, as if the curve file psvc_karven.eu.26.dat were given):\n"
         "PNG of " +
         size(FigureFormat::png) +
         ", or with --format svg or pdf,\n"
         "SVG of " +
         size(FigureFormat::svg) + " or PDF of " + size(FigureFormat::pdf) +
         ". --output FIGURE chooses\n"
         "the name; its extension (.png, .svg or .pdf) then gives the format.\n"
         "--output - writes the figure to standard output, in the format that --format\n"
         "gives (it is needed then), and nothing else; a file named - is ./-.\n"
         "An existing figure is replaced once the new one is complete; the curve file,\n"
         "KARVEN_coeff.inp and what is not a regular file (a FIFO, a device) never are.\n\n"
         "A global model (--model ARCH10k.1, any bundled model's name in any case, or a\n"
         "global model's file) is drawn at any site (latitude -90 to 90, longitude -180\n"
         "to 360) over --span FROM:TO[:STEP], whole years AD, negative before 1 AD\n"
         "(default: the model's whole span, every 5 years), as lines without bands, since\n"
         "the model gives no errors; --model-sigma D,I,F (one standard deviation in\n"
         "degrees, degrees, microtesla) shades the 95% band of that sigma. The figure\n"
         "(default: the model's name with the format's extension) names the model and\n"
         "its publication. --span and --model-sigma are refused with the regional model.\n";
}

constexpr const char* FOOTER =
    "Needs gnuplot with its cairo terminals: apt-get install gnuplot-nox\n\n"
    "Exit status: 0 figure written, 1 failure (said on standard error), 2 wrong usage.";

}  // namespace

PlotOptions parse_options(std::span<const std::string_view> arguments) {
  std::optional<std::string> format_word, output_name, input_name;
  const auto app = companion::make_app("karven-plot",
                                       "[--format png|svg|pdf] [--output FIGURE] "
                                       "[CURVE_FILE | --model MODEL --lat LAT --lon LON "
                                       "[--span FROM:TO[:STEP]] [--model-sigma D,I,F]]",
                                       description(), FOOTER);
  app->add_option("-f,--format", format_word, "png, svg or pdf (default: the figure's extension)")
      ->type_name("FORMAT");
  app->add_option("-o,--output", output_name,
                  "the figure (default: the curve file's name, extension replaced); - for "
                  "standard output")
      ->type_name("FIGURE");
  app->add_option("CURVE_FILE", input_name, "the curve file (default: psvc_karven.eu.26.dat)")
      ->type_name("");
  PlotOptions options;
  companion::add_model_site_options(*app, options.model_site);

  companion::Parsed parsed;
  try {
    parsed = companion::parse_command_line(*app, arguments);
  } catch (const companion::UsageError& e) {
    throw UsageError(e.what());
  }
  if (parsed.stop) {
    options.help = true;
    options.help_text = parsed.text;
    return options;
  }
  if (output_name && output_name->empty()) throw UsageError("option --output needs a value");
  if (format_word && format_word->empty()) throw UsageError("option --format needs a value");
  std::optional<FigureFormat> format;
  if (format_word) format = named_format(*format_word);
  try {
    companion::check_model_site_options(options.model_site, input_name.has_value());
    options.global =
        options.model_site.model && companion::is_global_model(*options.model_site.model);
    if (options.model_site.model && !options.global) {
      companion::check_regional_options(options.model_site);
    }
  } catch (const companion::UsageError& e) {
    throw UsageError(e.what());
  }

  // A global model's figure is named after the model, without folders.
  options.input =
      options.global ? std::filesystem::path(*options.model_site.model).filename().string() + ".dat"
                     : input_name.value_or(std::string(driver::CURVE_FILE_NAME));
  if (output_name && companion::is_standard_output(*output_name)) {
    // No name to tell the format by.
    if (!format) {
      throw UsageError(
          "--output - writes the figure to standard output: give its format with --format png, "
          "svg or pdf");
    }
    options.format = *format;
    options.output = *output_name;
  } else if (output_name) {
    const std::filesystem::path output = *output_name;
    const std::optional<FigureFormat> named_by_extension = figures::format_of_file(output);
    if (format && named_by_extension && *format != *named_by_extension) {
      throw UsageError("--format " + std::string(figures::format_name(*format)) +
                       " does not match the figure's name \"" +
                       console::shown_text(output.string()) + "\"");
    }
    if (!format && !named_by_extension) {
      throw UsageError("cannot tell the format of \"" + console::shown_text(output.string()) +
                       "\": end its name in .png, .svg or .pdf, or give --format");
    }
    options.format = format ? *format : *named_by_extension;
    options.output = output;
  } else {
    options.format = format.value_or(FigureFormat::png);
    options.output = options.input;
    options.output.replace_extension(figures::format_name(options.format));
  }
  return options;
}

}  // namespace plot
