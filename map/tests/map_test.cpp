// The pure parts of karven-map: the grid's nodes, the cube against the
// model's own curve, the table's text, the colour scales, the text given
// to GMT, the sites file, and the netCDF file read back through the C
// library.
#include <gtest/gtest.h>
#include <netcdf.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "map/csv_table.hpp"
#include "map/cube.hpp"
#include "map/gmt_figure.hpp"
#include "map/grid.hpp"
#include "map/netcdf_cube.hpp"
#include "map/sites.hpp"
#include "model/model.hpp"
#include "testsupport/testsupport.hpp"

namespace {

using field_map::Quantity;

const std::string DEMO = KARVEN_DEMO_COEFFICIENTS;

// Bitwise equality, so that NaN equals NaN and every digit counts.
bool same_double(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b) ||
         (std::isnan(a) && std::isnan(b));
}

TEST(MapGrid, NodesAreTheDoublesNearestTheirDecimalValues) {
  struct Case {
    field_map::Region region;
    double step;
    std::vector<double> latitudes;
    std::vector<double> longitudes;
  };
  const std::vector<Case> cases = {
      // 35 + 3 * 0.1 is 35.300000000000004 in doubles; the node is 35.3.
      {{35, 35.3, -0.3, 0}, 0.1, {35, 35.1, 35.2, 35.3}, {-0.3, -0.2, -0.1, 0}},
      // A step that does not divide the region: the last node before the bound.
      {{40, 41, 2.35, 3.5}, 0.3, {40, 40.3, 40.6, 40.9}, {2.35, 2.65, 2.95, 3.25}},
      {{44, 46, 7, 9}, 1, {44, 45, 46}, {7, 8, 9}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(field_map::region_text(c.region));
    const field_map::GridAxes grid = field_map::make_grid(c.region, c.step);
    EXPECT_EQ(grid.latitudes, c.latitudes);
    EXPECT_EQ(grid.longitudes, c.longitudes);
  }
  const field_map::GridAxes whole = field_map::make_grid(field_map::model_region(), 0.25);
  EXPECT_EQ(whole.latitudes.size(), 101u);
  EXPECT_EQ(whole.longitudes.size(), 181u);
  EXPECT_EQ(whole.latitudes.back(), 60.0);
  EXPECT_EQ(whole.longitudes.back(), 30.0);
}

TEST(MapCube, EveryNodeHoldsTheModelsCurveAtThatSite) {
  // The nodes include the cap's pole, 45 N 8 E, which the model nudges.
  const model::Model model(DEMO);
  const field_map::GridAxes grid = field_map::make_grid({44, 46, 7, 9}, 1.0);
  const std::vector<int> epochs = {0, 300, 380};
  field_map::CubeRow row;
  for (std::size_t i = 0; i < grid.latitudes.size(); ++i) {
    field_map::evaluate_row(model, grid, i, epochs, row);
    for (std::size_t j = 0; j < grid.longitudes.size(); ++j) {
      const model::SiteCurve curve = model.curve(grid.latitudes[i], grid.longitudes[j]);
      for (std::size_t k = 0; k < epochs.size(); ++k) {
        const model::CurveValues& expected = curve.epochs[static_cast<std::size_t>(epochs[k])];
        for (const Quantity quantity : field_map::QUANTITIES) {
          SCOPED_TRACE(std::to_string(grid.latitudes[i]) + " " +
                       std::to_string(grid.longitudes[j]) + " epoch " + std::to_string(epochs[k]) +
                       " " + std::string(field_map::quantity_info(quantity).name));
          EXPECT_TRUE(
              same_double(row.at(quantity, k, j), field_map::quantity_value(expected, quantity)));
        }
      }
    }
  }
}

TEST(MapTable, RowsHoldTheShortestTextOfEachDouble) {
  const field_map::GridAxes grid = field_map::make_grid({35, 35.1, -15, -14.9}, 0.1);
  field_map::CubeRow row;
  row.epoch_count = 2;
  row.column_count = 2;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  // Each quantity: epoch 0 west, east, then epoch 1 west, east.
  row.values = {{{-1.25, 0.1, 1e-05, -0.0},
                 {66.8125, 60.0, 1.0 / 3.0, 45.0},
                 {64.75, 47.5, 50.0, 51.0},
                 {2.125, nan, 1.0, 1.5},
                 {0.95, 0.5, 0.25, 0.125},
                 {2.5, 1e21, 2.0, 3.0}}};
  std::string text(field_map::CSV_HEADER);
  field_map::append_csv_rows(text, grid, 1, std::vector<int>{300, 380}, row);
  EXPECT_EQ(text,
            "lat,lon,year,declination,inclination,intensity,declination_error_95,"
            "inclination_error_95,intensity_error_95\n"
            "35.1,-15,1500,-1.25,66.8125,64.75,2.125,0.95,2.5\n"
            "35.1,-15,1900,1e-05,0.3333333333333333,50,1,0.25,2\n"
            "35.1,-14.9,1500,0.1,60,47.5,,0.5,1e+21\n"
            "35.1,-14.9,1900,-0,45,51,1.5,0.125,3\n");
}

TEST(MapColourScale, DeclinationIsCentredOnZeroAndTheRestSpanWholeIntervals) {
  struct Case {
    Quantity quantity;
    double minimum, maximum;
    field_map::ColourScale expected;
  };
  // Ten intervals over the values, rounded up to 1, 2, 2.5 or 5 times a
  // power of ten: (9.85 + 5.78) / 10 = 1.56 gives 2; 46.2 / 10 gives 5.
  const std::vector<Case> cases = {
      {Quantity::declination, -5.78, 9.85, {"vik", "-0.85/0.85", -10, 10, 2, 4}},
      // All east or all west: that half of the map, over the values alone.
      {Quantity::declination, 3.3, 9.2, {"vik", "0.1/0.85", 3, 10, 1, 2}},
      {Quantity::declination, 6.0, 6.35, {"vik", "0.1/0.85", 6, 6.35, 0.05, 0.1}},
      {Quantity::declination, -4.2, -0.5, {"vik", "-0.85/-0.1", -4.5, -0.5, 0.5, 1}},
      {Quantity::declination, -0.3, 0.1, {"vik", "-0.85/0.85", -0.3, 0.3, 0.05, 0.1}},
      {Quantity::inclination, 32.6, 78.8, {"batlow", "0.12/1", 30, 80, 5, 10}},
      {Quantity::intensity, 39.97, 80.78, {"lajolla", "0/0.8", 35, 85, 5, 10}},
      {Quantity::intensity_error, 1.61, 1.98, {"bilbao", "0/0.85", 1.6, 2, 0.05, 0.1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(field_map::quantity_info(c.quantity).name) + " " +
                 std::to_string(c.minimum) + " " + std::to_string(c.maximum));
    const field_map::ColourScale scale = field_map::colour_scale(c.quantity, c.minimum, c.maximum);
    EXPECT_EQ(scale.palette, c.expected.palette);
    EXPECT_EQ(scale.truncation, c.expected.truncation);
    EXPECT_NEAR(scale.low, c.expected.low, 1e-12);
    EXPECT_NEAR(scale.high, c.expected.high, 1e-12);
    EXPECT_NEAR(scale.interval, c.expected.interval, 1e-15);
    EXPECT_NEAR(scale.annotated, c.expected.annotated, 1e-15);
  }
}

// A small region: the frame's annotations in tenths of a degree; sites
// named beside their marks within the frame, a long name to the left of a
// mark near the east edge and cut when it fits neither side, a site
// without a name by its line.
TEST(MapGmtJob, TheFrameAndTheSiteNamesFitTheRegion) {
  field_map::MapFigure figure;
  figure.grid = field_map::make_grid({40, 41, 0, 1}, 0.05);
  const std::string long_name = "Kiln by the river Loire near the old bridge, France";
  figure.sites = {{long_name, 40.5, 0.8, 2},
                  {"", 40.3, 0.2, 3},
                  {"C:\\k", 40.8, 0.5, 4},
                  {long_name + long_name, 40.1, 0.5, 5}};
  const field_map::GmtJob job =
      field_map::gmt_job(figure, field_map::colour_scale(Quantity::declination, 6.0, 6.35));
  std::vector<std::vector<std::string>> frame;
  for (const auto& command : job.commands) {
    if (command[0] == "set" || (command[0] == "basemap" && command[1] != "-R0/1/40/41") ||
        (command[0] == "text" && command[1].starts_with("labels"))) {
      frame.push_back(command);
    }
  }
  const std::vector<std::vector<std::string>> expected = {
      {"set", "MAP_FRAME_TYPE", "plain", "FONT_ANNOT_PRIMARY", "9p,Helvetica", "FONT_LABEL",
       "10p,Helvetica", "MAP_ANNOT_OBLIQUE", "lat_parallel", "FORMAT_GEO_MAP", "ddd.xF"},
      {"basemap", "-Bxa0.2f0.1", "-Bya0.2f0.1", "-BWSne"},
      {"text", "labels.txt", "-F+f8p,Helvetica-Bold,black+jML", "-D0.22c/0", "-Gwhite@25",
       "-C0.06c", "-N"},
      {"text", "labels_left.txt", "-F+f8p,Helvetica-Bold,black+jMR", "-D-0.22c/0", "-Gwhite@25",
       "-C0.06c", "-N"},
  };
  EXPECT_EQ(frame, expected);
  std::map<std::string, std::string> files;
  for (const auto& file : job.files) files[file.name] = file.text;
  // 16 cm wide: the 7.78 cm beside a mark at 0.5 degrees east hold 46
  // characters of 0.169 cm; at 0.8 east, 3 cm to the right hold 17.
  EXPECT_EQ(files["labels.txt"],
            "0.2 40.3 line 3\n0.5 40.8 C:\\134k\n"
            "0.5 40.1 Kiln by the river Loire near the old bridg...\n");
  EXPECT_EQ(files["labels_left.txt"], "0.8 40.5 " + long_name + "\n");
}

TEST(MapSites, ReadsQuotedNamesInAnyColumnOrder) {
  const std::vector<field_map::Site> sites = field_map::read_sites_text(
      "\xEF\xBB\xBFlon, lat ,name\r\n\r\n2.35,48.85,Paris\r\n-1.08,53.96,\"York, \"\"UK\"\"\"\n"
      "10.69,53.87,\n",
      "sites.csv");
  ASSERT_EQ(sites.size(), 3u);
  EXPECT_EQ(sites[0].name, "Paris");
  EXPECT_EQ(sites[0].latitude, 48.85);
  EXPECT_EQ(sites[0].longitude, 2.35);
  EXPECT_EQ(sites[0].line, 3);
  EXPECT_EQ(sites[1].name, "York, \"UK\"");
  EXPECT_EQ(sites[2].name, "");
  EXPECT_EQ(sites[2].line, 5);
}

TEST(MapSites, ABadFileIsNamedWithItsLine) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"", "s.csv is empty; expected a header row naming the columns name,lat,lon"},
      {"name,lat,lon,dec\n",
       "s.csv, line 1: unknown column \"dec\"; the columns are name, lat, lon"},
      {"name,lat\n", "s.csv, line 1: no column lon; the columns are name, lat, lon"},
      {"name,lat,lat\n", "s.csv, line 1: column lat twice"},
      {"name,lat,lon\nParis,48.85\n", "s.csv, line 2: 2 fields, but the header names 3"},
      {"name,lat,lon\nParis,4o.1,2\n",
       "s.csv, line 2, column lat: expected a number of degrees, read \"4o.1\""},
      {"name,lat,lon\n\nParis,48,\n",
       "s.csv, line 3, column lon: expected a number of degrees, read \"\""},
      {"name,lat,lon\n\"Paris,48,2\n",
       "s.csv, line 2: field 1 opens a quote that the line does not close"},
  };
  for (const auto& [text, message] : cases) {
    SCOPED_TRACE(text);
    try {
      field_map::read_sites_text(text, "s.csv");
      ADD_FAILURE() << "read without error";
    } catch (const field_map::SitesFileError& e) {
      EXPECT_EQ(std::string(e.what()), message);
    }
  }
}

