// The figure of a map, drawn by GMT 6 in modern mode: one quantity at one
// epoch as colours on a Mercator map of the region, with labelled
// contours, coastlines and national borders, a colour bar with the
// quantity and its unit, a title naming the model, the quantity and the
// epoch, and the sites asked for, marked and named.
//
// GMT runs as `gmt` on argument vectors, without a shell, in a private
// directory; every text that comes from a file or a file's name (the site
// names, the coefficient file's name) reaches it only as the contents of a
// text file there, escaped so that GMT draws it as it stands.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "figures/external_program.hpp"
#include "figures/gnuplot.hpp"
#include "map/cube.hpp"
#include "map/grid.hpp"
#include "map/sites.hpp"

namespace field_map {

/// What a figure shows.
struct MapFigure {
  GridAxes grid;
  Quantity quantity = Quantity::declination;
  int epoch = 0;           // index, 0 for 0 AD
  std::string model_name;  // the coefficient file's name, for the subtitle
  // A global model's map: the year shown (in place of the epoch), and the
  // model and its citation for the subtitle and the title.
  std::optional<int> global_year;
  std::string global_name;
  std::string credit;
  std::vector<Site> sites;     // within the grid's extent
  std::vector<double> values;  // the layer, row after row from the south, west to east
  figures::FigureFormat format = figures::FigureFormat::png;
};

/// The colours and contours of a figure.
struct ColourScale {
  std::string palette;     // one of GMT's scientific colour maps: "vik", "batlow", ...
  std::string truncation;  // the part of the palette used, makecpt's -G; empty: all of it
  double low = 0.0;        // the colour bar's ends
  double high = 1.0;
  double interval = 0.1;   // between contours
  double annotated = 0.2;  // between labelled contours
  bool clipped = false;    // values lie beyond the ends, coloured as the nearer end
};

/// The scale for a layer whose finite values lie between `minimum` and
/// `maximum`: contours at about ten intervals over the values, each 1, 2,
/// 2.5 or 5 times a power of ten, every other one labelled; for the
/// declination a diverging colour map centred on 0 (blue west, brown east)
/// between round bounds as far west as east, for the others a
/// perceptually uniform sequential one between whole contour intervals.
ColourScale colour_scale(Quantity quantity, double minimum, double maximum);

/// The annotations of a map's frame: about six along each side, each
/// interval 1, 2, 2.5 or 5 times a power of ten, written with the decimals
/// the intervals need (0.2 degrees: one).
struct MapAxes {
  double longitude_interval = 1.0;
  double latitude_interval = 1.0;
  int decimals = 0;
};
MapAxes map_axes(const GridAxes& grid);

/// How a site is named on a map: to the right of its mark, or to its left
/// when the name runs past the frame there and has more room on the left;
/// a name too long for either side is cut, ending in "...", and a site
/// without a name is named by its line in the sites file ("line 4").
struct SiteLabel {
  std::string text;
  bool left = false;
};
/// @param[in] x_cm  the site's distance from the map's west edge
SiteLabel site_label(const Site& site, double x_cm);

/// What GMT is given: the files written in its directory, under names of
/// the program's choosing, and the commands, each an argument vector
/// starting with the module's name (after "gmt").
struct GmtJob {
  struct File {
    std::string name;
    std::string text;
  };
  std::vector<File> files;
  std::vector<std::vector<std::string>> commands;
};

/// The name of the layer's grid in GMT's directory, and of the figure it
/// draws (before any conversion).
inline constexpr std::string_view LAYER_FILE = "layer.nc";

/// The job that draws a figure; the layer itself is written to LAYER_FILE.
GmtJob gmt_job(const MapFigure& figure, const ColourScale& scale);

/// How to get GMT and its coastlines on Debian.
inline constexpr std::string_view GMT_INSTALL_COMMAND = "apt-get install gmt gmt-gshhg-low";

/// Finds gmt on PATH (and pdftocairo for an SVG figure) before the map is
/// computed.
///
/// @throws figures::FigureError "GMT is not installed ..." naming how to install it
struct DrawingPrograms {
  std::filesystem::path gmt;
  std::filesystem::path pdftocairo;  // empty unless an SVG is asked
};
DrawingPrograms find_drawing_programs(figures::FigureFormat format);

/// Draws the figure with GMT in a private directory and returns its bytes.
///
/// @throws figures::FigureError when GMT fails or the run is interrupted
std::string draw_map(const MapFigure& figure, const DrawingPrograms& programs,
                     const companion::HeldSignals& signals);

}  // namespace field_map
