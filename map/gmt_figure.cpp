#include "map/gmt_figure.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <iterator>
#include <limits>

#include "console/fields.hpp"
#include "figures/gmt_text.hpp"
#include "map/command.hpp"
#include "map/netcdf_cube.hpp"
#include "model/model.hpp"

namespace field_map {

namespace {

// GMT's name for a figure and the file it writes.
constexpr const char* FIGURE_PREFIX = "figure";

std::string number(double value) { return console::shortest_text(value); }

// 1, 2, 2.5 or 5 times a power of ten, the smallest at least `rough`.
double nice_interval(double rough) {
  const double power = std::pow(10.0, std::floor(std::log10(rough)));
  for (const double factor : {1.0, 2.0, 2.5, 5.0, 10.0}) {
    if (factor * power >= rough * (1.0 - 1e-9)) return factor * power;
  }
  return 10.0 * power;
}

// The map's width on the page (-JM), and the room a label takes: 8 point
// Helvetica Bold averages under 0.6 of its size a character.
constexpr double MAP_WIDTH_CM = 16.0;
constexpr double LABEL_CHARACTER_CM = 0.6 * 8.0 / 72.0 * 2.54;
constexpr double LABEL_OFFSET_CM = 0.22;

// The digits after the point that a multiple of an interval needs.
int decimals_of(double interval) {
  int decimals = 0;
  while (decimals < 6 && std::fabs(interval - std::round(interval)) > 1e-9 * interval) {
    interval *= 10.0;
    ++decimals;
  }
  return decimals;
}

// The number of code points of a UTF-8 text, for a label's width.
std::size_t characters_of(std::string_view utf8) {
  return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xc0) != 0x80;
  }));
}

// The first `count` code points of a UTF-8 text.
std::string first_characters(std::string_view utf8, std::size_t count) {
  std::size_t at = 0;
  for (std::size_t seen = 0; at < utf8.size(); ++at) {
    if ((static_cast<unsigned char>(utf8[at]) & 0xc0) != 0x80 && seen++ == count) break;
  }
  return std::string(utf8.substr(0, at));
}

// The year shown, as the title says it: "1500 AD"; a global model's year
// as given, negative before 1 AD ("year -1000").
std::string year_text(const MapFigure& figure) {
  if (figure.global_year) return "year " + std::to_string(*figure.global_year);
  return number(model::epoch_year(figure.epoch)) + " AD";
}

std::string title_text(const MapFigure& figure) {
  const std::string name = figure.global_year ? figure.global_name : std::string(MODEL_NAME);
  return name + ": " + std::string(quantity_info(figure.quantity).title) + " at " +
         year_text(figure);
}

// A global model's map of a wide region, or one reaching near a pole, is
// drawn in Mollweide's equal-area projection about its middle longitude.
bool equal_area(const MapFigure& figure) {
  const GridAxes& grid = figure.grid;
  return figure.global_year && (grid.latitudes.front() < -80.0 || grid.latitudes.back() > 80.0 ||
                                grid.longitudes.back() - grid.longitudes.front() > 180.0);
}

}  // namespace

ColourScale colour_scale(Quantity quantity, double minimum, double maximum) {
  ColourScale scale;
  // Contours at about ten intervals over the values, every other one labelled.
  const double range = std::max(maximum - minimum, 1e-6 * std::max(1.0, std::fabs(maximum)));
  scale.interval = nice_interval(range / 10.0);
  scale.annotated = 2.0 * scale.interval;
  if (quantity == Quantity::declination && minimum < 0.0 && maximum > 0.0) {
    // Centred on 0, as far west as east, to a round number.
    const double reach = std::max({std::fabs(minimum), std::fabs(maximum), 1e-6});
    const double step = nice_interval(reach / 5.0);
    const double end = std::ceil(reach / step - 1e-9) * step;
    scale.palette = "vik";
    scale.truncation = "-0.85/0.85";  // without its darkest ends, where contours would vanish
    scale.low = -end;
    scale.high = end;
    return scale;
  }
  switch (quantity) {
    case Quantity::declination:
      // All west or all east: that half of the diverging map, over the values.
      scale.palette = "vik";
      scale.truncation = maximum <= 0.0 ? "-0.85/-0.1" : "0.1/0.85";
      break;
    case Quantity::inclination:
      scale.palette = "batlow";
      scale.truncation = "0.12/1";  // without its darkest blue
      break;
    case Quantity::intensity:
      scale.palette = "lajolla";
      scale.truncation = "0/0.8";  // without its darkest brown, where the coasts would vanish
      break;
    default:
      scale.palette = "bilbao";
      scale.truncation = "0/0.85";
      break;
  }
  scale.low = std::floor(minimum / scale.interval + 1e-9) * scale.interval;
  scale.high = std::ceil(maximum / scale.interval - 1e-9) * scale.interval;
  if (scale.high <= scale.low) scale.high = scale.low + scale.interval;
  return scale;
}

