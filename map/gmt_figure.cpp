#include "map/gmt_figure.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <iterator>
#include <limits>

#include "console/fields.hpp"
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

// Appends one code point as GMT draws it.
void append_code_point(std::string& text, char32_t c) {
  if (c == U'@') {
    text += "@@";
  } else if (c == U'\\') {
    text += "\\134";
  } else if (c >= 0x20 && c < 0x7f) {
    text += static_cast<char>(c);
  } else if (c >= 0xa0 && c <= 0xff) {
    // The octal code of a Latin-1 letter, which GMT's default character
    // set places where Latin-1 does.
    text += '\\';
    text += static_cast<char>('0' + ((c >> 6) & 7));
    text += static_cast<char>('0' + ((c >> 3) & 7));
    text += static_cast<char>('0' + (c & 7));
  } else {
    text += '?';
  }
}

std::string title_text(const MapFigure& figure) {
  return std::string(MODEL_NAME) + ": " + std::string(quantity_info(figure.quantity).title) +
         " at " + number(model::epoch_year(figure.epoch)) + " AD";
}

}  // namespace

ColourScale colour_scale(Quantity quantity, double minimum, double maximum) {
  ColourScale scale;
  // Contours at about ten intervals over the values, every other one labelled.
  const double range = std::max(maximum - minimum, 1e-6 * std::max(1.0, std::fabs(maximum)));
  scale.interval = nice_interval(range / 10.0);
  scale.annotated = 2.0 * scale.interval;
  if (quantity == Quantity::declination) {
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

std::string gmt_text(std::string_view utf8) {
  std::string text;
  std::size_t at = 0;
  while (at < utf8.size()) {
    const auto lead = static_cast<unsigned char>(utf8[at]);
    const int length = lead < 0x80         ? 1
                       : (lead >> 5) == 6  ? 2
                       : (lead >> 4) == 14 ? 3
                       : (lead >> 3) == 30 ? 4
                                           : 0;
    char32_t c = length == 1   ? lead
                 : length == 2 ? lead & 0x1f
                 : length == 3 ? lead & 0x0f
                               : lead & 0x07;
    bool valid = length > 0 && at + static_cast<std::size_t>(length) <= utf8.size();
    for (int k = 1; valid && k < length; ++k) {
      const auto next = static_cast<unsigned char>(utf8[at + static_cast<std::size_t>(k)]);
      valid = (next >> 6) == 2;
      c = (c << 6) | (next & 0x3f);
    }
    if (!valid) {
      text += '?';
      ++at;
      continue;
    }
    append_code_point(text, c);
    at += static_cast<std::size_t>(length);
  }
  return text;
}

GmtJob gmt_job(const MapFigure& figure, const ColourScale& scale) {
  const GridAxes& grid = figure.grid;
  const std::string region = "-R" + number(grid.longitudes.front()) + "/" +
                             number(grid.longitudes.back()) + "/" + number(grid.latitudes.front()) +
                             "/" + number(grid.latitudes.back());
  const std::string layer(LAYER_FILE);
  const std::string format =
      figure.format == plot::FigureFormat::png ? "png" : "pdf";  // SVG is converted from PDF
  GmtJob job;
  job.files.push_back({"title.txt", gmt_text(title_text(figure)) + "\n"});
  job.files.push_back({"subtitle.txt", gmt_text("coefficient file " + figure.model_name +
                                                ", grid of " + degrees_text(grid.step)) +
                                           "\n"});
  auto& commands = job.commands;
  commands.push_back({"begin", FIGURE_PREFIX, format, "A+m0.3c,E200"});
  commands.push_back({"set", "MAP_FRAME_TYPE", "plain", "FONT_ANNOT_PRIMARY", "9p,Helvetica",
                      "FONT_LABEL", "10p,Helvetica", "MAP_ANNOT_OBLIQUE", "lat_parallel",
                      "FORMAT_GEO_MAP", "dddF"});
  std::vector<std::string> makecpt = {"makecpt", "-C" + scale.palette,
                                      "-T" + number(scale.low) + "/" + number(scale.high)};
  if (!scale.truncation.empty()) makecpt.push_back("-G" + scale.truncation);
  commands.push_back(makecpt);
  commands.push_back({"basemap", region, "-JM16c", "-B0"});
  commands.push_back({"grdimage", layer, "-Q"});
  commands.push_back({"grdcontour", layer, "-C" + number(scale.interval),
                      "-A" + number(scale.annotated) + "+f8p,Helvetica,black+gwhite@40+c0.05c",
                      "-Gd6c", "-Wc0.3p,gray15", "-Wa0.6p,gray10"});
  if (figure.quantity == Quantity::declination && scale.low < 0.0 && scale.high > 0.0) {
    // The agonic line, where the compass points to true north.
    commands.push_back({"grdcontour", layer, "-C+0", "-W1.5p,black"});
  }
  commands.push_back({"coast", "-Di+f", "-A500", "-W0.5p,gray5", "-N1/0.4p,gray25"});
  commands.push_back({"basemap", "-Baf", "-BWSne"});
  // The sites over the frame, so that one on the edge is not hidden.
  if (!figure.sites.empty()) {
    std::string marks, labels;
    for (const Site& site : figure.sites) {
      const std::string place = number(site.longitude) + " " + number(site.latitude);
      marks += place + "\n";
      if (!site.name.empty()) labels += place + " " + gmt_text(site.name) + "\n";
    }
    job.files.push_back({"sites.txt", marks});
    commands.push_back({"plot", "sites.txt", "-Sc0.22c", "-Gwhite", "-W0.9p,black"});
    if (!labels.empty()) {
      job.files.push_back({"labels.txt", labels});
      commands.push_back({"text", "labels.txt", "-F+f8p,Helvetica-Bold,black+jML", "-D0.22c/0",
                          "-Gwhite@25", "-C0.06c", "-N"});
    }
  }
  commands.push_back({"text", "title.txt", "-N", "-F+cTC+jBC+f14p,Helvetica-Bold", "-D0/0.75c"});
  commands.push_back(
      {"text", "subtitle.txt", "-N", "-F+cTC+jBC+f9p,Helvetica,gray20", "-D0/0.25c"});
  commands.push_back({"colorbar", "-DJBC+w12c/0.35c+o0/0.9c+h",
                      "-Bxaf+l" + std::string(quantity_info(figure.quantity).label)});
  commands.push_back({"end"});
  return job;
}

DrawingPrograms find_drawing_programs(plot::FigureFormat format) {
  const std::string search_path = plot::program_search_path();
  DrawingPrograms programs;
  const std::optional<std::filesystem::path> gmt = plot::find_program("gmt", search_path);
  if (!gmt) {
    throw plot::PlotError("GMT is not installed (no gmt on PATH); install it with: " +
                          std::string(GMT_INSTALL_COMMAND));
  }
  programs.gmt = *gmt;
  if (format == plot::FigureFormat::svg) {
    const std::optional<std::filesystem::path> converter =
        plot::find_program("pdftocairo", search_path);
    if (!converter) {
      throw plot::PlotError(
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
    throw plot::PlotError("the model gives no value of the " +
                          std::string(quantity_info(figure.quantity).name) + " at " +
                          number(model::epoch_year(figure.epoch)) +
                          " AD anywhere on the map; no figure drawn");
  }
  const GmtJob job = gmt_job(figure, colour_scale(figure.quantity, minimum, maximum));

  const plot::PrivateDirectory directory("map");
  const std::filesystem::path& where = directory.path();
  write_layer_grid(where / LAYER_FILE, figure.grid, figure.quantity, figure.values);
  for (const GmtJob::File& file : job.files) plot::write_text(where / file.name, file.text);
  // GMT keeps its session, settings and caches in the private directory,
  // and reads no settings of the user's: every system draws the same map.
  const std::string private_path = where.string();
  const std::vector<std::string> environment = {
      "GMT_TMPDIR=" + private_path, "GMT_USERDIR=" + private_path, "HOME=" + private_path,
      "GMT_SESSION_NAME=karven-map"};
  for (const std::vector<std::string>& command : job.commands) {
    std::vector<std::string> arguments = {"gmt"};
    arguments.insert(arguments.end(), command.begin(), command.end());
    const plot::ProgramRun run =
        plot::run_program(programs.gmt, arguments, where, signals, environment);
    if (signals.any_pending()) throw plot::PlotError("interrupted");
    if (const std::optional<std::string> failure = plot::run_failure("gmt " + command[0], run)) {
      throw plot::PlotError(*failure);
    }
  }
  std::string figure_name =
      std::string(FIGURE_PREFIX) + "." + (figure.format == plot::FigureFormat::png ? "png" : "pdf");
  if (figure.format == plot::FigureFormat::svg) {
    const std::vector<std::string> arguments = {"pdftocairo", "-svg", figure_name, "figure.svg"};
    const plot::ProgramRun run =
        plot::run_program(programs.pdftocairo, arguments, where, signals, environment);
    if (signals.any_pending()) throw plot::PlotError("interrupted");
    if (const std::optional<std::string> failure = plot::run_failure("pdftocairo", run)) {
      throw plot::PlotError(*failure);
    }
    figure_name = "figure.svg";
  }
  std::ifstream in(where / figure_name, std::ios::binary);
  std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (bytes.empty()) throw plot::PlotError("gmt failed: it wrote no figure");
  return bytes;
}

}  // namespace field_map
