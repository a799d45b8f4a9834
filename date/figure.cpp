#include "date/figure.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <vector>

#include "console/fields.hpp"
#include "console/numbers.hpp"
#include "date/report.hpp"

namespace date {

namespace {

using console::shortest_text;
using curve::Component;
using figures::gnuplot_string;

// Heights in units of the figure's width: a curve panel, a density panel
// under it, the combined density, and the margins above and below.
constexpr double CURVE_PANEL = 0.2;
constexpr double DENSITY_PANEL = 0.09;
constexpr double COMBINED_PANEL = 0.2;
constexpr double TOP_MARGIN = 0.1;
constexpr double BOTTOM_MARGIN = 0.07;
constexpr double PANEL_GAP = 0.012;
// The plots' left and right edges, fractions of the figure's width.
constexpr double PLOT_LEFT = 0.13;
constexpr double PLOT_RIGHT = 0.96;
// Where the HPD intervals' lines start, from the panel's left edge.
constexpr double HPD_LABEL_X = 0.01;

constexpr const char* CURVE_COLOUR = "#1a4c8f";
constexpr const char* CURVE_BAND_COLOUR = "#3f7fd0";
constexpr const char* MEASUREMENT_COLOUR = "#d9731a";
constexpr const char* DENSITY_COLOUR = "#4d4d4d";
// Fill of the HPD intervals, from the widest level to the narrowest.
constexpr std::array<const char*, 4> HPD_COLOURS = {"#f2c6a0", "#e39a5b", "#c8681f", "#8f4510"};

// Characters of UTF-8 text.
std::size_t characters_of(std::string_view text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

// "head a, b, c" on lines of at most `width` characters, broken after a
// comma, each later line indented.
std::vector<std::string> wrapped_list(const std::string& head,
                                      const std::vector<std::string>& items, std::size_t width) {
  std::vector<std::string> lines = {head};
  for (std::size_t k = 0; k < items.size(); ++k) {
    const std::string joined = (k == 0 ? " " : ", ") + items[k];
    if (k > 0 && characters_of(lines.back()) + characters_of(joined) > width) {
      lines.back() += ",";
      lines.push_back("    " + items[k]);
    } else {
      lines.back() += joined;
    }
  }
  return lines;
}

std::string axis_label(Component c) {
  switch (c) {
    case Component::declination:
      return "Declination (°)";
    case Component::inclination:
      return "Inclination (°)";
    case Component::intensity:
      break;
  }
  return "Intensity (µT)";
}

std::string value_text(double value) { return std::isfinite(value) ? shortest_text(value) : "NaN"; }

const dating::MeasuredComponent* measured_of(std::span<const dating::MeasuredComponent> measured,
                                             Component c) {
  for (const dating::MeasuredComponent& m : measured) {
    if (m.component == c) return &m;
  }
  return nullptr;
}

// The measured declination moved by whole turns next to the curve's
// values, so that its band lies where the curve passes.
double shown_value(const dating::MeasuredComponent& m, const dating::GriddedComponent& g) {
  if (m.component != Component::declination) return m.value;
  double sum = 0.0;
  int count = 0;
  for (const double v : g.values) {
    if (std::isfinite(v)) sum += v, ++count;
  }
  if (count == 0) return m.value;
  const double centre = sum / count;
  return centre + (m.value - centre - 360.0 * std::floor((m.value - centre + 180.0) / 360.0));
}

// The levels' indices, widest level first, so that narrower ones are drawn
// over them.
std::vector<std::size_t> levels_widest_first(const dating::DatingResult& result) {
  std::vector<std::size_t> order(result.regions.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [&result](std::size_t a, std::size_t b) {
    return result.regions[a].level > result.regions[b].level;
  });
  return order;
}

bool in_region(const dating::HpdRegion& region, int year) {
  return std::any_of(
      region.intervals.begin(), region.intervals.end(),
      [year](const dating::HpdInterval& i) { return i.from <= year && year <= i.to; });
}

// The number a notation writes for a year, and back: CE years 1, 2, ...
// and BCE years -1, -2, ... (1 BCE is year 0), number 0 standing for the
// mark of year 1, which the CE axis shows at its round place; years BP
// 1950 - t; years AD as they are.
long long number_of(long long year, dating::YearNotation notation) {
  switch (notation) {
    case dating::YearNotation::ce:
      return year >= 1 ? year : year - 1;
    case dating::YearNotation::bp:
      return 1950 - year;
    case dating::YearNotation::ad:
      break;
  }
  return year;
}

long long year_of(long long number, dating::YearNotation notation) {
  switch (notation) {
    case dating::YearNotation::ce:
      return number > 0 ? number : number < 0 ? number + 1 : 1;
    case dating::YearNotation::bp:
      return 1950 - number;
    case dating::YearNotation::ad:
      break;
  }
  return number;
}

std::string tick_label(long long number, dating::YearNotation notation) {
  if (notation == dating::YearNotation::ce) {
    return number > 0   ? std::to_string(number)
           : number < 0 ? std::to_string(-number) + " BCE"
                        : "1";
  }
  return std::to_string(number);
}

struct Tick {
  long long year;
  long long number;
};

// The years on the axis whose numbers are whole multiples of the step, in
// order of time, each year once.
std::vector<Tick> ticks(int first_year, int last_year, dating::YearNotation notation,
                        long long step) {
  const long long a = number_of(first_year, notation), b = number_of(last_year, notation);
  const long long low = std::min(a, b), high = std::max(a, b);
  // The first multiple of the step at or above `low` (floor division).
  long long number = (low / step - (low % step != 0 && low < 0 ? 1 : 0)) * step;
  if (number < low) number += step;
  std::vector<Tick> marks;
  for (; number <= high; number += step) {
    const long long year = year_of(number, notation);
    if (year >= first_year && year <= last_year) marks.push_back({year, number});
  }
  std::stable_sort(marks.begin(), marks.end(),
                   [](const Tick& x, const Tick& y) { return x.year < y.year; });
  marks.erase(std::unique(marks.begin(), marks.end(),
                          [](const Tick& x, const Tick& y) { return x.year == y.year; }),
              marks.end());
  return marks;
}

double figure_aspect(std::size_t components) {
  return TOP_MARGIN + BOTTOM_MARGIN + COMBINED_PANEL +
         static_cast<double>(components) * (CURVE_PANEL + DENSITY_PANEL + 2 * PANEL_GAP);
}

// The height of a line of the title in digits' widths of its font.
constexpr double TITLE_LINE = 2.2;

// A line of text broken at blanks into lines of at most `width` characters
// (a word longer than that on a line of its own) when it is half as long
// again: a curve named with its publication runs far wider than a figure.
// A shorter line stays whole, as the heading of a curve file always was.
std::vector<std::string> wrapped(const std::string& text, std::size_t width) {
  if (2 * text.size() <= 3 * width) return {text};
  std::vector<std::string> lines = {""};
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find(' ', start), text.size());
    const std::string word = text.substr(start, end - start);
    if (!lines.back().empty() && lines.back().size() + 1 + word.size() > width)
      lines.emplace_back();
    lines.back() += (lines.back().empty() ? "" : " ") + word;
    start = end + 1;
  }
  return lines;
}

}  // namespace

