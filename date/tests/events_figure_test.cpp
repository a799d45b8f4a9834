// The figure of events dated together and the year axes of the figures:
// the data file and the parts of the script that carry the dates, the
// names and the notation, and the figure as gnuplot draws it.
#include "date/events_figure.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "date/figure.hpp"
#include "testsupport/testsupport.hpp"

namespace {

using dating::YearNotation;
using testing::ElementsAre;

// Two events on the years 1001 to 1004: the first in a sequence, its date
// alone spread over two years and within the sequence held to one, with
// a good agreement; the second alone over the last two years, its 95% HPD
// interval reaching the axis's end, with a poor agreement and a name too
// long to be shown whole.
std::vector<date::EventFigureRow> two_events() {
  date::EventFigureRow kiln;
  kiln.name = "Kiln 'B' `touch x`";
  kiln.alone = {1001, {0.25, 0.75}};
  kiln.in_sequence = dating::Density{1002, {1.0}};
  kiln.agreement = 98.14;
  kiln.interval_95 = {{1002, 1002, 1.0}};
  date::EventFigureRow floor;
  floor.name = "Sol de la pièce nord, phase ancienne";
  floor.alone = {1003, {0.5, 0.5}};
  floor.agreement = 41.0;
  floor.interval_95 = {{1003, 1004, 1.0}};
  return {kiln, floor};
}

// The lines of a script that begin with a prefix.
std::vector<std::string> lines_starting(const std::string& script, const std::string& prefix) {
  std::vector<std::string> found;
  for (const std::string& line : testsupport::split_lines(script)) {
    if (line.rfind(prefix, 0) == 0) found.push_back(line);
  }
  return found;
}

// Every year where a density shows, and its neighbours; of the years
// between, where both vanish, the first and the last, down to the axis's
// ends.
TEST(EventFigureData, CoversTheAxisWithZerosOutsideEachDensity) {
  const std::vector<date::EventFigureRow> events = two_events();
  EXPECT_EQ(date::event_figure_data(events[0], 999, 1004),
            "# year alone in_sequence\n"
            "999 0 0\n"
            "1000 0 0\n"
            "1001 0.25 0\n"
            "1002 0.75 1\n"
            "1003 0 0\n"
            "1004 0 0\n");
  EXPECT_EQ(date::event_figure_data(events[1], 999, 1004),
            "# year alone\n"
            "999 0\n"
            "1002 0\n"
            "1003 0.5\n"
            "1004 0.5\n");
}

TEST(EventsFigureScript, WritesNamesAgreementsIntervalsAndScaledDensities) {
  const std::string script = date::events_figure_script(two_events(), 999, 1004, YearNotation::ad,
                                                        figures::FigureFormat::png);
  // The names and agreements at the left of their rows, the top row first;
  // the poor agreement in red. The names come through as text only: the
  // quotes joined in by concatenation, the backquotes inside single
  // quotes, the long name cut to 24 characters.
  EXPECT_THAT(
      lines_starting(script, "set label"),
      ElementsAre(
          "set label 1 'Kiln '.\"'\".'B'.\"'\".' `touch x`' at screen 0.3008, first 1.51875 right",
          "set label 2 'A 98.1%' at screen 0.4094, first 1.51875 right",
          "set label 3 'Sol de la pièce nord, p…' at screen 0.3008, first 0.51875 right",
          "set label 4 'A 41.0%' at screen 0.4094, first 0.51875 right tc rgb '#b3261e'"));
  // The bars of the 95% intervals: whole years, each from its first year's
  // start to its last year's end, cut at the axis's end.
  EXPECT_THAT(lines_starting(script, "set object"),
              ElementsAre("set object 1 rect from first 1001.5, first 1.015 to first 1002.5, "
                          "first 1.0425 fc rgb '#c8681f' fillstyle solid 1.0 noborder front",
                          "set object 2 rect from first 1002.5, first 0.015 to first 1004, "
                          "first 0.0425 fc rgb '#c8681f' fillstyle solid 1.0 noborder front"));
  // Each row's densities on one scale, the taller at the row's top (1 for
  // the first row's date within the sequence, 0.5 for the second row): the
  // foot at 0.0575 of the row, the top at 0.98. The outlines leave out what
  // lies at the foot; the flanks beside the years they show are drawn on
  // their own (the second row's right flank lies beyond the axis).
  EXPECT_THAT(
      lines_starting(script, "set arrow"),
      ElementsAre("set arrow 1 from graph 0, first 1.0575 to graph 1, first 1.0575 nohead lw 1 "
                  "lc rgb '#b3b3b3' back",
                  "set arrow 2 from first 1000, first 1.0575 to first 1001, first 1.28813 nohead "
                  "lw 1.5 lc rgb '#9a9a9a' front",
                  "set arrow 3 from first 1002, first 1.74938 to first 1003, first 1.0575 nohead "
                  "lw 1.5 lc rgb '#9a9a9a' front",
                  "set arrow 4 from first 1001, first 1.0575 to first 1002, first 1.98 nohead "
                  "lw 1.5 lc rgb '#4d4d4d' front",
                  "set arrow 5 from first 1002, first 1.98 to first 1003, first 1.0575 nohead "
                  "lw 1.5 lc rgb '#4d4d4d' front",
                  "set arrow 6 from graph 0, first 0.0575 to graph 1, first 0.0575 nohead lw 1 "
                  "lc rgb '#b3b3b3' back",
                  "set arrow 7 from first 1002, first 0.0575 to first 1003, first 0.98 nohead "
                  "lw 1.5 lc rgb '#4d4d4d' front"));
  const std::size_t plot = script.find("\nplot ") + 1;
  EXPECT_EQ(
      script.substr(plot, script.find("\nunset multiplot") + 1 - plot),
      "plot 'event_1.dat' using 1:(1.0575):(1.0575+$2*0.9225) with filledcurves fc rgb '#d9d9d9' "
      "fillstyle solid 1.0 noborder, \\\n"
      "     'event_1.dat' using 1:(1.0575):(1.0575+$3*0.9225) with filledcurves fc rgb '#6b6b6b' "
      "fillstyle solid 1.0 noborder, \\\n"
      "     'event_2.dat' using 1:(0.0575):(0.0575+$2*1.845) with filledcurves fc rgb '#d9d9d9' "
      "fillstyle solid 1.0 noborder, \\\n"
      "     'event_1.dat' using 1:($2 > 0.002 ? 1.0575+$2*0.9225 : NaN) with lines lw 1.5 "
      "lc rgb '#9a9a9a', \\\n"
      "     'event_1.dat' using 1:($3 > 0.002 ? 1.0575+$3*0.9225 : NaN) with lines lw 1.5 "
      "lc rgb '#4d4d4d', \\\n"
      "     'event_2.dat' using 1:($2 > 0.001 ? 0.0575+$2*1.845 : NaN) with lines lw 1.5 "
      "lc rgb '#4d4d4d'\n");
  EXPECT_THAT(lines_starting(script, "set xrange"), ElementsAre("set xrange [999:1004]"));
  EXPECT_THAT(lines_starting(script, "set xlabel"), ElementsAre("set xlabel 'Year (AD)'"));
}

// The axis that shows the dates: the years where they show, a twentieth
// more on either side, out to round years, within the grid.
TEST(EventsFigureSpan, FramesTheYearsWhereTheDatesShow) {
  struct Row {
    int from, to;  // where the one density of the event is flat
    int first, last;
    dating::YearSpan span;
  };
  const std::vector<Row> rows = {
      {1001, 1004, 0, 1900, {1000, 1005}},       // a year's room at least, steps of 1
      {523, 1718, 0, 1900, {400, 1800}},         // 464 to 1777, steps of 200
      {3, 50, 0, 1900, {0, 60}},                 // 1 to 52, steps of 10
      {-523, -100, -1000, 1900, {-550, -50}},    // -544 to -79, steps of 50
      {-900, 1850, -1000, 1900, {-1000, 1900}},  // held to the grid
      {0, 300, 0, 1900, {-15, 350}},             // at the grid's first year: a pad beyond it
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.from) + " to " + std::to_string(row.to));
    date::EventFigureRow event;
    event.alone = {row.from, std::vector<double>(static_cast<std::size_t>(row.to - row.from + 1),
                                                 1.0 / (row.to - row.from + 1))};
    const dating::YearSpan span =
        date::events_figure_span(std::span(&event, 1), row.first, row.last);
    EXPECT_EQ(span.first_year, row.span.first_year);
    EXPECT_EQ(span.last_year, row.span.last_year);
  }
}

