#include "plot/figure.hpp"

#include <algorithm>
#include <array>
#include <cmath>

#include "console/fields.hpp"
#include "curve/site_text.hpp"

namespace plot {

using console::shortest_text;

namespace {

using enum curve::Quantity;

// Three panels, portrait: the height is 1.25 widths.
constexpr double ASPECT = 1.25;

// One panel of the figure: a quantity, its error's column, its axis label.
struct Panel {
  Quantity value;
  Quantity error;
  std::string_view label;
};

constexpr std::array<Panel, 3> PANELS = {{
    {DECLINATION, DECLINATION_ERROR, "Declination (°)"},
    {INCLINATION, INCLINATION_ERROR, "Inclination (°)"},
    {INTENSITY, INTENSITY_ERROR, "Intensity (µT)"},
}};

constexpr std::string_view LINE_COLOUR = "#1a4c8f";
constexpr std::string_view BAND_COLOUR = "#3f7fd0";

bool has_values(const Curve& curve, Quantity quantity) {
  return std::any_of(curve.points.begin(), curve.points.end(),
                     [quantity](const CurvePoint& p) { return std::isfinite(p.values[quantity]); });
}

// A credit's longest line, in characters, at the figure's foot.
constexpr std::size_t CREDIT_WIDTH = 110;

// A text broken at blanks into lines of at most `width` characters (a
// longer word keeps its own line).
std::string wrapped(std::string_view text, std::size_t width) {
  std::string result;
  std::size_t line = 0;
  while (!text.empty()) {
    const std::size_t blank = text.find(' ');
    const std::string_view word = text.substr(0, blank);
    if (line > 0 && line + 1 + word.size() > width) {
      result += '\n';
      line = 0;
    } else if (line > 0) {
      result += ' ';
      ++line;
    }
    result += word;
    line += word.size();
    text.remove_prefix(blank == std::string_view::npos ? text.size() : blank + 1);
  }
  return result;
}

// Column of a quantity in the data file; column 1 is the year.
std::string column(Quantity quantity) { return std::to_string(static_cast<int>(quantity) + 2); }

}  // namespace

std::string figure_size(FigureFormat format) {
  return figures::figure_terminal(format, ASPECT).shown_size;
}

std::string gnuplot_data(const Curve& curve) {
  std::string data = "# year D I F eD eI eF\n";
  for (const CurvePoint& point : curve.points) {
    data += shortest_text(point.year);
    for (const double value : point.values) {
      data += ' ';
      data += std::isfinite(value) ? shortest_text(value) : "NaN";
    }
    data += '\n';
  }
  return data;
}

std::string gnuplot_script(const Curve& curve, FigureFormat format, std::string_view data_name,
                           std::string_view figure_name, const FigureText& text) {
  const figures::FigureTerminal settings = figures::figure_terminal(format, ASPECT);
  const std::string title = curve.model + " palaeosecular variation curve at " +
                            curve::site_text(curve.latitude, curve.longitude) + "\n" + text.legend;
  const std::string data = figures::gnuplot_string(data_name);

  std::string script;
  const auto add = [&script](std::string_view line) {
    script += line;
    script += '\n';
  };
  add("set encoding utf8");
  add(settings.command);
  add("set output " + figures::gnuplot_string(figure_name));
  // A credit takes the foot of the figure, below the time axis's label.
  const bool credit = !text.credit.empty();
  add("set multiplot layout 3,1 title " + figures::gnuplot_string(title) + " font '" +
      settings.title_font + "' margins 0.13,0.96," + (credit ? "0.1" : "0.07") +
      ",0.9 spacing 0,0.025");
  if (credit) {
    add("set label 2 " + figures::gnuplot_string(wrapped(text.credit, CREDIT_WIDTH)) +
        " at screen 0.5, screen 0.035 center font ',9'");
  }
  add("set xrange [" + shortest_text(curve.points.front().year) + ":" +
      shortest_text(curve.points.back().year) + "]");
  add("set mxtics");
  add("set grid xtics ytics back lt 1 lw 1 lc rgb '#dcdcdc'");
  add("set key off");
  add("set style fill transparent solid 0.28 noborder");
  for (std::size_t k = 0; k < PANELS.size(); ++k) {
    const Panel& panel = PANELS[k];
    const bool last = k + 1 == PANELS.size();
    add(last ? "set format x '%g'" : "set format x ''");
    if (last) add("set xlabel 'Year (AD)'");
    add("set ylabel " + figures::gnuplot_string(panel.label));
    // gnuplot cannot scale an axis that has no defined point.
    const bool empty = !has_values(curve, panel.value);
    if (empty) {
      add("set yrange [-1:1]");
      add("set label 1 " + figures::gnuplot_string(text.no_values) +
          " at graph 0.5, graph 0.5 center");
    }
    const std::string v = column(panel.value), e = column(panel.error);
    if (text.bands) {
      add("plot " + data + " using 1:($" + v + "-$" + e + "):($" + v + "+$" + e +
          ") with filledcurves lc rgb '" + std::string(BAND_COLOUR) + "', \\");
    }
    add((text.bands ? "     " : "plot ") + data + " using 1:" + v + " with lines lw " +
        settings.line_width + " lc rgb '" + std::string(LINE_COLOUR) + "'");
    if (empty) {
      add("unset label 1");
      add("set autoscale y");
    }
    // The credit is drawn once, with the first panel.
    if (credit && k == 0) add("unset label 2");
  }
  add("unset multiplot");
  add("unset output");
  return script;
}

void draw_figure(const Curve& curve, FigureFormat format, const companion::OutputGuard& guard,
                 const std::filesystem::path& destination, const FigureText& text) {
  // Names inside gnuplot's private directory; it sees no other.
  constexpr const char* data_name = "curve.dat";
  figures::GnuplotJob job;
  job.data_files.push_back({data_name, gnuplot_data(curve)});
  job.script = gnuplot_script(curve, format, data_name, figures::figure_file_name(format), text);
  figures::run_gnuplot_job(job, format, guard, destination);
}

}  // namespace plot
