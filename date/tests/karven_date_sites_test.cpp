// karven-date at the sites of the samples: the model's curve evaluated at
// each site (--model), and a measurement relocated to the site of the curve
// it is dated against. Run as a user would, on the demonstration model.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "testsupport/testsupport.hpp"

namespace {

namespace fs = std::filesystem;
using testsupport::read_file;
using testsupport::write_file;

class KarvenDateSites : public testing::Test {
 protected:
  void SetUp() override { fs::copy_file(KARVEN_DEMO_COEFFICIENTS, "demo.inp"); }

  testsupport::ProgramRun date(const std::vector<std::string>& arguments) {
    testsupport::ProgramCall call;
    call.program = KARVEN_DATE_PROGRAM;
    call.arguments = arguments;
    return testsupport::run_program(call);
  }

  // The curve file that karven writes for the answers, renamed.
  void write_curve(const std::string& latitude, const std::string& longitude,
                   const std::string& name) {
    fs::copy_file("demo.inp", "KARVEN_coeff.inp", fs::copy_options::overwrite_existing);
    const auto run =
        testsupport::run_program_binary(KARVEN_PROGRAM, latitude + "\n" + longitude + "\n");
    ASSERT_EQ(run.status, 0) << run.err;
    fs::rename("psvc_karven.eu.26.dat", name);
    fs::remove("KARVEN_coeff.inp");
  }

  testsupport::ScopedWorkDir work_;
};

// A JSON dating without the words that name where its curve came from.
nlohmann::json without_source(const std::string& text) {
  nlohmann::json json = nlohmann::json::parse(text);
  json.erase("curve");
  json.erase("site");
  return json;
}

TEST_F(KarvenDateSites, TheModelAtTheSiteDatesAsTheSitesCurveFile) {
  const std::vector<std::string> measurement = {
      "--dec",       "4",   "--inc",   "64.5", "--a95",   "2.5", "--int", "59",
      "--sigma-int", "2.5", "--level", "68",   "--level", "95",  "--json"};
  // The cap's pole typed as such (nudged), a corner of the region, Paris.
  for (const auto& [latitude, longitude] :
       {std::pair{"45", "8"}, {"35", "-15"}, {"48.85", "2.35"}}) {
    SCOPED_TRACE(std::string(latitude) + " " + longitude);
    write_curve(latitude, longitude, "site.dat");
    std::vector<std::string> one_step = measurement, two_step = measurement;
    one_step.insert(one_step.end(), {"--model", "demo.inp", "--lat", latitude, "--lon", longitude,
                                     "--density", "one.csv"});
    two_step.insert(two_step.end(), {"--density", "two.csv", "site.dat"});
    const auto one = date(one_step);
    const auto two = date(two_step);
    ASSERT_EQ(one.status, 0) << one.err;
    ASSERT_EQ(two.status, 0) << two.err;
    EXPECT_EQ(without_source(one.out), without_source(two.out));
    EXPECT_EQ(read_file("one.csv"), read_file("two.csv"));
    fs::remove("site.dat");
  }
}

// A made-up hearth at Luebeck (53.87 N, 10.81 E), dated against the curve
// of Paris: its direction moves to D 8.725538204087062, I 66.875319320863113
// there, 809.31301965 km away (unit vectors at 40
// digits, dating/tests/reference/relocation_reference.py); its intensity
// by sqrt(1 + 3 sin^2 48.85) / sqrt(1 + 3 sin^2 53.87) = 0.955721827268804.
TEST_F(KarvenDateSites, RelocatesAMeasurementToTheCurvesSite) {
  write_curve("48.85", "2.35", "paris.dat");
  const auto relocated =
      date({"--dec", "9.6", "--inc", "70.9", "--a95", "2.8", "--int", "60.2", "--sigma-int", "2.2",
            "--lat", "53.87", "--lon", "10.81", "--json", "paris.dat"});
  const auto digits = [](double value) {
    std::array<char, 32> text{};
    (void)std::snprintf(text.data(), text.size(), "%.17g", value);
    return std::string(text.data());
  };
  const auto as_at_paris =
      date({"--dec", "8.725538204087062", "--inc", "66.875319320863113", "--a95", "2.8", "--int",
            digits(60.2 * 0.955721827268804), "--sigma-int", digits(2.2 * 0.955721827268804),
            "--json", "paris.dat"});
  ASSERT_EQ(relocated.status, 0) << relocated.err;
  nlohmann::json json = nlohmann::json::parse(relocated.out);
  const nlohmann::json expected = nlohmann::json::parse(as_at_paris.out);
  EXPECT_EQ(json["site"], nlohmann::json::parse(R"({"lat":53.87,"lon":10.81})"));
  EXPECT_NEAR(json["relocation"]["distance_km"].get<double>(), 809.31301965, 1e-6);
  EXPECT_NEAR(json["relocation"]["dec"].get<double>(), 8.725538204087062, 1e-8);
  EXPECT_NEAR(json["relocation"]["inc"].get<double>(), 66.875319320863113, 1e-8);
  EXPECT_EQ(json["relocation"]["declination_assumed"], false);
  for (const char* name : {"mode", "levels", "components", "span"}) {
    EXPECT_EQ(json[name], expected[name]) << name;
  }

  // The report says where the sample was measured and what it became; a
  // site beyond 1000 km is warned of. Madrid's inclination of 58 degrees
  // goes through the axial dipole's pole to 65.098214649 at Paris, 1053.73
  // km away (the same script).
  const auto far = date({"--inc", "58", "--a95", "3", "--lat", "40.4", "--lon", "-3.7", "--name",
                         "Madrid", "paris.dat"});
  const std::vector<std::string> lines = testsupport::split_lines(far.out);
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[1], "  site:               40.40 N, 3.70 W");
  EXPECT_EQ(lines[3],
            "  relocated:          to 48.85 N, 2.35 E, 1054 km: I 65.10 deg (through the pole "
            "with D taken as 0, the axial dipole's)");
  EXPECT_EQ(lines.back(),
            "  warning:            the sample's site lies 1054 km from the curve's: relocation "
            "errors of several degrees are usual at that distance; the model's curve at the "
            "site itself needs none");
}

