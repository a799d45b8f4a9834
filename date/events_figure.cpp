#include "date/events_figure.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <stdexcept>

#include "console/fields.hpp"
#include "console/number_chars.hpp"
#include "console/numbers.hpp"
#include "date/figure.hpp"
#include "date/report.hpp"

namespace date {

namespace {

using console::shortest_text;
using figures::gnuplot_string;

// Heights in units of the figure's width: the title above the rows, the
// year axis under them, and a row: tall for a few events, compact for
// many, a little more so from 20 on, so that 40 rows stay on a page.
constexpr double TOP_MARGIN = 0.11;
constexpr double BOTTOM_MARGIN = 0.09;
constexpr double ROWS_HEIGHT = 0.42;  // shared by a few rows
constexpr double MAX_ROW = 0.2;
constexpr double COMPACT_ROW = 0.05;  // up to 20 rows
constexpr double MIN_ROW = 0.04;      // from 40 rows on

// Within a row, from its foot up, in the same units: the room under the
// 95% bar, the bar, the room between the bar and the foot of the
// densities, and the room above their highest point.
constexpr double BAR_ROOM = 0.003;
constexpr double BAR_THICKNESS = 0.0055;
constexpr double BAR_GAP = 0.003;
constexpr double TOP_ROOM = 0.004;
// A density's outline is drawn where it exceeds this fraction of the
// row's highest point; below, the baseline shows.
constexpr double VISIBLE = 0.002;

// Horizontal layout, fractions of the figure's width: the margin left of
// the names, the room between the columns, the plot's right edge, and the
// longest name shown in full (longer ones end in an ellipsis).
constexpr double LEFT_PAD = 0.02;
constexpr double COLUMN_GAP = 0.015;
constexpr double PLOT_RIGHT = 0.96;
constexpr std::size_t MAX_NAME_CHARS = 24;
constexpr std::size_t AGREEMENT_CHARS = 8;  // "A 100.0%"
// The narrowest 95% bar, a fraction of the axis, so that the interval of
// a date known to the year still shows.
constexpr double MIN_BAR = 0.004;

// The colours of the dating figure: its densities' grey, its HPD shades'
// orange.
constexpr const char* ALONE_FILL = "#d9d9d9";
constexpr const char* ALONE_LINE = "#9a9a9a";
constexpr const char* SEQUENCE_FILL = "#6b6b6b";
constexpr const char* DENSITY_COLOUR = "#4d4d4d";
constexpr const char* BAR_COLOUR = "#c8681f";
constexpr const char* GRID_COLOUR = "#dcdcdc";
constexpr const char* BASELINE_COLOUR = "#b3b3b3";
// An agreement index below the threshold, whose warning the report gives.
constexpr const char* POOR_AGREEMENT_COLOUR = "#b3261e";

// A coordinate or a scale of the layout to six significant digits: finer
// than any pixel, and short to read in the script.
std::string layout_text(double value) {
  std::array<char, 32> buffer{};
  char* end = console::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                std::chars_format::general, 6)
                  .ptr;
  return std::string(buffer.data(), end);
}

double row_height(std::size_t rows) {
  const double n = static_cast<double>(rows);
  const double least =
      std::clamp(COMPACT_ROW - (COMPACT_ROW - MIN_ROW) * (n - 20.0) / 20.0, MIN_ROW, COMPACT_ROW);
  return std::clamp(ROWS_HEIGHT / n, least, MAX_ROW);
}

double figure_aspect(std::size_t rows) {
  return TOP_MARGIN + BOTTOM_MARGIN + static_cast<double>(rows) * row_height(rows);
}

// Characters of well-formed UTF-8 text (escaped_text leaves no other).
std::size_t char_count(const std::string& text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

// A name as it stands (a backslash too: the figure's text is no markup),
// control characters and bytes that are no UTF-8 written \xHH, cut to
// MAX_NAME_CHARS characters.
std::string row_name(const std::string& name) {
  const std::string shown = console::escaped_text(name, console::Kept::utf8);
  if (char_count(shown) <= MAX_NAME_CHARS) return shown;
  std::size_t kept = 0, end = 0;
  while (end < shown.size()) {
    const bool starts = (static_cast<unsigned char>(shown[end]) & 0xC0) != 0x80;
    if (starts && kept++ == MAX_NAME_CHARS - 1) break;
    ++end;
  }
  return shown.substr(0, end) + "…";
}

double largest_within(const dating::Density& density, int first_year, int last_year) {
  double largest = 0.0;
  for (int year = std::max(first_year, density.first_year);
       year <= std::min(last_year, density.last_year()); ++year) {
    largest = std::max(largest, density.at(year));
  }
  return largest;
}

// The highest point of an event's densities on the axis.
double largest_of(const EventFigureRow& event, int first_year, int last_year) {
  double largest = largest_within(event.alone, first_year, last_year);
  if (event.in_sequence) {
    largest = std::max(largest, largest_within(*event.in_sequence, first_year, last_year));
  }
  return largest;
}

void check_span(std::span<const EventFigureRow> events, int first_year, int last_year) {
  if (events.empty()) throw std::invalid_argument("the figure of events needs an event");
  if (last_year <= first_year) {
    throw std::invalid_argument("the figure's year axis needs two years or more");
  }
}

}  // namespace

dating::YearSpan events_figure_span(std::span<const EventFigureRow> events, int first_year,
                                    int last_year) {
  check_span(events, first_year, last_year);
  // The years that show: where a density rises above the baseline, and
  // the bars.
  long long low = last_year, high = first_year;
  for (const EventFigureRow& event : events) {
    const double threshold = VISIBLE * largest_of(event, first_year, last_year);
    for (const dating::Density* density :
         {&event.alone, event.in_sequence ? &*event.in_sequence : nullptr}) {
      if (!density) continue;
      for (int year = std::max(first_year, density->first_year);
           year <= std::min(last_year, density->last_year()); ++year) {
        if (density->at(year) > threshold) {
          low = std::min<long long>(low, year);
          high = std::max<long long>(high, year);
        }
      }
    }
    for (const dating::HpdInterval& interval : event.interval_95) {
      low = std::min<long long>(low, std::max(interval.from, first_year));
      high = std::max<long long>(high, std::min(interval.to, last_year));
    }
  }
  if (low > high) return {first_year, last_year};
  // A twentieth of the span on either side, then out to round years: a
  // multiple of the largest step of 1, 2 or 5 times a power of ten that
  // goes at least five times into the span.
  const long long pad = std::max<long long>(1, (high - low) / 20);
  low -= pad;
  high += pad;
  long long step = 1;
  for (long long power = 1; power * 5 <= high - low; power *= 10) {
    for (const long long lead : {1, 2, 5}) {
      if (lead * power * 5 <= high - low) step = lead * power;
    }
  }
  const auto floor_to = [step](long long year) {
    return (year >= 0 ? year / step : -((-year + step - 1) / step)) * step;
  };
  // A density that reaches the grid's first or last year would lie on the
  // frame there, unseen: the axis then runs on beyond it by the pad.
  const long long from =
      std::max<long long>(first_year - (low + pad <= first_year ? pad : 0), floor_to(low));
  const long long to =
      std::min<long long>(last_year + (high - pad >= last_year ? pad : 0), -floor_to(-high));
  return {static_cast<int>(from), static_cast<int>(to)};
}

std::string event_data_name(std::size_t k) { return "event_" + std::to_string(k + 1) + ".dat"; }

std::string event_figure_data(const EventFigureRow& event, int first_year, int last_year) {
  check_span(std::span(&event, 1), first_year, last_year);
  const double threshold = VISIBLE * largest_of(event, first_year, last_year);
  const auto shown = [&](int year) {
    return event.alone.at(year) > threshold ||
           (event.in_sequence && event.in_sequence->at(year) > threshold);
  };
  std::string data = event.in_sequence ? "# year alone in_sequence\n" : "# year alone\n";
  for (int year = first_year; year <= last_year; ++year) {
    const bool written = year == first_year || year == last_year || shown(year - 1) ||
                         shown(year) || shown(year + 1);
    if (!written) continue;
    data += std::to_string(year);
    data += ' ';
    data += probability_text(event.alone.at(year));
    if (event.in_sequence) {
      data += ' ';
      data += probability_text(event.in_sequence->at(year));
    }
    data += '\n';
  }
  return data;
}

std::string events_figure_script(std::span<const EventFigureRow> events, int first_year,
                                 int last_year, dating::YearNotation notation,
                                 figures::FigureFormat format) {
  check_span(events, first_year, last_year);
  const std::size_t n = events.size();
  const double aspect = figure_aspect(n);
  const figures::FigureTerminal terminal = figures::figure_terminal(format, aspect);
  const auto screen_y = [aspect](double from_top) { return layout_text(1.0 - from_top / aspect); };
  const bool any_sequence = std::any_of(events.begin(), events.end(),
                                        [](const EventFigureRow& e) { return e.in_sequence; });
  const bool any_agreement = std::any_of(events.begin(), events.end(),
                                         [](const EventFigureRow& e) { return e.agreement; });

  // The columns at the left: the names, right-aligned, then the agreement
  // indices, right-aligned, then the plot.
  std::vector<std::string> names;
  std::size_t longest = 0;
  for (const EventFigureRow& event : events) {
    names.push_back(row_name(event.name));
    longest = std::max(longest, char_count(names.back()));
  }
  const double names_right = LEFT_PAD + terminal.char_width * static_cast<double>(longest);
  const double agreement_right =
      any_agreement
          ? names_right + COLUMN_GAP + terminal.char_width * static_cast<double>(AGREEMENT_CHARS)
          : names_right;
  const double plot_left = agreement_right + COLUMN_GAP;
  const YearAxis axis =
      year_axis(first_year, last_year, notation, terminal.char_width / (PLOT_RIGHT - plot_left));

  std::string script;
  const auto add = [&script](const std::string& line) { script += line + "\n"; };
  const std::string dates =
      n == 1 ? "The date of one event" : "The dates of " + std::to_string(n) + " events";
  const std::string title =
      any_sequence ? dates + (n == 1 ? " in its sequence" : " in their sequence") +
                         "\nlight: the date alone; dark: within the sequence; bar: its 95% HPD "
                         "interval"
                   : dates + "\nbar: the 95% HPD interval";
  add("set encoding utf8");
  add(terminal.command);
  add("set output " + gnuplot_string(figures::figure_file_name(format)));
  add("set multiplot title " + gnuplot_string(title) + " font '" + terminal.font + "'");
  add("set lmargin at screen " + layout_text(plot_left));
  add("set rmargin at screen " + layout_text(PLOT_RIGHT));
  add("set tmargin at screen " + screen_y(TOP_MARGIN));
  add("set bmargin at screen " + screen_y(aspect - BOTTOM_MARGIN));
  add("set xrange [" + std::to_string(first_year) + ":" + std::to_string(last_year) + "]");
  add("set yrange [0:" + std::to_string(n) + "]");
  if (axis.tics.empty()) {
    add("set mxtics");
  } else {
    add(axis.tics);
  }
  add("set format x '%g'");
  add("set xlabel " + gnuplot_string(axis.label));
  add("unset ytics");
  add(std::string("set grid xtics back lt 1 lw 1 lc rgb '") + GRID_COLOUR + "'");
  add("set key off");

  const double span = last_year - first_year;
  // The layout of a row in units of its height (the y axis counts rows).
  const double row = row_height(n);
  const double bar_low = BAR_ROOM / row, bar_high = (BAR_ROOM + BAR_THICKNESS) / row;
  const double density_foot = (BAR_ROOM + BAR_THICKNESS + BAR_GAP) / row;
  const double density_top = 1.0 - TOP_ROOM / row;
  int label = 1, object = 1, arrow = 1;
  std::string plot_line = "plot ";
  std::string lines_over;  // the densities' outlines, drawn over every fill
  for (std::size_t k = 0; k < n; ++k) {
    const EventFigureRow& event = events[k];
    const double foot = static_cast<double>(n - 1 - k);
    const std::string middle = layout_text(foot + 0.5 * (density_foot + density_top));
    add("set label " + std::to_string(label++) + " " + gnuplot_string(names[k]) + " at screen " +
        layout_text(names_right) + ", first " + middle + " right");
    if (event.agreement) {
      const bool poor = *event.agreement < dating::AGREEMENT_THRESHOLD;
      add("set label " + std::to_string(label++) + " " +
          gnuplot_string("A " + console::fixed_text(*event.agreement, 1) + "%") + " at screen " +
          layout_text(agreement_right) + ", first " + middle + " right" +
          (poor ? std::string(" tc rgb '") + POOR_AGREEMENT_COLOUR + "'" : ""));
    }
    for (const dating::HpdInterval& interval : event.interval_95) {
      double from = std::max<double>(interval.from - 0.5, first_year);
      double to = std::min<double>(interval.to + 0.5, last_year);
      if (from >= to) continue;
      if (to - from < MIN_BAR * span) {
        const double centre = std::clamp(0.5 * (from + to), first_year + 0.5 * MIN_BAR * span,
                                         last_year - 0.5 * MIN_BAR * span);
        from = centre - 0.5 * MIN_BAR * span;
        to = centre + 0.5 * MIN_BAR * span;
      }
      add("set object " + std::to_string(object++) + " rect from first " + shortest_text(from) +
          ", first " + layout_text(foot + bar_low) + " to first " + shortest_text(to) + ", first " +
          layout_text(foot + bar_high) + " fc rgb '" + BAR_COLOUR +
          "' fillstyle solid 1.0 noborder front");
    }

    // Both densities on one scale, the taller reaching the row's top.
    const std::string data = gnuplot_string(event_data_name(k));
    const double largest = largest_of(event, first_year, last_year);
    const double scale = largest > 0.0 ? (density_top - density_foot) / largest : 0.0;
    const std::string base = layout_text(foot + density_foot);
    add("set arrow " + std::to_string(arrow++) + " from graph 0, first " + base +
        " to graph 1, first " + base + " nohead lw 1 lc rgb '" + BASELINE_COLOUR + "' back");
    const auto height = [&](std::size_t column) {
      return base + "+$" + std::to_string(column) + "*" + layout_text(scale);
    };
    const auto fill = [&](std::size_t column, const char* colour) {
      return data + " using 1:(" + base + "):(" + height(column) + ") with filledcurves fc rgb '" +
             colour + "' fillstyle solid 1.0 noborder, \\\n     ";
    };
    // An outline only where its density rises visibly above the baseline,
    // so that a row shows its light baseline where the density vanishes.
    // The segments that join a year it shows to a neighbour it leaves out
    // are drawn on their own, so that the outline keeps its flanks down to
    // the baseline: the whole outline of a density of one or two years.
    const double threshold = VISIBLE * largest;
    const auto outline = [&](std::size_t column, const dating::Density& density,
                             const char* colour) {
      const auto shown = [&](int year) { return density.at(year) > threshold; };
      const auto point = [&](int year) {
        return "first " + std::to_string(year) + ", first " +
               layout_text(foot + density_foot + density.at(year) * scale);
      };
      for (int year = std::max(first_year, density.first_year);
           year <= std::min(last_year, density.last_year()); ++year) {
        if (!shown(year)) continue;
        for (const int next : {year - 1, year + 1}) {
          if (next < first_year || next > last_year || shown(next)) continue;
          add("set arrow " + std::to_string(arrow++) + " from " + point(std::min(year, next)) +
              " to " + point(std::max(year, next)) + " nohead lw 1.5 lc rgb '" + colour +
              "' front");
        }
      }
      return data + " using 1:($" + std::to_string(column) + " > " + layout_text(threshold) +
             " ? " + height(column) + " : NaN) with lines lw 1.5 lc rgb '" + colour +
             "', \\\n     ";
    };
    plot_line += fill(2, ALONE_FILL);
    if (event.in_sequence) {
      plot_line += fill(3, SEQUENCE_FILL);
      lines_over += outline(2, event.alone, ALONE_LINE);
      lines_over += outline(3, *event.in_sequence, DENSITY_COLOUR);
    } else {
      lines_over += outline(2, event.alone, DENSITY_COLOUR);
    }
  }
  plot_line += lines_over;
  plot_line.erase(plot_line.size() - std::string(", \\\n     ").size());
  add(plot_line);
  add("unset multiplot");
  add("unset output");
  return script;
}

void draw_events_figure(std::span<const EventFigureRow> events, int first_year, int last_year,
                        dating::YearNotation notation, figures::FigureFormat format,
                        const companion::OutputGuard& guard,
                        const std::filesystem::path& destination) {
  figures::GnuplotJob job;
  for (std::size_t k = 0; k < events.size(); ++k) {
    job.data_files.push_back(
        {event_data_name(k), event_figure_data(events[k], first_year, last_year)});
  }
  job.script = events_figure_script(events, first_year, last_year, notation, format);
  figures::run_gnuplot_job(job, format, guard, destination);
}

}  // namespace date
