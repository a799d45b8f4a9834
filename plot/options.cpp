#include "plot/options.hpp"

#include <optional>

#include "driver/curve_file.hpp"

namespace plot {

namespace {

FigureFormat named_format(std::string_view word) {
  const std::optional<FigureFormat> format = format_from_name(word);
  if (!format || word.starts_with('.')) {
    throw UsageError("unknown format \"" + std::string(word) + "\": give png, svg or pdf");
  }
  return *format;
}

}  // namespace

PlotOptions parse_options(std::span<const std::string_view> arguments) {
  std::optional<FigureFormat> format;
  std::optional<std::filesystem::path> input, output;
  bool options_ended = false;

  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string_view argument = arguments[i];
    if (options_ended || !argument.starts_with('-')) {
      if (input)
        throw UsageError("one curve file at a time, not also \"" + std::string(argument) + "\"");
      input = std::filesystem::path(argument);
      continue;
    }
    if (argument == "--") {
      options_ended = true;
      continue;
    }
    if (argument == "--help" || argument == "-h") {
      PlotOptions help;
      help.help = true;
      return help;
    }

    std::string_view option = argument, value;
    bool has_value = false;
    if (const std::size_t equals = argument.find('=');
        argument.starts_with("--") && equals != std::string_view::npos) {
      option = argument.substr(0, equals);
      value = argument.substr(equals + 1);
      has_value = true;
    }
    const bool is_format = option == "--format" || option == "-f";
    const bool is_output = option == "--output" || option == "-o";
    if (!is_format && !is_output) {
      throw UsageError("unknown option \"" + std::string(argument) + "\"");
    }
    if (!has_value && i + 1 < arguments.size()) {
      value = arguments[++i];
      has_value = true;
    }
    if (!has_value || value.empty()) {
      throw UsageError("option " + std::string(option) + " needs a value");
    }
    if (is_format) {
      format = named_format(value);
    } else {
      output = std::filesystem::path(value);
    }
  }

  PlotOptions options;
  options.input = input.value_or(std::filesystem::path(driver::CURVE_FILE_NAME));
  if (output) {
    const std::optional<FigureFormat> named_by_extension =
        output->has_extension() ? format_from_name(output->extension().string()) : std::nullopt;
    if (format && named_by_extension && *format != *named_by_extension) {
      throw UsageError("--format " + std::string(format_name(*format)) +
                       " does not match the figure's name \"" + output->string() + "\"");
    }
    if (!format && !named_by_extension) {
      throw UsageError("cannot tell the format of \"" + output->string() +
                       "\": end its name in .png, .svg or .pdf, or give --format");
    }
    options.format = format ? *format : *named_by_extension;
    options.output = *output;
  } else {
    options.format = format.value_or(FigureFormat::png);
    options.output = options.input;
    options.output.replace_extension(format_name(options.format));
  }
  return options;
}

std::string usage_text() {
  const auto size = [](FigureFormat format) { return std::string(figure_size(format)); };
  return "Usage: karven-plot [--format png|svg|pdf] [--output FIGURE] [CURVE_FILE]\n"
         "Draws a curve file written by karven (default: psvc_karven.eu.26.dat) as three\n"
         "panels on one time axis in years AD: declination (degrees), inclination\n"
         "(degrees) and intensity (microtesla), each a line with its 95% confidence band\n"
         "(value +/- error) shaded. The title names the model and the site as the file's\n"
         "site line gives it, e.g. \"40.40 N, 3.70 W\". NaN, Inf or asterisks in a field\n"
         "leave a gap; a curve cut short is drawn when it has at least two lines.\n"
         "The figure is written beside the curve file, with the extension replaced:\n"
         "PNG of " +
         size(FigureFormat::png) +
         ", or with --format svg or pdf,\n"
         "SVG of " +
         size(FigureFormat::svg) + " or PDF of " + size(FigureFormat::pdf) +
         ". --output FIGURE chooses\n"
         "the name; its extension (.png, .svg or .pdf) then gives the format.\n"
         "An existing figure is replaced; the curve file itself never is.\n"
         "Needs gnuplot with its cairo terminals: apt-get install gnuplot-nox\n"
         "Exit status: 0 figure written, 1 failure (said on standard error), 2 wrong usage.\n";
}

}  // namespace plot