TEST_F(KarvenDateSites, DatesEachRowAtItsOwnSiteAndRefusesWhatHasNone) {
  write_file("floors.csv",
             "name,inc,a95,lat,lon\n"
             "Paris,64.5,2.5,48.85,2.35\n"
             "Luebeck,70.9,2.8,53.87,10.81\n"
             "Nowhere,64.5,2.5,,\n"
             "North Cape,78,2.5,71.17,25.78\n"
             "Half,64.5,2.5,48.85,\n");
  const auto batch = date({"--model", "demo.inp", "--samples", "floors.csv", "--json"});
  EXPECT_EQ(batch.status, 1);
  EXPECT_EQ(batch.err,
            "karven-date: floors.csv, line 4: no site: give the row's lat and lon, or --lat and "
            "--lon for the rows without one\n"
            "karven-date: floors.csv, line 5: the site 71.17, 25.78 lies outside the model's "
            "region: latitude 35 N to 60 N, longitude 15 W to 30 E\n"
            "karven-date: floors.csv, line 6: the site needs both lat and lon; lon is missing\n");
  const nlohmann::json rows = nlohmann::json::parse(batch.out);
  ASSERT_EQ(rows.size(), 5u);
  // Each dated row is the dating at its own site.
  for (const auto& [row, latitude, longitude] :
       {std::tuple{0, "48.85", "2.35"}, {1, "53.87", "10.81"}}) {
    const auto alone = date({"--model", "demo.inp", "--lat", latitude, "--lon", longitude, "--inc",
                             rows[row]["name"] == "Paris" ? "64.5" : "70.9", "--a95",
                             rows[row]["name"] == "Paris" ? "2.5" : "2.8", "--json"});
    nlohmann::json expected = nlohmann::json::parse(alone.out);
    expected["name"] = rows[row]["name"];
    EXPECT_EQ(rows[row], expected);
  }
  // --lat and --lon give the site of the rows without one.
  const auto defaulted = date({"--model", "demo.inp", "--samples", "floors.csv", "--json", "--lat",
                               "48.85", "--lon", "2.35"});
  const nlohmann::json with_default = nlohmann::json::parse(defaulted.out);
  EXPECT_EQ(with_default[2]["mode"], rows[0]["mode"]);
  EXPECT_EQ(with_default[2]["site"], rows[0]["site"]);
}

TEST_F(KarvenDateSites, RefusesSitesThatCannotBeUsed) {
  write_curve("48.85", "2.35", "paris.dat");
  write_file("i.ref", "0,60,1\n1900,70,1\n");
  struct Row {
    std::vector<std::string> arguments;
    std::string message;
    int status;
  };
  const std::vector<Row> rows = {
      {{"--inc", "60", "--a95", "2", "--model", "demo.inp", "paris.dat"},
       "--model and the curve file paris.dat exclude each other: date against the model at the "
       "site or a curve",
       2},
      {{"--inc", "60", "--a95", "2", "--model", "demo.inp"},
       "--model dates at the measurement's site: give it with --lat and --lon",
       2},
      {{"--inc", "60", "--a95", "2", "--lat", "48", "paris.dat"},
       "--lat needs --lon: a site is given by both",
       2},
      {{"--inc", "60", "--a95", "2", "--ref-lat", "48", "--ref-lon", "2", "paris.dat"},
       "--ref-lat and --ref-lon give the site of .ref curves; no .ref file is given",
       2},
      {{"--inc", "60", "--a95", "2", "--model", "demo.inp", "--lat", "61", "--lon", "2.35"},
       "the site 61, 2.35 lies outside the model's region: latitude 35 N to 60 N, longitude 15 "
       "W to 30 E",
       1},
      {{"--inc", "60", "--a95", "2", "--lat", "95", "--lon", "2", "paris.dat"},
       "--lat: a latitude lies between -90 and 90 degrees: 95",
       1},
      {{"--inc", "60", "--a95", "2", "--lat", "48", "--lon", "2", "--ref-inc", "i.ref"},
       "the sample's site is known but the .ref curves' is not: give it with --ref-lat and "
       "--ref-lon, or date the sample as measured without its site",
       1},
      {{"--inc", "60", "--a95", "2", "--model", "missing.inp", "--lat", "48", "--lon", "2"},
       "the coefficient file missing.inp cannot be opened: No such file or directory",
       1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.message);
    const auto result = date(row.arguments);
    const std::string hint = row.status == 2 ? "Try 'karven-date --help'.\n" : "";
    EXPECT_EQ(result.err, "karven-date: " + row.message + "\n" + hint);
    EXPECT_EQ(result.status, row.status);
  }
  // With the site of the .ref curve given, the sample is relocated to it.
  const auto given = date({"--inc", "60", "--a95", "2", "--lat", "48", "--lon", "2", "--ref-inc",
                           "i.ref", "--ref-lat", "48.85", "--ref-lon", "2.35", "--json"});
  EXPECT_EQ(given.status, 0) << given.err;
  EXPECT_EQ(nlohmann::json::parse(given.out)["relocation"]["to"],
            nlohmann::json::parse(R"({"lat":48.85,"lon":2.35})"));
}

}  // namespace
