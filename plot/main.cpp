// karven-plot: draws the figure of a curve file written by karven.
#include <iostream>
#include <new>
#include <string_view>
#include <vector>

#include "companion/command_line.hpp"
#include "companion/output_file.hpp"
#include "console/numbers.hpp"
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
  // What the run is doing, for a message should memory run out.
  std::string task;
  try {
    companion::OutputGuard guard;
    curve::Curve curve;
    if (options.model_site.model) {
      task =
          "computing the curve of the site from " + console::shown_text(*options.model_site.model);
      // The curve that karven's curve file of the site would hold.
      guard.add_input(*options.model_site.model, "coefficient file");
      curve = companion::model_site(options.model_site).curve;
    } else {
      guard.add_input(options.input, "curve file");
      task = "reading " + console::shown_text(options.input.string());
      curve = curve::read_curve_file(options.input);
      if (const std::string note =
              curve::early_end_note(curve, console::shown_text(options.input.string()));
          !note.empty()) {
        report(note);
      }
    }
    try {
      guard.check(options.output, "figure");
    } catch (const companion::OutputError& e) {
      report(std::string(e.what()) + "; give another --output");
      return FAILED;
    }
    task = "drawing the figure of a curve of " + std::to_string(curve.points.size()) + " epochs";
    plot::draw_figure(curve, options.format, guard, options.output);
    std::cout << "Figure written to " << console::shown_text(options.output.string()) << '\n';
    return 0;
  } catch (const curve::CurveFileError& e) {
    report(e.what());
  } catch (const plot::PlotError& e) {
    report(e.what());
  } catch (const std::bad_alloc&) {
    report("out of memory while " + task);
  } catch (const std::exception& e) {
    report(e.what());
  }
  return FAILED;
}

}  // namespace

int main(int argc, char** argv) {
  if (!companion::open_standard_streams()) return FAILED;
  const std::vector<std::string_view> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  return companion::finish_output("karven-plot", run(arguments));
}