YearAxis year_axis(int first_year, int last_year, dating::YearNotation notation,
                   double char_width) {
  YearAxis axis;
  switch (notation) {
    case dating::YearNotation::ad:
      axis.label = "Year (AD)";
      return axis;
    case dating::YearNotation::ce:
      axis.label = "Year (CE)";  // "Year (BCE/CE)" once a tick is BCE, below
      break;
    case dating::YearNotation::bp:
      axis.label = "Year (BP)";
      break;
  }
  // The finest step of 1, 2 or 5 times a power of ten at which each two
  // neighbouring labels, centred on their ticks, fit with room for two
  // characters between them.
  const double span = static_cast<double>(last_year) - first_year;
  const auto fits = [&](const std::vector<Tick>& marks) {
    for (std::size_t i = 1; i < marks.size(); ++i) {
      const double room = static_cast<double>(marks[i].year - marks[i - 1].year) / span;
      const double needed =
          0.5 * static_cast<double>(tick_label(marks[i - 1].number, notation).size() +
                                    tick_label(marks[i].number, notation).size()) +
          2.0;
      if (room < needed * char_width) return false;
    }
    return true;
  };
  long long step = 1, lead = 1;
  std::vector<Tick> major;
  for (int k = 0;; ++k) {
    lead = std::array<long long, 3>{1, 2, 5}[k % 3];
    step = lead;
    for (int p = 0; p < k / 3; ++p) step *= 10;
    major = ticks(first_year, last_year, notation, step);
    if (fits(major) || major.size() <= 2) break;
  }
  // Minor ticks: fifths of a step of 1 or 5, quarters of a step of 2.
  const long long minor_step = step / (lead == 2 ? 4 : 5);
  std::string labelled, unlabelled;
  for (const Tick& t : major) {
    if (notation == dating::YearNotation::ce && t.number < 0) axis.label = "Year (BCE/CE)";
    labelled += (labelled.empty() ? "" : ", ") + gnuplot_string(tick_label(t.number, notation)) +
                " " + std::to_string(t.year);
    unlabelled += (unlabelled.empty() ? "" : ", ") + std::string("'' ") + std::to_string(t.year);
  }
  if (minor_step >= 1 && step % minor_step == 0 && minor_step < step) {
    for (const Tick& t : ticks(first_year, last_year, notation, minor_step)) {
      const bool is_major =
          std::any_of(major.begin(), major.end(), [&t](const Tick& m) { return m.year == t.year; });
      if (is_major) continue;
      const std::string entry = "'' " + std::to_string(t.year) + " 1";
      labelled += ", " + entry;
      unlabelled += ", " + entry;
    }
  }
  axis.tics = "set xtics (" + labelled + ")";
  axis.unlabelled_tics = "set xtics (" + unlabelled + ")";
  return axis;
}

