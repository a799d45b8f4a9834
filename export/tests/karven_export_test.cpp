// karven-export --model at one site and at many, run as a user runs it and
// held against the curve files that the built karven writes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "export/curve_export.hpp"
#include "testsupport/testsupport.hpp"

namespace {

namespace fs = std::filesystem;
using testsupport::read_file;
using testsupport::write_file;

const std::string MODEL = KARVEN_DEMO_COEFFICIENTS;

testsupport::ProgramRun run(const std::string& program, std::vector<std::string> arguments,
                            std::string input = "") {
  testsupport::ProgramCall call;
  call.program = program;
  call.arguments = std::move(arguments);
  call.input = std::move(input);
  return testsupport::run_program(call);
}

testsupport::ProgramRun run_export(std::vector<std::string> arguments) {
  return run(KARVEN_EXPORT_PROGRAM, std::move(arguments));
}

// The curve file that karven writes for the answers, in a folder of its own.
std::string karven_curve_file(const std::string& latitude, const std::string& longitude) {
  const fs::path folder = "karven-" + latitude + "_" + longitude;
  fs::create_directory(folder);
  fs::copy_file(MODEL, folder / "KARVEN_coeff.inp");
  const fs::path here = fs::current_path();
  fs::current_path(folder);
  const testsupport::ProgramRun result =
      run(KARVEN_PROGRAM, {}, latitude + "\n" + longitude + "\n");
  fs::current_path(here);
  EXPECT_EQ(result.status, 0) << result.err;
  return read_file(folder / "psvc_karven.eu.26.dat");
}

// --format dat writes karven's curve file for the same answers, byte for
// byte: at the cap's pole (computed 0.001 degrees off it), at a corner of
// the region and at Paris. A file of the curve file's name is its point.
TEST(KarvenExport, DatIsTheCurveFileOfKarven) {
  const testsupport::ScopedWorkDir work;
  for (const auto& [latitude, longitude] :
       {std::pair{"45", "8"}, {"60", "-15"}, {"35", "30"}, {"48.85", "2.35"}}) {
    SCOPED_TRACE(std::string(latitude) + " " + longitude);
    const testsupport::ProgramRun result =
        run_export({"--model", MODEL, "--lat", latitude, "--lon", longitude, "--format", "dat"});
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, "Exported to psvc_karven.eu.26.dat\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(read_file("psvc_karven.eu.26.dat"), karven_curve_file(latitude, longitude));
  }
}

// The .ref files of the model's curve name the coefficient file, not its
// folders, and the site as its curve file shows it.
TEST(KarvenExport, RefFilesOfTheModelNameTheCoefficientFileAndTheSite) {
  const testsupport::ScopedWorkDir work;
  const testsupport::ProgramRun result =
      run_export({"--model", MODEL, "--lat", "48.853", "--lon", "2.35"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out,
            "Exported to psvc_karven.eu.26_d.ref\nExported to psvc_karven.eu.26_i.ref\n"
            "Exported to psvc_karven.eu.26_f.ref\n");
  const std::vector<std::string> lines = testsupport::read_lines("psvc_karven.eu.26_i.ref");
  ASSERT_GE(lines.size(), 7U);
  EXPECT_EQ(lines[1],
            "# Site: geodetic latitude 48.85, longitude 2.35 (degrees, north and east positive)");
  EXPECT_EQ(lines[5], "# From the coefficient file demo_coeff.inp");
}

// One long table of many sites: each site's rows are the rows of the CSV
// table of its curve file. A bad row, a site outside the region and a second
// site of a name are said with their lines; the others are exported, and the
// run fails.
TEST(KarvenExport, SitesGoIntoOneTableAndBadRowsAreSaid) {
  const testsupport::ScopedWorkDir work;
  write_file("sites.csv",
             "name,lat,lon\r\n"
             "Paris,48.85,2.35\r\n"
             "Cairo,30.04,31.24\r\n"
             "\"York, UK\",53.96,-1.08\r\n"
             "Bad,4x.85,2\r\n"
             "Paris,40.4,-3.7\r\n");
  testsupport::ProgramRun result =
      run_export({"--model", MODEL, "--sites", "sites.csv", "--format", "csv"});
  EXPECT_EQ(result.out, "Exported to sites_curves.csv: 2 sites, 762 rows\n");
  EXPECT_EQ(result.err,
            "karven-export: sites.csv, line 3: the site 30.04, 31.24 lies outside the model's "
            "region: latitude 35 N to 60 N, longitude 15 W to 30 E; not exported\n"
            "karven-export: sites.csv, line 5, column lat: expected a number of degrees, read "
            "\"4x.85\"\n"
            "karven-export: sites.csv, line 6: a second site named \"Paris\", after the one at "
            "line 2; not exported\n"
            "karven-export: sites.csv: 3 of 5 sites not exported\n");
  EXPECT_EQ(result.status, 1);

  write_file("paris.dat", karven_curve_file("48.85", "2.35"));
  write_file("york.dat", karven_curve_file("53.96", "-1.08"));
  ASSERT_EQ(run_export({"--format", "csv", "paris.dat"}).status, 0);
  ASSERT_EQ(run_export({"--format", "csv", "york.dat"}).status, 0);
  std::string expected = std::string(curve_export::SITES_CSV_HEADER) + "\n";
  for (const auto& [file, start] :
       {std::pair{"paris.csv", "Paris,48.85,2.35,"}, {"york.csv", "\"York, UK\",53.96,-1.08,"}}) {
    const std::vector<std::string> rows = testsupport::read_lines(file);
    for (std::size_t k = 1; k < rows.size(); ++k) expected += start + rows[k] + "\n";
  }
  EXPECT_EQ(read_file("sites_curves.csv"), expected);
}

// Files named by a pattern: names made safe, two sites whose files would
// have one name refused; a pattern without {name} is a wrong command line.
TEST(KarvenExport, SitesFilesAreNamedByThePattern) {
  const testsupport::ScopedWorkDir work;
  write_file("sites.csv", "lon,name,lat\n2.35,Paris?,48.85\n-3.7,Paris/,40.4\n8,,45\n");
  fs::create_directory("out");
  testsupport::ProgramRun result = run_export(
      {"--model", MODEL, "--sites", "sites.csv", "--format", "dat", "--output", "out/{name}"});
  EXPECT_EQ(result.out, "Exported to out/Paris_.dat\nExported to out/line_4.dat\n");
  EXPECT_EQ(result.err,
            "karven-export: sites.csv, line 3: the site \"Paris/\" would be written to "
            "out/Paris_.dat, as the site \"Paris?\" of line 2 is; not exported\n"
            "karven-export: sites.csv: 1 of 3 sites not exported\n");
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(read_file("out/line_4.dat"), karven_curve_file("45", "8"));

  result = run_export({"--model", MODEL, "--sites", "sites.csv", "--output", "curves"});
  EXPECT_EQ(result.err,
            "karven-export: --output: with --sites, the files' names need {name}, which each "
            "site's name replaces: e.g. --output 'curves/{name}'\n"
            "Try 'karven-export --help'.\n");
  EXPECT_EQ(result.status, 2);
}

// Every refusal of --model, --lat, --lon and --sites, through the command.
TEST(KarvenExport, RefusesWhatTheModelCannotExport) {
  const testsupport::ScopedWorkDir work;
  fs::copy_file(MODEL, "model.inp");
  fs::create_hard_link("model.inp", "linked.dat");
  write_file("curve.dat", "");
  write_file("bad.csv", "name,lat,long\nParis,48.85,2.35\n");
  struct Row {
    std::vector<std::string> arguments;
    int status;
    std::string message;
  };
  const std::string usage = "\nTry 'karven-export --help'.\n";
  const std::vector<Row> rows = {
      {{"--model", "model.inp", "--lat", "48", "--lon", "2", "curve.dat"},
       2,
       "a curve file and --model exclude each other: give one or the other" + usage},
      {{"--lat", "48", "--lon", "2"},
       2,
       "--lat gives the site of --model: give the coefficient file with --model FILE" + usage},
      {{"--sites", "bad.csv"},
       2,
       "--sites gives the sites of --model: give the coefficient file with --model FILE" + usage},
      {{"--model", "model.inp"},
       2,
       "--model needs the site: give --lat and --lon, or many sites with --sites FILE" + usage},
      {{"--model", "model.inp", "--lat", "48"},
       2,
       "--model needs the site: give --lon as well" + usage},
      {{"--model", "model.inp", "--lon", "2", "--sites", "bad.csv"},
       2,
       "--lon and --sites exclude each other: give one site with --lat and --lon, or many with "
       "--sites" +
           usage},
      {{"--format", "dat", "curve.dat"},
       2,
       "--format dat writes the curve file of a site of --model: give --model FILE with --lat "
       "and --lon, or --sites" +
           usage},
      {{"--format", "xls"}, 2, "unknown format \"xls\": give ref, csv or dat" + usage},
      {{"--model", "model.inp", "--sites", "bad.csv", "--format", "csv", "--output", "{name}.csv"},
       2,
       "--output: with --format csv the sites go into one table, whose name takes no {name}" +
           usage},
      {{"--model", "model.inp", "--lat", "60.5", "--lon", "2"},
       1,
       "the site 60.5, 2 lies outside the model's region: latitude 35 N to 60 N, longitude 15 "
       "W to 30 E\n"},
      {{"--model", "model.inp", "--lat", "48.85", "--lon", "2,35"},
       1,
       "--lon: expected a number of degrees, read \"2,35\"\n"},
      {{"--model", "model.inp", "--lat", "48", "--lon", "2", "--format", "dat", "--output",
        "linked.dat"},
       1,
       "the export linked.dat would replace the coefficient file model.inp; give another "
       "--output\n"},
      {{"--model", "model.inp", "--sites", "bad.csv"},
       1,
       "bad.csv, line 1: unknown column \"long\"; the columns are name, lat, lon\n"},
      {{"--model", "model.inp", "--sites", "bad.csv", "--format", "csv", "--output", "bad.csv"},
       1,
       "the table bad.csv would replace the sites file bad.csv; give another --output\n"},
      {{"--model", "model.inp", "--sites", "missing.csv"},
       1,
       "cannot read missing.csv: No such file or directory\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.message);
    const testsupport::ProgramRun result = run_export(row.arguments);
    EXPECT_EQ(result.err, "karven-export: " + row.message);
    EXPECT_EQ(result.status, row.status);
    EXPECT_EQ(result.out, "");
  }
  EXPECT_EQ(read_file("bad.csv"), "name,lat,long\nParis,48.85,2.35\n");
}

}  // namespace