MapAxes map_axes(const GridAxes& grid) {
  MapAxes axes;
  // About six annotations along each side.
  axes.longitude_interval = nice_interval((grid.longitudes.back() - grid.longitudes.front()) / 6.0);
  axes.latitude_interval = nice_interval((grid.latitudes.back() - grid.latitudes.front()) / 6.0);
  axes.decimals =
      std::max(decimals_of(axes.longitude_interval), decimals_of(axes.latitude_interval));
  return axes;
}

SiteLabel site_label(const Site& site, double x_cm) {
  SiteLabel label;
  label.text = site.name.empty() ? "line " + std::to_string(site.line) : site.name;
  // The room beside the mark within the frame, in characters.
  const auto room = [](double cm) {
    return static_cast<std::size_t>(std::max(0.0, (cm - LABEL_OFFSET_CM) / LABEL_CHARACTER_CM));
  };
  const std::size_t right = room(MAP_WIDTH_CM - x_cm), left = room(x_cm);
  const std::size_t length = characters_of(label.text);
  label.left = length > right && left > right;
  const std::size_t fits = label.left ? left : right;
  if (length > fits) label.text = first_characters(label.text, fits > 3 ? fits - 3 : 0) + "...";
  return label;
}

GmtJob gmt_job(const MapFigure& figure, const ColourScale& scale) {
  const GridAxes& grid = figure.grid;
  const std::string region = "-R" + number(grid.longitudes.front()) + "/" +
                             number(grid.longitudes.back()) + "/" + number(grid.latitudes.front()) +
                             "/" + number(grid.latitudes.back());
  const std::string layer(LAYER_FILE);
  const std::string format =
      figure.format == figures::FigureFormat::png ? "png" : "pdf";  // SVG is converted from PDF
  GmtJob job;
  job.files.push_back({"title.txt", figures::gmt_text(title_text(figure)) + "\n"});
  // A global model's citation, too long for the subtitle, goes below the
  // colour bar.
  const std::string subtitle =
      figure.global_year
          ? "global model " + figure.global_name + ", grid of " + degrees_text(grid.step)
          : "coefficient file " + figure.model_name + ", grid of " + degrees_text(grid.step);
  if (figure.global_year)
    job.files.push_back({"credit.txt", figures::gmt_text(figure.credit) + "\n"});
  job.files.push_back({"subtitle.txt", figures::gmt_text(subtitle) + "\n"});
  const bool mollweide = equal_area(figure);
  const std::string projection =
      mollweide ? "-JW" + number((grid.longitudes.front() + grid.longitudes.back()) / 2.0) + "/" +
                      number(MAP_WIDTH_CM) + "c"
                : std::string("-JM16c");
  auto& commands = job.commands;
  commands.push_back({"begin", FIGURE_PREFIX, format, "A+m0.3c,E200"});
  const MapAxes axes = map_axes(grid);
  std::string geo_format = "ddd";
  if (axes.decimals > 0)
    geo_format += "." + std::string(static_cast<std::size_t>(axes.decimals), 'x');
  commands.push_back({"set", "MAP_FRAME_TYPE", "plain", "FONT_ANNOT_PRIMARY", "9p,Helvetica",
                      "FONT_LABEL", "10p,Helvetica", "MAP_ANNOT_OBLIQUE", "lat_parallel",
                      "FORMAT_GEO_MAP", geo_format + "F"});
  std::vector<std::string> makecpt = {"makecpt", "-C" + scale.palette,
                                      "-T" + number(scale.low) + "/" + number(scale.high)};
  if (!scale.truncation.empty()) makecpt.push_back("-G" + scale.truncation);
  if (scale.clipped) makecpt.push_back("-D");
  commands.push_back(makecpt);
  commands.push_back({"basemap", region, projection, "-B0"});
  commands.push_back({"grdimage", layer, "-Q"});
  commands.push_back({"grdcontour", layer, "-C" + number(scale.interval),
                      "-A" + number(scale.annotated) + "+f8p,Helvetica,black+gwhite@40+c0.05c",
                      "-Gd6c", "-Wc0.3p,gray15", "-Wa0.6p,gray10"});
  if (figure.quantity == Quantity::declination && scale.low < 0.0 && scale.high > 0.0) {
    // The agonic line, where the compass points to true north.
    commands.push_back({"grdcontour", layer, "-C+0", "-W1.5p,black"});
  }
  commands.push_back(
      {"coast", mollweide ? "-Dl" : "-Di+f", "-A500", "-W0.5p,gray5", "-N1/0.4p,gray25"});
  // Over the oval of the whole globe, graticules in place of ticks.
  std::string grid_lines_x, grid_lines_y;
  if (mollweide) {
    grid_lines_x.append(1, 'g').append(number(axes.longitude_interval));
    grid_lines_y.append(1, 'g').append(number(axes.latitude_interval));
  }
  commands.push_back({"basemap",
                      "-Bxa" + number(axes.longitude_interval) + "f" +
                          number(axes.longitude_interval / 2.0) + grid_lines_x,
                      "-Bya" + number(axes.latitude_interval) + "f" +
                          number(axes.latitude_interval / 2.0) + grid_lines_y,
                      "-BWSne"});
  // The sites over the frame, so that one on the edge is not hidden.
  if (!figure.sites.empty()) {
    std::string marks, right_labels, left_labels;
    const double west = grid.longitudes.front(), east = grid.longitudes.back();
    for (const Site& site : figure.sites) {
      const std::string place = number(site.longitude) + " " + number(site.latitude);
      marks += place + "\n";
      const SiteLabel label =
          site_label(site, (site.longitude - west) / (east - west) * MAP_WIDTH_CM);
      (label.left ? left_labels : right_labels) +=
          place + " " + figures::gmt_text(label.text) + "\n";
    }
    job.files.push_back({"sites.txt", marks});
    commands.push_back({"plot", "sites.txt", "-Sc0.22c", "-Gwhite", "-W0.9p,black"});
    for (const bool left : {false, true}) {
      const std::string& labels = left ? left_labels : right_labels;
      if (labels.empty()) continue;
      const std::string name = left ? "labels_left.txt" : "labels.txt";
      job.files.push_back({name, labels});
      commands.push_back({"text", name,
                          std::string("-F+f8p,Helvetica-Bold,black+j") + (left ? "MR" : "ML"),
                          std::string(left ? "-D-" : "-D") + number(LABEL_OFFSET_CM) + "c/0",
                          "-Gwhite@25", "-C0.06c", "-N"});
    }
  }
  commands.push_back({"text", "title.txt", "-N", "-F+cTC+jBC+f14p,Helvetica-Bold", "-D0/0.75c"});
  commands.push_back(
      {"text", "subtitle.txt", "-N", "-F+cTC+jBC+f9p,Helvetica,gray20", "-D0/0.25c"});
  commands.push_back({"colorbar", "-DJBC+w12c/0.35c+o0/0.9c+h",
                      "-Bxaf+l" + std::string(quantity_info(figure.quantity).label)});
  if (figure.global_year) {
    commands.push_back(
        {"text", "credit.txt", "-N", "-F+cBC+jTC+f6.5p,Helvetica,gray20", "-D0/-2.4c"});
  }
  commands.push_back({"end"});
  return job;
}