std::string dating_figure_data(const dating::GriddedCurve& curve,
                               const dating::DatingResult& result) {
  std::string data = "# year";
  for (const Component c : result.components) {
    const std::string letter = curve::component_letter(c);
    data += " " + letter + " " + letter + "_low " + letter + "_high density_" + letter;
  }
  data += " combined";
  for (const dating::HpdRegion& region : result.regions) {
    data += " hpd_" + shortest_text(region.level);
  }
  data += "\n";
  for (std::size_t k = 0; k < result.combined.size(); ++k) {
    const int year = result.first_year + static_cast<int>(k);
    data += std::to_string(year);
    for (const Component c : result.components) {
      const dating::GriddedComponent& g = *curve[c];
      const std::size_t at = static_cast<std::size_t>(year - curve.first_year);
      const double value = g.values[at];
      const double half_band = curve::NORMAL_95 * g.sigmas[at];
      for (const std::string& field :
           {value_text(value), value_text(value - half_band), value_text(value + half_band),
            probability_text(result.densities[static_cast<std::size_t>(c)][k])}) {
        data += ' ';
        data += field;
      }
    }
    data += ' ';
    data += probability_text(result.combined[k]);
    for (const dating::HpdRegion& region : result.regions) {
      data += ' ';
      data += in_region(region, year) ? probability_text(result.combined[k]) : "NaN";
    }
    data += "\n";
  }
  return data;
}

std::string figure_interval_text(const dating::HpdInterval& interval,
                                 dating::YearNotation notation) {
  if (notation != dating::YearNotation::ad) {
    return dating::span_text(interval.from, interval.to, notation);
  }
  return std::to_string(interval.from) + (interval.to < 0 ? " to " : "–") +
         std::to_string(interval.to);
}

