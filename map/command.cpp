#include "map/command.hpp"

#include <iostream>
#include <memory>
#include <new>
#include <optional>

#include "companion/command_line.hpp"
#include "companion/output_file.hpp"
#include "companion/progress.hpp"
#include "console/fields.hpp"
#include "console/numbers.hpp"
#include "field_model/field_model.hpp"
#include "geomodel/catalogue.hpp"
#include "geomodel/field.hpp"
#include "map/csv_table.hpp"
#include "map/gmt_figure.hpp"
#include "map/netcdf_cube.hpp"
#include "map/options.hpp"

namespace field_map {

namespace {

constexpr const char* PROGRAM = "karven-map";

// The table is handed to the file in pieces of about this size.
constexpr std::size_t TABLE_BUFFER_BYTES = 1 << 22;

void report(std::string_view message) { companion::report(PROGRAM, message); }

// A held signal came: the run stops, its temporary files are removed, and
// the signal then ends the program.
struct Interrupted {};

// The sites that lie on the map; a note for each that does not.
std::vector<Site> sites_on_map(std::vector<Site> sites, const GridAxes& grid,
                               const std::string& file) {
  std::vector<Site> shown;
  const Region extent{grid.latitudes.front(), grid.latitudes.back(), grid.longitudes.front(),
                      grid.longitudes.back()};
  for (Site& site : sites) {
    // A map across the date line runs east of 180: a site at 175 W is
    // marked at 185 E.
    for (const double turn : {360.0, -360.0}) {
      const double turned = site.longitude + turn;
      if ((site.longitude < extent.west || site.longitude > extent.east) && turned >= extent.west &&
          turned <= extent.east)
        site.longitude = turned;
    }
    if (site.latitude >= extent.south && site.latitude <= extent.north &&
        site.longitude >= extent.west && site.longitude <= extent.east) {
      shown.push_back(std::move(site));
    } else {
      report(console::shown_text(file) + ", line " + std::to_string(site.line) + ": the site \"" +
             console::shown_text(site.name) + "\" lies outside the map, " + region_text(extent) +
             "; not marked");
    }
  }
  return shown;
}

std::string epochs_text(std::size_t count) {
  return std::to_string(count) + (count == 1 ? " epoch" : " epochs");
}

// `task` says what the run is doing, for a message should memory run out.
int run(const MapOptions& options, std::span<const std::string_view> arguments, std::string& task) {
  const companion::HeldSignals signals;
  companion::OutputGuard guard;
  const bool bundled = geomodel::find_catalogue_entry(options.model) != nullptr;
  if (!bundled) guard.add_input(options.model, options.global ? "model file" : "coefficient file");
  if (options.sites) guard.add_input(*options.sites, "sites file");
  // Every output is refused before any work is done.
  if (options.figure) guard.check(*options.figure, "figure");
  if (options.grid) guard.check(*options.grid, "grid");
  if (options.table) guard.check(*options.table, "table");

  // The regional model, or a global model and its year's coefficients.
  std::optional<model::Model> regional;
  std::optional<field_model::FieldModel> global;
  geomodel::GaussCoefficients gauss;
  if (options.global) {
    global = field_model::FieldModel::open(options.model);
    if (global->unread_numbers() > 0) {
      report(global->name() + ": " + std::to_string(global->unread_numbers()) +
             " numbers after the coefficients left unread; they are not used");
    }
    try {
      gauss = geomodel::gauss_coefficients(*global->global(), *options.year);
    } catch (const geomodel::YearOutsideSpan& e) {
      throw companion::UsageError(std::string("--year: ") + e.what());
    }
  } else {
    regional.emplace(options.model);
  }
  const GridAxes grid = options.global ? make_global_grid(options.region, options.step)
                                       : make_grid(options.region, options.step);
  const std::string nodes = std::to_string(grid.latitudes.size()) + " latitudes by " +
                            std::to_string(grid.longitudes.size()) + " longitudes";
  std::vector<Site> sites;
  if (options.sites) sites = sites_on_map(read_sites_file(*options.sites), grid, *options.sites);
  std::optional<DrawingPrograms> programs;
  if (options.figure) programs = find_drawing_programs(options.format);

  const std::vector<int> epochs = options.epoch ? std::vector<int>{*options.epoch} : all_epochs();
  task = "evaluating the model at " + grouped_count(static_cast<double>(grid.node_count())) +
         " nodes (" + nodes + ") and " + epochs_text(epochs.size());
  std::unique_ptr<companion::OutputFile> figure_file, grid_file, table_file;
  const auto output = [&guard](const std::filesystem::path& path, const char* what) {
    return std::make_unique<companion::OutputFile>(guard, path, what);
  };
  if (options.figure) figure_file = output(*options.figure, "figure");
  if (options.grid) grid_file = output(*options.grid, "grid");
  if (options.table) table_file = output(*options.table, "table");

  std::unique_ptr<NetcdfCube> cube;
  if (grid_file) {
    CubeDescription description{
        std::string(MODEL_NAME) +
            " regional geomagnetic field model: declination, inclination, intensity and their "
            "errors at 95% confidence on a grid of " +
            degrees_text(grid.step),
        std::filesystem::path(options.model).filename().string(), command_text(PROGRAM, arguments)};
    if (global) {
      description.title = global->name() +
                          " global geomagnetic field model: declination, inclination and "
                          "intensity at the year " +
                          std::to_string(*options.year) + " on a grid of " +
                          degrees_text(grid.step);
      description.source = global->source();
      description.references = global->citation();
      description.global_year = options.year;
    }
    cube = std::make_unique<NetcdfCube>(
        grid_file->path(),
        companion::is_standard_output(*options.grid) ? "for standard output" : *options.grid, grid,
        epochs, description);
  }
  std::string table;
  if (table_file) table = global ? global_csv_heading(global->source()) : std::string(CSV_HEADER);

  MapFigure figure;
  figure.grid = grid;
  figure.quantity = options.quantity;
  figure.epoch = epochs.front();
  figure.model_name = std::filesystem::path(options.model).filename().string();
  figure.sites = std::move(sites);
  if (global) {
    figure.global_year = options.year;
    figure.global_name = global->name();
    figure.credit = global->source();
  }
  figure.format = options.format;

  CubeRow row;
  // The share of nodes done; the run writes on standard output only at
  // its end, so the line is shown whenever standard error is a terminal.
  companion::Progress progress(PROGRAM, companion::Progress::Report::at_the_end);
  const std::string total_nodes = grouped_count(static_cast<double>(grid.node_count()));
  for (std::size_t i = 0; i < grid.latitudes.size(); ++i) {
    if (signals.any_pending()) throw Interrupted{};
    if (global) {
      evaluate_global_row(gauss, grid, i, row);
    } else {
      evaluate_row(*regional, grid, i, epochs, row);
    }
    if (cube) cube->write_row(i, row);
    if (table_file) {
      if (global) {
        append_global_csv_rows(table, grid, i, *options.year, row);
      } else {
        append_csv_rows(table, grid, i, epochs, row);
      }
      if (table.size() >= TABLE_BUFFER_BYTES) {
        table_file->write(table);
        table.clear();
      }
    }
    if (figure_file) {
      const std::span<const double> layer = row.layer(options.quantity, 0);
      figure.values.insert(figure.values.end(), layer.begin(), layer.end());
    }
    if (progress.due()) {
      progress.show(std::to_string(100 * (i + 1) / grid.latitudes.size()) + "% of " + total_nodes +
                    " nodes");
    }
  }
  progress.clear();
  if (signals.any_pending()) throw Interrupted{};
  // What was written is said on standard output, unless an output goes there.
  const bool said = !(options.grid && companion::is_standard_output(*options.grid)) &&
                    !(options.table && companion::is_standard_output(*options.table));
  if (cube) {
    cube->close();
    grid_file->commit();
    if (said) {
      std::cout << "Grid written to " << console::shown_text(*options.grid) << ": "
                << epochs_text(epochs.size()) << ", " << nodes << '\n';
    }
  }
  if (table_file) {
    table_file->write(table);
    table_file->commit();
    if (said) {
      std::cout << "Table written to " << console::shown_text(*options.table) << ": "
                << grouped_count(static_cast<double>(grid.node_count()) *
                                 static_cast<double>(epochs.size()))
                << " rows, " << epochs_text(epochs.size()) << " at "
                << grouped_count(static_cast<double>(grid.node_count())) << " nodes\n";
    }
  }
  if (figure_file) {
    if (progress.enabled()) progress.show("drawing the map with GMT");
    task = "drawing the map of " + grouped_count(static_cast<double>(grid.node_count())) +
           " nodes (" + nodes + ")";
    const std::string bytes = draw_map(figure, *programs, signals);
    progress.clear();
    figure_file->write(bytes);
    figure_file->commit();
    if (said) std::cout << "Figure written to " << console::shown_text(*options.figure) << '\n';
  }
  return 0;
}

}  // namespace

int run_map_command(std::span<const std::string_view> arguments) {
  MapOptions options;
  try {
    options = parse_map_options(arguments);
  } catch (const companion::UsageError& e) {
    return companion::wrong_usage(PROGRAM, e.what());
  }
  if (options.stop) {
    std::cout << options.stop_text;
    return 0;
  }
  std::string task = "reading the coefficient file";
  try {
    return run(options, arguments, task);
  } catch (const companion::UsageError& e) {
    return companion::wrong_usage(PROGRAM, e.what());
  } catch (const Interrupted&) {
    // The held signal has ended the program by now, once the temporary
    // files were gone; should it be ignored, say so.
    report("interrupted; nothing written");
  } catch (const std::bad_alloc&) {
    report("out of memory while " + task);
  } catch (const std::exception& e) {
    report(e.what());
  }
  return companion::FAILED;
}

}  // namespace field_map
