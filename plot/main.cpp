// karven-plot: draws the figure of a curve file written by karven.
#include <iostream>
#include <string_view>
#include <system_error>
#include <vector>

#include "companion/command_line.hpp"
#include "curve/curve_reader.hpp"
#include "plot/figure.hpp"
#include "plot/gnuplot.hpp"
#include "plot/options.hpp"

namespace {

constexpr int FAILED = companion::FAILED;

void report(std::string_view message) { companion::report("karven-plot", message); }

int run(std::span<const std::string_view> arguments) {
  plot::PlotOptions options;
  try {
    options = plot::parse_options(arguments);
  } catch (const plot::UsageError& e) {
    return companion::wrong_usage("karven-plot", e.what());
  }
  if (options.help) {
    std::cout << options.help_text;
    return 0;
  }
  try {
    const curve::Curve curve = curve::read_curve_file(options.input);
    if (const std::string note = curve::early_end_note(curve, options.input.string());
        !note.empty()) {
      report(note);
    }
    // A figure named like its curve file would replace the curve.
    std::error_code ec;
    if (std::filesystem::equivalent(options.input, options.output, ec)) {
      report("the figure " + options.output.string() + " would replace the curve file " +
             options.input.string() + "; give another --output");
      return FAILED;
    }
    plot::draw_figure(curve, options.format, options.output);
    std::cout << "Figure written to " << options.output.string() << '\n';
    return 0;
  } catch (const curve::CurveFileError& e) {
    report(e.what());
  } catch (const plot::PlotError& e) {
    report(e.what());
  } catch (const std::exception& e) {
    report(e.what());
  }
  return FAILED;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string_view> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  return run(arguments);
}