std::string dating_figure_script(const std::string& name, const dating::GriddedCurve& curve,
                                 std::span<const dating::MeasuredComponent> measured,
                                 const dating::DatingResult& result, figures::FigureFormat format,
                                 const std::string& data_name, dating::YearNotation notation) {
  const std::size_t n = result.components.size();
  // A heading wider than the figure takes more lines, and the figure grows
  // by them.
  const double char_width = figures::figure_terminal(format, figure_aspect(n)).char_width;
  const std::vector<std::string> heading =
      wrapped("Dating of " + std::string(name) + " against " + curve.source,
              static_cast<std::size_t>(1.0 / char_width));
  const double more_lines = TITLE_LINE * char_width * static_cast<double>(heading.size() - 1);
  const double aspect = figure_aspect(n) + more_lines;
  const figures::FigureTerminal terminal = figures::figure_terminal(format, aspect);
  const std::string data = gnuplot_string(data_name);
  // Screen coordinates run from 0 at the bottom to 1 at the top.
  const auto screen = [aspect](double from_top) { return shortest_text(1.0 - from_top / aspect); };
  const int last_year = result.first_year + static_cast<int>(result.combined.size()) - 1;
  const YearAxis axis = year_axis(result.first_year, last_year, notation,
                                  terminal.char_width / (PLOT_RIGHT - PLOT_LEFT));

  std::string script;
  const auto add = [&script](const std::string& line) { script += line + "\n"; };
  std::string title;
  for (const std::string& line : heading) title += line + "\n";
  title +=
      "blue: the curve and its 95% band; orange: the measurement ± 1.96 σ; shaded: the HPD "
      "intervals";
  add("set encoding utf8");
  add(terminal.command);
  add("set output " + gnuplot_string(figures::figure_file_name(format)));
  add("set multiplot title " + gnuplot_string(title) + " font '" + terminal.font + "'");
  add("set xrange [" + std::to_string(result.first_year) + ":" + std::to_string(last_year) + "]");
  add("set mxtics");
  if (!axis.tics.empty()) add(axis.unlabelled_tics);
  add("set grid xtics ytics back lt 1 lw 1 lc rgb '#dcdcdc'");
  add("set key off");
  add("set lmargin at screen " + shortest_text(PLOT_LEFT));
  add("set rmargin at screen " + shortest_text(PLOT_RIGHT));
  add("set format x ''");
  add("set style fill transparent solid 0.28 noborder");

  double top = TOP_MARGIN + more_lines;
  const auto place = [&](double height) {
    add("set tmargin at screen " + screen(top));
    add("set bmargin at screen " + screen(top + height));
    top += height;
  };
  for (std::size_t k = 0; k < n; ++k) {
    const Component c = result.components[k];
    const dating::MeasuredComponent* m = measured_of(measured, c);
    const double shown = m ? shown_value(*m, *curve[c]) : 0.0;
    const double half = m ? curve::NORMAL_95 * m->sigma : 0.0;
    const std::string column = std::to_string(2 + 4 * k);
    const std::string low = std::to_string(3 + 4 * k), high = std::to_string(4 + 4 * k);
    const std::string density = std::to_string(5 + 4 * k);

    place(CURVE_PANEL);
    add("set ylabel " + gnuplot_string(axis_label(c)));
    add("set ytics");
    add("set format y '%g'");
    add("set autoscale y");
    add("set offsets 0, 0, 0, 0");
    add("plot " + data + " using 1:" + low + ":" + high + " with filledcurves lc rgb '" +
        CURVE_BAND_COLOUR + "', \\");
    add("     " + data + " using 1:(" + shortest_text(shown - half) + "):(" +
        shortest_text(shown + half) + ") with filledcurves lc rgb '" + MEASUREMENT_COLOUR +
        "', \\");
    add("     " + data + " using 1:" + column + " with lines lw " + terminal.line_width +
        " lc rgb '" + CURVE_COLOUR + "', \\");
    add("     " + data + " using 1:(" + shortest_text(shown) + ") with lines lw 1.5 dt 2 lc rgb '" +
        MEASUREMENT_COLOUR + "'");
    top += PANEL_GAP;

    place(DENSITY_PANEL);
    add("set ylabel " + gnuplot_string(std::string("p(") + curve::component_letter(c) + ")"));
    add("set yrange [0:*]");
    add("set offsets 0, 0, graph 0.08, 0");  // room above a flat top
    add("unset ytics");
    add("plot " + data + " using 1:" + density + " with lines lw 2 lc rgb '" + DENSITY_COLOUR +
        "'");
    top += PANEL_GAP;
  }

  // The combined density: HPD intervals shaded, widest level first, their
  // bounds written above them, one row of labels per level.
  place(COMBINED_PANEL);
  add("set format x '%g'");
  if (!axis.tics.empty()) add(axis.tics);
  add("set xlabel " + gnuplot_string(axis.label));
  add("set ylabel 'Probability per year'");
  add("set ytics");
  add("set format y '%g'");
  add("set yrange [0:*]");
  add("set boxwidth 1 absolute");
  const std::vector<std::size_t> order = levels_widest_first(result);
  // The bounds of each level, the narrowest level on top, on as many lines
  // as the panel's width needs.
  const auto fitting = static_cast<std::size_t>(
      std::max(20.0, (1.0 - 2.0 * HPD_LABEL_X) * (PLOT_RIGHT - PLOT_LEFT) / terminal.char_width));
  std::vector<std::vector<std::string>> level_lines(order.size());
  std::size_t line_count = 0;
  for (std::size_t rank = 0; rank < order.size(); ++rank) {
    const dating::HpdRegion& region = result.regions[order[rank]];
    std::vector<std::string> pieces;
    for (const dating::HpdInterval& interval : region.intervals) {
      pieces.push_back(figure_interval_text(interval, notation));
    }
    level_lines[rank] = wrapped_list(shortest_text(region.level) + "% HPD:", pieces, fitting);
    line_count += level_lines[rank].size();
  }
  add("set offsets 0, 0, graph " + shortest_text(0.12 * static_cast<double>(line_count) + 0.04) +
      ", 0");
  int label = 1;
  std::string plot_line = "plot ";
  std::size_t lines_below = 0;
  for (std::size_t rank = 0; rank < order.size(); ++rank) {
    // A single level takes the second shade, which reads well alone.
    const std::size_t shade = rank + (order.size() == 1 ? 1 : 0);
    const char* colour = HPD_COLOURS[std::min(shade, HPD_COLOURS.size() - 1)];
    const std::string column =
        std::to_string(2 + 4 * static_cast<int>(n) + 1 + static_cast<int>(order[rank]));
    plot_line += data + " using 1:" + column + " with boxes fs solid 1.0 noborder lc rgb '" +
                 colour + "', \\\n     ";
    lines_below += level_lines[rank].size();
    for (std::size_t k = 0; k < level_lines[rank].size(); ++k) {
      // In hundredths, so that the positions are written as they are meant.
      const double row = (92.0 - 11.0 * static_cast<double>(line_count - lines_below + k)) / 100.0;
      add("set label " + std::to_string(label++) + " " + gnuplot_string(level_lines[rank][k]) +
          " at graph " + shortest_text(HPD_LABEL_X) + ", graph " + shortest_text(row) +
          " left front");
    }
  }
  plot_line += data + " using 1:" + std::to_string(2 + 4 * static_cast<int>(n)) +
               " with lines lw 2 lc rgb '" + DENSITY_COLOUR + "'";
  add(plot_line);
  add("unset multiplot");
  add("unset output");
  return script;
}

void draw_dating_figure(const std::string& name, const dating::GriddedCurve& curve,
                        std::span<const dating::MeasuredComponent> measured,
                        const dating::DatingResult& result, figures::FigureFormat format,
                        const companion::OutputGuard& guard,
                        const std::filesystem::path& destination, dating::YearNotation notation) {
  constexpr const char* data_name = "dating.dat";
  figures::GnuplotJob job;
  job.data_files.push_back({data_name, dating_figure_data(curve, result)});
  job.script = dating_figure_script(name, curve, measured, result, format, data_name, notation);
  figures::run_gnuplot_job(job, format, guard, destination);
}

}  // namespace date