// gnuplot draws the figure from the script and the data file; the
// command quoted in a name runs nowhere.
TEST(DrawEventsFigure, DrawsAPngAndRunsNothingOfAName) {
  const char* path = std::getenv("PATH");
  if (!figures::find_program("gnuplot", path ? path : "")) {
    GTEST_SKIP() << "gnuplot is not installed (" << figures::GNUPLOT_INSTALL_COMMAND << ")";
  }
  testsupport::ScopedWorkDir dir;
  std::vector<date::EventFigureRow> events = two_events();
  events[0].name = "Kiln 'B' `touch " + (dir.path() / "made").string() + "`";
  date::draw_events_figure(events, 999, 1004, YearNotation::ce, figures::FigureFormat::png,
                           companion::OutputGuard(), dir.path() / "events.png");
  EXPECT_EQ(testsupport::read_file(dir.path() / "events.png").substr(0, 8), "\x89PNG\r\n\x1a\n");
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "made"));
}

// Ticks at round numbers of the notation: CE and BCE years around the
// missing year 0 (year 0 is 1 BCE, -1 is 2 BCE), BCE marks one year off
// the astronomical multiples; BP falling from the older years at the left
// to the later at the right.
TEST(YearAxis, PlacesTheNotationsRoundYearsAtTheirAstronomicalYears) {
  struct Row {
    int first, last;
    YearNotation notation;
    double char_width;
    std::string label, tics, unlabelled;
  };
  const std::vector<Row> rows = {
      {-3, 4, YearNotation::ce, 0.01, "Year (BCE/CE)",
       "set xtics ('4 BCE' -3, '3 BCE' -2, '2 BCE' -1, '1 BCE' 0, '1' 1, '2' 2, '3' 3, '4' 4)",
       "set xtics ('' -3, '' -2, '' -1, '' 0, '' 1, '' 2, '' 3, '' 4)"},
      {-1200, 1200, YearNotation::ce, 0.015, "Year (BCE/CE)",
       "set xtics ('1000 BCE' -999, '500 BCE' -499, '1' 1, '500' 500, '1000' 1000, "
       "'' -1199 1, '' -1099 1, '' -899 1, '' -799 1, '' -699 1, '' -599 1, '' -399 1, "
       "'' -299 1, '' -199 1, '' -99 1, '' 100 1, '' 200 1, '' 300 1, '' 400 1, '' 600 1, "
       "'' 700 1, '' 800 1, '' 900 1, '' 1100 1, '' 1200 1)",
       ""},
      {1700, 1900, YearNotation::bp, 0.035, "Year (BP)",
       "set xtics ('250' 1700, '200' 1750, '150' 1800, '100' 1850, '50' 1900, "
       "'' 1710 1, '' 1720 1, '' 1730 1, '' 1740 1, '' 1760 1, '' 1770 1, '' 1780 1, "
       "'' 1790 1, '' 1810 1, '' 1820 1, '' 1830 1, '' 1840 1, '' 1860 1, '' 1870 1, "
       "'' 1880 1, '' 1890 1)",
       ""},
      {0, 1900, YearNotation::ad, 0.01, "Year (AD)", "", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.first) + " to " + std::to_string(row.last));
    const date::YearAxis axis = date::year_axis(row.first, row.last, row.notation, row.char_width);
    EXPECT_EQ(axis.label, row.label);
    EXPECT_EQ(axis.tics, row.tics);
    // The unlabelled marks are checked where the row gives them.
    if (!row.unlabelled.empty() || row.tics.empty()) {
      EXPECT_EQ(axis.unlabelled_tics, row.unlabelled);
    }
  }
}

