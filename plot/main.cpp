// karven-plot: draws the figure of a curve file written by karven.
#include <filesystem>
#include <iostream>
#include <limits>
#include <new>
#include <string_view>
#include <vector>

#include "companion/command_line.hpp"
#include "companion/output_file.hpp"
#include "console/fields.hpp"
#include "console/numbers.hpp"
#include "curve/curve_reader.hpp"
#include "field_model/field_model.hpp"
#include "figures/gnuplot.hpp"
#include "plot/figure.hpp"
#include "plot/options.hpp"

namespace {

constexpr int FAILED = companion::FAILED;

void report(std::string_view message) { companion::report("karven-plot", message); }

// A global model's curve at the site of --lat and --lon, over --span, as
// the figure draws it: the 95% errors from --model-sigma, or none; the
// legend and the credit of the figure set to match.
curve::Curve global_curve(const companion::ModelSiteOptions& options, plot::FigureText& text) {
  const field_model::FieldModel model = companion::open_model(*options.model);
  if (const std::string note = companion::unread_numbers_note(model); !note.empty()) {
    report(note);
  }
  const companion::CurveYears years = companion::curve_years(options, model, 5);
  const curve::Site site = companion::site_of(options);
  const curve::ReferenceCurve reference =
      model.curve(site.latitude, site.longitude, years.years, years.sigma);
  curve::Curve curve;
  curve.model = std::filesystem::path(model.name()).filename().string();
  curve.latitude = site.latitude;
  curve.longitude = site.longitude;
  curve.points.resize(years.years.size());
  for (std::size_t k = 0; k < years.years.size(); ++k) {
    curve::CurvePoint& point = curve.points[k];
    point.year = years.years[k];
    for (const curve::Component c : curve::COMPONENTS) {
      const auto q = static_cast<std::size_t>(c);
      point.values[q] = (*reference[c]).values[k];
      point.values[q + 3] = years.sigma ? curve::NORMAL_95 * (*reference[c]).sigmas[k]
                                        : std::numeric_limits<double>::quiet_NaN();
    }
  }
  text.bands = years.sigma.has_value();
  if (years.sigma) {
    text.legend = "lines: the model; shaded: 95% band of the sigma D " +
                  console::shortest_text(years.sigma->declination) + "°, I " +
                  console::shortest_text(years.sigma->inclination) + "°, F " +
                  console::shortest_text(years.sigma->intensity) + " µT";
  } else {
    text.legend = "lines: the model's curve, without a band: the model gives no errors";
  }
  text.credit = "Model: " + companion::shared_source(model);
  text.no_values = "undefined at a geographic pole";
  return curve;
}

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
    plot::FigureText text;
    if (options.global) {
      task =
          "computing the curve of the site from " + console::shown_text(*options.model_site.model);
      guard.add_input(*options.model_site.model, "model file");
      curve = global_curve(options.model_site, text);
    } else if (options.model_site.model) {
      task =
          "computing the curve of the site from " + console::shown_text(*options.model_site.model);
      companion::check_model_name(*options.model_site.model);
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
    plot::draw_figure(curve, options.format, guard, options.output, text);
    // The figure on standard output is all that goes there.
    if (!companion::is_standard_output(options.output)) {
      std::cout << "Figure written to " << console::shown_text(options.output.string()) << '\n';
    }
    return 0;
  } catch (const curve::CurveFileError& e) {
    report(e.what());
  } catch (const figures::FigureError& e) {
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
