#include "date/calibration_figure.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "console/fields.hpp"
#include "console/numbers.hpp"
#include "date/figure.hpp"
#include "date/report.hpp"

namespace date {

namespace {

using console::shortest_text;
using figures::gnuplot_string;

constexpr double ASPECT = 0.8;  // height over width
constexpr double PLOT_LEFT = 0.13;
constexpr double PLOT_RIGHT = 0.96;
// The share of the age axis under the curve that the date takes, and of
// the year axis left of the curve that the measured age takes.
constexpr double DATE_HEIGHT = 0.25;
constexpr double AGE_WIDTH = 0.18;

constexpr const char* CURVE_BAND_COLOUR = "#3f7fd0";
constexpr const char* AGE_COLOUR = "#d9731a";
constexpr const char* DENSITY_COLOUR = "#4d4d4d";
// Fill of the HPD intervals, from the widest level to the narrowest.
constexpr std::array<const char*, 4> HPD_COLOURS = {"#c8c8c8", "#8c8c8c", "#5a5a5a", "#2e2e2e"};

std::string number_text(double value) {
  return std::isfinite(value) ? shortest_text(value) : "NaN";
}

bool in_region(const dating::HpdRegion& region, int year) {
  return std::any_of(
      region.intervals.begin(), region.intervals.end(),
      [year](const dating::HpdInterval& i) { return i.from <= year && year <= i.to; });
}

// "Reimer et al. 2020" of "Reimer, P. J. et al. (2020): The IntCal20 ...":
// the first author and the year, or the whole citation when it is not of
// that form.
std::string short_citation(const std::string& citation) {
  const std::size_t comma = citation.find(',');
  const std::size_t open = citation.find('(');
  const std::size_t close = citation.find(')', open == std::string::npos ? 0 : open);
  if (comma == std::string::npos || open == std::string::npos || close == std::string::npos ||
      comma > open) {
    return citation;
  }
  return citation.substr(0, comma) + " et al. " + citation.substr(open + 1, close - open - 1);
}

}  // namespace

figures::GnuplotJob calibration_figure_job(const std::string& name, const C14Sample& c14,
                                           const dating::DatingResult& result,
                                           figures::FigureFormat format,
                                           dating::YearNotation notation) {
  const radiocarbon::GriddedCalibrationCurve& curve = *c14.curve;
  const radiocarbon::C14Age& age = c14.age;
  const double measured = age.age - age.delta_r;
  const double sigma = std::sqrt(age.sigma * age.sigma + age.delta_r_sigma * age.delta_r_sigma);
  const int first = result.first_year;
  const int last = first + static_cast<int>(result.combined.size()) - 1;

  // The years shown: the date with room on either side, within the curve.
  const int pad = std::max(20, (last - first) / 3);
  const int from = std::max(curve.first_year, first - pad);
  const int to = std::min(curve.last_year, last + pad);
  // The ages shown: the curve's band over those years and the measured
  // age to 4 sigma, with room under them for the date.
  double low = measured - 4.0 * sigma, high = measured + 4.0 * sigma;
  std::string curve_data = "# year low high\n";
  for (int year = from; year <= to; ++year) {
    const std::size_t k = static_cast<std::size_t>(year - curve.first_year);
    const double mu = curve.ages[k], s = std::sqrt(curve.variances[k]);
    low = std::min(low, mu - s);
    high = std::max(high, mu + s);
    curve_data +=
        std::to_string(year) + ' ' + number_text(mu - s) + ' ' + number_text(mu + s) + '\n';
  }
  const double range = high - low;
  const double base = low - DATE_HEIGHT * range / (1.0 - DATE_HEIGHT);
  // Room above for a line of HPD bounds per level.
  const double top = high + (0.05 + 0.09 * static_cast<double>(result.regions.size())) * range;

  const double peak = *std::max_element(result.combined.begin(), result.combined.end());
  const auto scaled = [&](double p) { return base + 0.9 * (low - base) * p / peak; };
  std::string date_data = "# year density";
  for (const dating::HpdRegion& region : result.regions) {
    date_data += " hpd_" + shortest_text(region.level);
  }
  date_data += '\n';
  for (int year = first; year <= last; ++year) {
    const double p = result.combined[static_cast<std::size_t>(year - first)];
    date_data += std::to_string(year) + ' ' + number_text(scaled(p));
    for (const dating::HpdRegion& region : result.regions) {
      date_data += ' ' + (in_region(region, year) ? number_text(scaled(p)) : std::string("NaN"));
    }
    date_data += '\n';
  }

  // The measured age's normal curve, its peak AGE_WIDTH of the years shown
  // from the left edge.
  const double width = AGE_WIDTH * static_cast<double>(to - from);
  std::string age_data = "# x age\n";
  for (int k = -80; k <= 80; ++k) {
    const double z = k / 20.0;
    age_data += number_text(from + width * std::exp(-0.5 * z * z)) + ' ' +
                number_text(measured + z * sigma) + '\n';
  }

  const figures::FigureTerminal terminal = figures::figure_terminal(format, ASPECT);
  const YearAxis axis =
      year_axis(from, to, notation, terminal.char_width / (PLOT_RIGHT - PLOT_LEFT));
  std::string script;
  const auto add = [&script](const std::string& line) { script += line + "\n"; };
  std::string title = "Calibration of " + console::shown_text(name) + ": " +
                      c14_measured_text(age) + "\non " + curve.name;
  if (!curve.citation.empty()) title += " (" + short_citation(curve.citation) + ")";
  add("set encoding utf8");
  add(terminal.command);
  add("set output " + gnuplot_string(figures::figure_file_name(format)));
  add("set title " + gnuplot_string(title) + " font '" + terminal.font + "'");
  add("set lmargin at screen " + shortest_text(PLOT_LEFT));
  add("set rmargin at screen " + shortest_text(PLOT_RIGHT));
  add("set xrange [" + std::to_string(from) + ":" + std::to_string(to) + "]");
  add("set yrange [" + number_text(base) + ":" + number_text(top) + "]");
  if (!axis.tics.empty()) add(axis.tics);
  add("set mxtics");
  add("set xlabel " + gnuplot_string(axis.label));
  add("set ylabel " + gnuplot_string("Radiocarbon age (¹⁴C years BP)"));
  add("set grid xtics ytics back lt 1 lw 1 lc rgb '#dcdcdc'");
  add("set key off");
  // The bounds of each level, the narrowest on top.
  for (std::size_t k = 0; k < result.regions.size(); ++k) {
    const dating::HpdRegion& region = result.regions[k];
    std::string text = shortest_text(region.level) + "% HPD:";
    for (std::size_t i = 0; i < region.intervals.size(); ++i) {
      const dating::HpdInterval& interval = region.intervals[i];
      text += (i == 0 ? " " : ", ") + figure_interval_text(interval, notation);
    }
    add("set label " + std::to_string(k + 1) + " " + gnuplot_string(text) +
        " at graph 0.98, graph " + shortest_text(0.95 - 0.06 * static_cast<double>(k)) +
        " right front");
  }
  std::vector<std::size_t> order(result.regions.size());
  for (std::size_t k = 0; k < order.size(); ++k) order[k] = k;
  std::stable_sort(order.begin(), order.end(), [&result](std::size_t a, std::size_t b) {
    return result.regions[a].level > result.regions[b].level;
  });
  std::string plot_line =
      "plot 'curve.dat' using 1:2:3 with filledcurves fs transparent solid 0.45 "
      "noborder lc rgb '" +
      std::string(CURVE_BAND_COLOUR) + "', \\\n";
  for (std::size_t rank = 0; rank < order.size(); ++rank) {
    const std::size_t shade = rank + (order.size() == 1 ? 1 : 0);
    const std::string column = std::to_string(3 + order[rank]);
    plot_line += "     'date.dat' using 1:(" + number_text(base) + "):($1-0.5):($1+0.55):(" +
                 number_text(base) + "):" + column +
                 " with boxxyerror fs solid 1.0 noborder lc rgb '" +
                 HPD_COLOURS[std::min(shade, HPD_COLOURS.size() - 1)] + "', \\\n";
  }
  plot_line += "     'date.dat' using 1:2 with lines lw 2 lc rgb '" + std::string(DENSITY_COLOUR) +
               "', \\\n";
  plot_line += "     'age.dat' using 1:2 with filledcurves x1=" + std::to_string(from) +
               " fs transparent solid 0.35 noborder lc rgb '" + AGE_COLOUR + "', \\\n";
  plot_line += "     'age.dat' using 1:2 with lines lw 2 lc rgb '" + std::string(AGE_COLOUR) + "'";
  add(plot_line);
  add("unset output");

  figures::GnuplotJob job;
  job.script = script;
  job.data_files = {{"curve.dat", curve_data}, {"date.dat", date_data}, {"age.dat", age_data}};
  return job;
}

void draw_calibration_figure(const std::string& name, const C14Sample& c14,
                             const dating::DatingResult& result, figures::FigureFormat format,
                             const companion::OutputGuard& guard,
                             const std::filesystem::path& destination,
                             dating::YearNotation notation) {
  figures::run_gnuplot_job(calibration_figure_job(name, c14, result, format, notation), format,
                           guard, destination);
}

}  // namespace date