// The dating figure writes its axis and the bounds of its HPD intervals in
// the notation.
TEST(DatingFigureScript, WritesTheIntervalsInTheNotation) {
  dating::GriddedCurve curve;
  curve.source = "a curve";
  curve.first_year = -2;
  curve.last_year = 3;
  curve.components[static_cast<std::size_t>(dating::Component::inclination)] =
      dating::GriddedComponent{std::vector<double>(6, 60.0), std::vector<double>(6, 1.0)};
  dating::DatingResult result;
  result.components = {dating::Component::inclination};
  result.first_year = -2;
  result.combined = {0.3, 0.3, 0.3, 0.0, 0.05, 0.05};
  result.densities[static_cast<std::size_t>(dating::Component::inclination)] = result.combined;
  result.regions = {{95.0, 1.0, {{-2, 0, 0.9}, {2, 3, 0.1}}}};
  const std::vector<dating::MeasuredComponent> measured = {
      {dating::Component::inclination, 60.0, 1.0}};
  for (const auto& [notation, label, axis] :
       {std::tuple{YearNotation::ce, "'95% HPD: 3-1 BCE, 2-3 CE'", "'Year (BCE/CE)'"},
        std::tuple{YearNotation::bp, "'95% HPD: 1952-1950 BP, 1948-1947 BP'", "'Year (BP)'"},
        std::tuple{YearNotation::ad, "'95% HPD: -2–0, 2–3'", "'Year (AD)'"}}) {
    SCOPED_TRACE(axis);
    const std::string script = date::dating_figure_script(
        "K1", curve, measured, result, figures::FigureFormat::png, "dating.dat", notation);
    EXPECT_THAT(
        lines_starting(script, "set label"),
        ElementsAre("set label 1 " + std::string(label) + " at graph 0.01, graph 0.92 left front"));
    EXPECT_THAT(lines_starting(script, "set xlabel"),
                ElementsAre("set xlabel " + std::string(axis)));
  }
  // A backslash in the name is drawn as it stands; intervals too many for
  // one line go on as many lines as they need, each within the panel.
  result.regions = {{95.0, 1.0, {}}};
  std::string all = "95% HPD:";
  for (int k = 0; k < 20; ++k) {
    result.regions[0].intervals.push_back({1000 + 10 * k, 1005 + 10 * k, 0.05});
    all +=
        (k == 0 ? " " : ", ") + std::to_string(1000 + 10 * k) + "–" + std::to_string(1005 + 10 * k);
  }
  const std::string script = date::dating_figure_script("C:\\kiln", curve, measured, result,
                                                        figures::FigureFormat::png, "dating.dat");
  EXPECT_EQ(
      lines_starting(script, "set multiplot title 'Dating of C:\\kiln against a curve'").size(),
      1u);
  const std::vector<std::string> labels = lines_starting(script, "set label");
  ASSERT_EQ(labels.size(), 4u);
  std::string joined;
  for (std::size_t k = 0; k < labels.size(); ++k) {
    const std::string expected_start = "set label " + std::to_string(k + 1) + " '";
    const std::string expected_end = "' at graph 0.01, graph " +
                                     std::vector<std::string>{"0.92", "0.81", "0.7", "0.59"}[k] +
                                     " left front";
    ASSERT_TRUE(labels[k].starts_with(expected_start) && labels[k].ends_with(expected_end))
        << labels[k];
    const std::string text = labels[k].substr(
        expected_start.size(), labels[k].size() - expected_start.size() - expected_end.size());
    EXPECT_LE(std::count_if(text.begin(), text.end(),
                            [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }),
              72)
        << text;
    joined += (k == 0 ? "" : " ") + (k == 0 ? text : text.substr(4));
  }
  EXPECT_EQ(joined, all);
}

}  // namespace
