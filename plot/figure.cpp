#include "plot/figure.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace plot {

namespace {

using enum curve::Quantity;

// Terminal settings by format: the figure fills a journal page's width or
// a slide's height, with type that stays readable at that size.
struct TerminalSettings {
  std::string_view terminal;  // gnuplot terminal and its size
  std::string_view size;
  std::string_view shown_size;  // the size in words
  std::string_view font;        // base font; the title is a little larger
  std::string_view title_font;
  std::string_view line_width;  // of the curves, in the terminal's units
};

TerminalSettings terminal_settings(FigureFormat format) {
  switch (format) {
    case FigureFormat::svg:
      return {"svg", "900,1125", "900 x 1125 pixels", "sans,14", "sans,17", "2"};
    case FigureFormat::pdf:
      return {"pdfcairo", "6in,7.5in", "6 x 7.5 inches", "sans,10", "sans,12", "2.5"};
    case FigureFormat::png:
      break;
  }
  return {"pngcairo", "1200,1500", "1200 x 1500 pixels", "sans,18", "sans,22", "2.5"};
}

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

std::string shortest_text(double value) {
  std::array<char, 32> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  return std::string(buffer.data(), result.ptr);
}

std::string fixed_text(double value, int decimals) {
  std::array<char, 64> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                    std::chars_format::fixed, decimals);
  return std::string(buffer.data(), result.ptr);
}

// A gnuplot string in double quotes, where "\n" breaks a line. Quotes and
// backslashes are escaped and any other control character dropped, so the
// text can end neither the string nor the command.
std::string gnuplot_string(std::string_view text) {
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '\n') {
      quoted += "\\n";
    } else if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7f) {
      quoted += c;
    }
  }
  return quoted + "\"";
}

// A name already known to be plain (a file name the program chose), in
// single quotes, where gnuplot reads every character as it stands.
std::string single_quoted(std::string_view text) {
  std::string quoted = "'";
  quoted += text;
  quoted += '\'';
  return quoted;
}

bool has_values(const Curve& curve, Quantity quantity) {
  return std::any_of(curve.points.begin(), curve.points.end(),
                     [quantity](const CurvePoint& p) { return std::isfinite(p.values[quantity]); });
}

// Column of a quantity in the data file; column 1 is the year.
std::string column(Quantity quantity) { return std::to_string(static_cast<int>(quantity) + 2); }

}  // namespace

std::string_view format_name(FigureFormat format) {
  switch (format) {
    case FigureFormat::svg:
      return "svg";
    case FigureFormat::pdf:
      return "pdf";
    case FigureFormat::png:
      break;
  }
  return "png";
}

std::optional<FigureFormat> format_from_name(std::string_view name) {
  if (!name.empty() && name.front() == '.') name.remove_prefix(1);
  std::string lower(name);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c | 0x20) : c; });
  for (const FigureFormat format : {FigureFormat::png, FigureFormat::svg, FigureFormat::pdf}) {
    if (lower == format_name(format)) return format;
  }
  return std::nullopt;
}

std::string_view figure_size(FigureFormat format) { return terminal_settings(format).shown_size; }

std::string site_text(double latitude, double longitude) {
  // The hemisphere follows the value as the file shows it, so that -0.001,
  // shown as -.00, is not called south.
  const auto coordinate = [](double value, char positive, char negative) {
    const std::string digits = fixed_text(std::fabs(value), 2);
    const bool shown_negative = value < 0.0 && digits != "0.00";
    return digits + ' ' + (shown_negative ? negative : positive);
  };
  return coordinate(latitude, 'N', 'S') + ", " + coordinate(longitude, 'E', 'W');
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
                           std::string_view figure_name) {
  const TerminalSettings settings = terminal_settings(format);
  const std::string title = curve.model + " palaeosecular variation curve at " +
                            site_text(curve.latitude, curve.longitude) +
                            "\nlines: the curve; shaded: its 95% confidence band";
  const std::string data = single_quoted(data_name);

  std::string script;
  const auto add = [&script](std::string_view line) {
    script += line;
    script += '\n';
  };
  add("set encoding utf8");
  add("set terminal " + std::string(settings.terminal) + " size " + std::string(settings.size) +
      " font '" + std::string(settings.font) + "' noenhanced background rgb 'white'");
  add("set output " + single_quoted(figure_name));
  add("set multiplot layout 3,1 title " + gnuplot_string(title) + " font '" +
      std::string(settings.title_font) + "' margins 0.13,0.96,0.07,0.9 spacing 0,0.025");
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
    add("set ylabel " + gnuplot_string(panel.label));
    // gnuplot cannot scale an axis that has no defined point.
    const bool empty = !has_values(curve, panel.value);
    if (empty) {
      add("set yrange [-1:1]");
      add("set label 1 'no values in the curve file' at graph 0.5, graph 0.5 center");
    }
    const std::string v = column(panel.value), e = column(panel.error);
    add("plot " + data + " using 1:($" + v + "-$" + e + "):($" + v + "+$" + e +
        ") with filledcurves lc rgb '" + std::string(BAND_COLOUR) + "', \\");
    add("     " + data + " using 1:" + v + " with lines lw " + std::string(settings.line_width) +
        " lc rgb '" + std::string(LINE_COLOUR) + "'");
    if (empty) {
      add("unset label 1");
      add("set autoscale y");
    }
  }
  add("unset multiplot");
  add("unset output");
  return script;
}

}  // namespace plot