DrawingPrograms find_drawing_programs(figures::FigureFormat format) {
  const std::string search_path = figures::program_search_path();
  DrawingPrograms programs;
  const std::optional<std::filesystem::path> gmt = figures::find_program("gmt", search_path);
  if (!gmt) {
    throw figures::FigureError("GMT is not installed (no gmt on PATH); install it with: " +
                               std::string(GMT_INSTALL_COMMAND));
  }
  programs.gmt = *gmt;
  if (format == figures::FigureFormat::svg) {
    const std::optional<std::filesystem::path> converter =
        figures::find_program("pdftocairo", search_path);
    if (!converter) {
      throw figures::FigureError(
          "an SVG figure is converted from GMT's PDF by pdftocairo, which is not installed; "
          "install it with: apt-get install poppler-utils, or ask for .png or .pdf");
    }
    programs.pdftocairo = *converter;
  }
  return programs;
}

std::string draw_map(const MapFigure& figure, const DrawingPrograms& programs,
                     const companion::HeldSignals& signals) {
  double minimum = std::numeric_limits<double>::infinity();
  double maximum = -minimum;
  for (const double value : figure.values) {
    if (!std::isfinite(value)) continue;
    minimum = std::min(minimum, value);
    maximum = std::max(maximum, value);
  }
  if (!(minimum <= maximum)) {
    throw figures::FigureError("the model gives no value of the " +
                               std::string(quantity_info(figure.quantity).name) + " at " +
                               year_text(figure) + " anywhere on the map; no figure drawn");
  }
  // Around a geomagnetic pole a global model's declination takes every
  // value from -180 to 180 within a few hundred kilometres: a scale to
  // those ends would leave the rest of the world one pale colour. Its
  // colours span the values of all but the 1% at either end instead, and
  // the values beyond take the colour of the nearer end.
  bool clipped = false;
  if (figure.global_year && figure.quantity == Quantity::declination) {
    std::vector<double> finite;
    finite.reserve(figure.values.size());
    for (const double value : figure.values) {
      if (std::isfinite(value)) finite.push_back(value);
    }
    const auto at = [&finite](double fraction) {
      const auto k = static_cast<std::ptrdiff_t>(fraction * static_cast<double>(finite.size() - 1));
      std::nth_element(finite.begin(), finite.begin() + k, finite.end());
      return finite[static_cast<std::size_t>(k)];
    };
    const double low = at(0.01);
    const double high = at(0.99);
    clipped = low > minimum || high < maximum;
    minimum = low;
    maximum = high;
  }
  ColourScale scale = colour_scale(figure.quantity, minimum, maximum);
  scale.clipped = clipped;
  const GmtJob job = gmt_job(figure, scale);

  const figures::PrivateDirectory directory("map");
  const std::filesystem::path& where = directory.path();
  write_layer_grid(where / LAYER_FILE, figure.grid, figure.quantity, figure.values);
  for (const GmtJob::File& file : job.files) figures::write_text(where / file.name, file.text);
  // GMT keeps its session, settings and caches in the private directory,
  // and reads no settings of the user's: every system draws the same map.
  const std::string private_path = where.string();
  const std::vector<std::string> environment = {
      "GMT_TMPDIR=" + private_path, "GMT_USERDIR=" + private_path, "HOME=" + private_path,
      "GMT_SESSION_NAME=karven-map"};
  for (const std::vector<std::string>& command : job.commands) {
    std::vector<std::string> arguments = {"gmt"};
    arguments.insert(arguments.end(), command.begin(), command.end());
    const figures::ProgramRun run =
        figures::run_program(programs.gmt, arguments, where, signals, environment);
    if (signals.any_pending()) throw figures::FigureError("interrupted");
    if (const std::optional<std::string> failure = figures::run_failure("gmt " + command[0], run)) {
      throw figures::FigureError(*failure);
    }
  }
  std::string figure_name = std::string(FIGURE_PREFIX) + "." +
                            (figure.format == figures::FigureFormat::png ? "png" : "pdf");
  if (figure.format == figures::FigureFormat::svg) {
    const std::vector<std::string> arguments = {"pdftocairo", "-svg", figure_name, "figure.svg"};
    const figures::ProgramRun run =
        figures::run_program(programs.pdftocairo, arguments, where, signals, environment);
    if (signals.any_pending()) throw figures::FigureError("interrupted");
    if (const std::optional<std::string> failure = figures::run_failure("pdftocairo", run)) {
      throw figures::FigureError(*failure);
    }
    figure_name = "figure.svg";
  }
  std::ifstream in(where / figure_name, std::ios::binary);
  std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (bytes.empty()) throw figures::FigureError("gmt failed: it wrote no figure");
  return bytes;
}

}  // namespace field_map