// Reads a text attribute through the C library.
std::string text_attribute(int id, int variable, const char* name) {
  std::size_t length = 0;
  if (nc_inq_attlen(id, variable, name, &length) != NC_NOERR) return "(none)";
  std::string text(length, '\0');
  nc_get_att_text(id, variable, name, text.data());
  return text;
}

TEST(MapNetcdf, TheFileReadBackHoldsTheLayoutAndTheModelsValues) {
  testsupport::ScopedWorkDir dir;
  const model::Model model(DEMO);
  const field_map::GridAxes grid = field_map::make_grid({44, 46, 7, 9}, 1.0);
  const std::vector<int> epochs = field_map::all_epochs();
  {
    field_map::NetcdfCube cube("cube.nc", "cube.nc", grid, epochs,
                               {"a title", "demo_coeff.inp", "karven-map --grid cube.nc"});
    field_map::CubeRow row;
    for (std::size_t i = 0; i < grid.latitudes.size(); ++i) {
      field_map::evaluate_row(model, grid, i, epochs, row);
      cube.write_row(i, row);
    }
    cube.close();
  }

  int id = -1;
  ASSERT_EQ(nc_open("cube.nc", NC_NOWRITE, &id), NC_NOERR);
  int format = 0;
  nc_inq_format(id, &format);
  EXPECT_EQ(format, NC_FORMAT_64BIT_OFFSET);
  // Dimensions, in the order of the variables' axes.
  int dimension_count = 0;
  nc_inq_ndims(id, &dimension_count);
  ASSERT_EQ(dimension_count, 3);
  const std::array<std::pair<const char*, std::size_t>, 3> dimensions = {
      {{"year", 381}, {"lat", 3}, {"lon", 3}}};
  for (int d = 0; d < 3; ++d) {
    std::array<char, NC_MAX_NAME + 1> name{};
    std::size_t length = 0;
    nc_inq_dim(id, d, name.data(), &length);
    EXPECT_EQ(std::string(name.data()), dimensions[static_cast<std::size_t>(d)].first);
    EXPECT_EQ(length, dimensions[static_cast<std::size_t>(d)].second);
  }
  EXPECT_EQ(text_attribute(id, NC_GLOBAL, "Conventions"), "CF-1.8");
  EXPECT_EQ(text_attribute(id, NC_GLOBAL, "title"), "a title");
  EXPECT_EQ(text_attribute(id, NC_GLOBAL, "source"), "demo_coeff.inp");
  EXPECT_EQ(text_attribute(id, NC_GLOBAL, "history"), "karven-map --grid cube.nc");

  // The coordinate variables.
  struct Coordinate {
    const char* name;
    const char* standard_name;
    const char* units;
  };
  for (const Coordinate& c :
       {Coordinate{"year", "(none)", "year"}, Coordinate{"lat", "latitude", "degrees_north"},
        Coordinate{"lon", "longitude", "degrees_east"}}) {
    SCOPED_TRACE(c.name);
    int variable = -1;
    ASSERT_EQ(nc_inq_varid(id, c.name, &variable), NC_NOERR);
    EXPECT_EQ(text_attribute(id, variable, "standard_name"), c.standard_name);
    EXPECT_EQ(text_attribute(id, variable, "units"), c.units);
  }
  int year_variable = -1, lat_variable = -1;
  nc_inq_varid(id, "year", &year_variable);
  nc_inq_varid(id, "lat", &lat_variable);
  std::vector<int> years(381);
  nc_get_var_int(id, year_variable, years.data());
  EXPECT_EQ(years.front(), 0);
  EXPECT_EQ(years[300], 1500);
  EXPECT_EQ(years.back(), 1900);
  std::vector<double> latitudes(3);
  nc_get_var_double(id, lat_variable, latitudes.data());
  EXPECT_EQ(latitudes, grid.latitudes);

  // Each quantity: its attributes, and at every node and epoch the model's
  // value at that site, to the last bit.
  for (const Quantity quantity : field_map::QUANTITIES) {
    const field_map::QuantityInfo& info = field_map::quantity_info(quantity);
    SCOPED_TRACE(std::string(info.name));
    int variable = -1;
    ASSERT_EQ(nc_inq_varid(id, std::string(info.name).c_str(), &variable), NC_NOERR);
    nc_type type = NC_NAT;
    int axes = 0;
    nc_inq_vartype(id, variable, &type);
    nc_inq_varndims(id, variable, &axes);
    EXPECT_EQ(type, NC_DOUBLE);
    EXPECT_EQ(axes, 3);
    EXPECT_EQ(text_attribute(id, variable, "long_name"), info.long_name);
    EXPECT_EQ(text_attribute(id, variable, "units"),
              quantity == Quantity::intensity || quantity == Quantity::intensity_error
                  ? "microtesla"
                  : "degree");
    double fill = 0.0;
    EXPECT_EQ(nc_get_att_double(id, variable, "_FillValue", &fill), NC_NOERR);
    EXPECT_TRUE(std::isnan(fill));

    std::vector<double> values(381 * 9);
    nc_get_var_double(id, variable, values.data());
    double low = values[0], high = values[0];
    for (std::size_t i = 0; i < 3; ++i) {
      for (std::size_t j = 0; j < 3; ++j) {
        const model::SiteCurve curve = model.curve(grid.latitudes[i], grid.longitudes[j]);
        for (std::size_t k = 0; k < 381; ++k) {
          const double value = values[(k * 3 + i) * 3 + j];
          low = std::min(low, value);
          high = std::max(high, value);
          if (!same_double(value, field_map::quantity_value(curve.epochs[k], quantity))) {
            ADD_FAILURE() << "node " << i << "," << j << " epoch " << k;
          }
        }
      }
    }
    std::array<double, 2> range{};
    nc_get_att_double(id, variable, "actual_range", range.data());
    EXPECT_EQ(range[0], low);
    EXPECT_EQ(range[1], high);
  }
  nc_close(id);
}

}  // namespace
