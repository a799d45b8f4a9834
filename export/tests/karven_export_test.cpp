// karven-export --model at one site and at many, run as a user runs it and
// held against the curve files that the built karven writes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "curve_export/curve_export.hpp"
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

// A command line that is refused: its exit status and whole message.
struct Refusal {
  std::vector<std::string> arguments;
  int status;
  std::string message;
};

// Each command line is refused as said, with nothing on standard output.
void expect_refused(const std::vector<Refusal>& rows) {
  for (const Refusal& row : rows) {
    SCOPED_TRACE(row.message);
    const testsupport::ProgramRun result = run_export(row.arguments);
    EXPECT_EQ(result.err, "karven-export: " + row.message);
    EXPECT_EQ(result.status, row.status);
    EXPECT_EQ(result.out, "");
  }
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
  const std::string usage = "\nTry 'karven-export --help'.\n";
  const std::vector<Refusal> rows = {
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
  expect_refused(rows);
  EXPECT_EQ(read_file("bad.csv"), "name,lat,long\nParis,48.85,2.35\n");
}

// --output - writes the one table or curve file to standard output, and
// nothing else: byte for byte the file that a name would get, with no file
// "-" or "-.csv" made. The three .ref files, and the files of many sites,
// are refused there; a pattern's missing folder is said once, before any
// site is computed.
TEST(KarvenExport, DashWritesTheTableOrTheCurveFileToStandardOutput) {
  const testsupport::ScopedWorkDir work;
  write_file("sites.csv", "name,lat,lon\nParis,48.85,2.35\nMadrid,40.4,-3.7\n");
  const std::vector<std::string> site = {"--model", MODEL, "--lat", "48.85", "--lon", "2.35"};
  const std::vector<std::string> sites = {"--model", MODEL, "--sites", "sites.csv"};
  for (const auto& [arguments, file] : {std::pair{site, std::string("out.dat")},
                                        {site, std::string("out.csv")},
                                        {sites, std::string("out.csv")}}) {
    SCOPED_TRACE(file);
    const std::string format = fs::path(file).extension().string().substr(1);
    std::vector<std::string> to_file = arguments;
    to_file.insert(to_file.end(), {"--format", format, "--output", file});
    ASSERT_EQ(run_export(to_file).status, 0);
    std::vector<std::string> to_output = arguments;
    to_output.insert(to_output.end(), {"--format", format, "--output", "-"});
    const testsupport::ProgramRun result = run_export(to_output);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, read_file(file));
    EXPECT_EQ(result.status, 0);
    fs::remove(file);
    EXPECT_EQ(testsupport::names_in("."), std::vector<std::string>{"sites.csv"});
  }

  const std::string usage = "\nTry 'karven-export --help'.\n";
  std::vector<std::string> ref = site;
  ref.insert(ref.end(), {"--output", "-"});
  std::vector<std::string> sites_ref = sites;
  sites_ref.insert(sites_ref.end(), {"-o", "-"});
  std::vector<std::string> sites_dat = sites;
  sites_dat.insert(sites_dat.end(), {"--format", "dat", "--output=-"});
  std::vector<std::string> missing = sites;
  missing.insert(missing.end(), {"--output", "missing/{name}"});
  std::vector<std::string> missing_deeper = sites;
  missing_deeper.insert(missing_deeper.end(), {"--format", "dat", "--output", "a/b/{name}/c"});
  expect_refused({
      {ref, 2,
       "--output - with --format ref: a curve takes three .ref files, _d, _i and _f, which "
       "standard output cannot keep apart; give a prefix, or --format csv for one table" +
           usage},
      {sites_ref, 2,
       "--output - with --format ref: a curve takes three .ref files, _d, _i and _f, which "
       "standard output cannot keep apart; give a prefix with {name}, or --format csv for one "
       "table" +
           usage},
      {sites_dat, 2,
       "--output - with --sites and --format dat: each site takes a curve file of its own, "
       "which standard output cannot keep apart; give a pattern with {name}, or --format csv "
       "for one table" +
           usage},
      {missing, 1, "--output missing/{name}: the folder missing does not exist\n"},
      {missing_deeper, 1, "--output a/b/{name}/c: the folder a/b does not exist\n"},
  });
  EXPECT_EQ(testsupport::names_in("."), std::vector<std::string>{"sites.csv"});
}

namespace global_model {

// A CSV table's lines split into fields at commas.
std::vector<std::vector<std::string>> table_rows(const std::vector<std::string>& lines,
                                                 std::size_t from) {
  std::vector<std::vector<std::string>> rows;
  for (std::size_t k = from; k < lines.size(); ++k) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
      const std::size_t comma = lines[k].find(',', start);
      fields.push_back(lines[k].substr(start, comma - start));
      if (comma == std::string::npos) break;
      start = comma + 1;
    }
    rows.push_back(std::move(fields));
  }
  return rows;
}

const std::string ARCH10K_SOURCE =
    "ARCH10k.1 (Constable, C., M. Korte and S. Panovska (2016): Persistent high paleosecular "
    "variation activity in Southern hemisphere for at least 10 000 years. Earth Planet. Sci. "
    "Lett. 453, 78-86)";

// ARCH10k.1 at Jerusalem (31.78 N, 35.22 E) by an independent evaluation:
// export/tests/reference_export.py. Year, D, I (degrees), F (microtesla).
struct FieldRow {
  double year, declination, inclination, intensity;
};
constexpr FieldRow JERUSALEM[] = {
    {-1000, 3.9257706458031838, 62.277744327062003, 66.497875406526504},
    {-995, 4.0655346487237729, 62.362477246650094, 66.683019389071731},
    {-500, -4.1960705942341949, 56.58686461038684, 63.016807995501999},
    {-5, -8.5445831357606234, 46.053238928184733, 51.714871344940335},
    {0, -8.4010205584659854, 45.874171192343653, 51.707548126647275},
};

// Degrees and microtesla, as the tables write them: six decimals.
constexpr double TOLERANCE = 5.1e-7;  // the tables' six decimals

// The curve of Jerusalem in the Iron Age: every 5 years from 1000 BC to
// 0, the model and its publication on the first line, no error columns,
// and the values of an independent evaluation.
TEST(KarvenExportGlobal, CurveOfJerusalemInTheIronAge) {
  const testsupport::ScopedWorkDir work;
  const testsupport::ProgramRun result =
      run_export({"--model", "ARCH10k.1", "--lat", "31.78", "--lon", "35.22", "--span", "-1000:0",
                  "--format", "csv"});
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.out, "Exported to ARCH10k.1.csv\n");
  EXPECT_EQ(result.status, 0);
  const std::vector<std::string> lines = testsupport::read_lines("ARCH10k.1.csv");
  ASSERT_EQ(lines.size(), 2U + 201U);
  EXPECT_EQ(lines[0],
            "# " + ARCH10K_SOURCE + " at 31.78 N, 35.22 E; no errors: the model gives none");
  EXPECT_EQ(lines[1], "year,declination,inclination,intensity");
  const auto rows = table_rows(lines, 2);
  for (std::size_t k = 0; k < rows.size(); ++k) {
    ASSERT_EQ(rows[k].size(), 4U) << lines[k + 2];
    EXPECT_EQ(std::stod(rows[k][0]), -1000.0 + 5.0 * static_cast<double>(k));
  }
  for (const FieldRow& expected : JERUSALEM) {
    SCOPED_TRACE(expected.year);
    const auto& row = rows[static_cast<std::size_t>((expected.year + 1000) / 5)];
    EXPECT_NEAR(std::stod(row[1]), expected.declination, TOLERANCE);
    EXPECT_NEAR(std::stod(row[2]), expected.inclination, TOLERANCE);
    EXPECT_NEAR(std::stod(row[3]), expected.intensity, TOLERANCE);
  }
}

// With --model-sigma: the table's errors are 1.96 sigma, the .ref files'
// sigma the one given, and their comments say so and name the model.
TEST(KarvenExportGlobal, ModelSigmaGivesTheErrorsOfTableAndRefFiles) {
  const testsupport::ScopedWorkDir work;
  const std::vector<std::string> site = {"--model",       "arch10k.1", "--lat",  "31.78",
                                         "--lon",         "35.22",     "--span", "-1000:-990",
                                         "--model-sigma", "2,2,3"};
  std::vector<std::string> csv = site;
  csv.insert(csv.end(), {"--format", "csv", "--output", "jerusalem"});
  testsupport::ProgramRun result = run_export(csv);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.status, 0);
  const std::vector<std::string> lines = testsupport::read_lines("jerusalem.csv");
  ASSERT_EQ(lines.size(), 5U);
  EXPECT_EQ(lines[0], "# " + ARCH10K_SOURCE +
                          " at 31.78 N, 35.22 E; errors: 95%, 1.96 times the sigma given with "
                          "--model-sigma");
  EXPECT_EQ(lines[1],
            "year,declination,inclination,intensity,declination_error_95,inclination_error_95,"
            "intensity_error_95");
  const auto rows = table_rows(lines, 2);
  EXPECT_EQ(std::vector<std::string>(rows[0].begin() + 4, rows[0].end()),
            (std::vector<std::string>{"3.92", "3.92", "5.88"}));

  result = run_export(site);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.out,
            "Exported to ARCH10k.1_d.ref\nExported to ARCH10k.1_i.ref\nExported to "
            "ARCH10k.1_f.ref\n");
  EXPECT_EQ(result.status, 0);
  const std::vector<std::string> ref = testsupport::read_lines("ARCH10k.1_f.ref");
  ASSERT_EQ(ref.size(), 6U + 3U);
  EXPECT_EQ(std::vector<std::string>(ref.begin(), ref.begin() + 6),
            (std::vector<std::string>{
                "# ARCH10k.1 palaeosecular variation curve: intensity",
                "# Site: geodetic latitude 31.78, longitude 35.22 (degrees, north and east "
                "positive)",
                "# Component: intensity, in microtesla", "# Columns: year (AD), value, sigma",
                "# sigma is one standard deviation given to the model's curve with "
                "--model-sigma; the model gives none",
                "# From " + ARCH10K_SOURCE}));
  const auto data = table_rows(ref, 6);
  EXPECT_EQ(data[0][0], "-1000");
  EXPECT_NEAR(std::stod(data[0][1]), JERUSALEM[0].intensity, TOLERANCE);
  EXPECT_EQ(data[0][2], "3");
}

// A model whose file has a trailer after its coefficients: one line says
// how many numbers were left unread, and the export goes on.
TEST(KarvenExportGlobal, SaysWhatATrailerLeavesUnread) {
  const testsupport::ScopedWorkDir work;
  const testsupport::ProgramRun result =
      run_export({"--model", "arhimag1k", "--lat", "53.87", "--lon", "10.81", "--span", "1500:1510",
                  "--format", "csv"});
  EXPECT_EQ(result.err,
            "karven-export: arhimag1k: 14760 numbers after the coefficients are left unread and "
            "not used\n");
  EXPECT_EQ(result.out, "Exported to arhimag1k.csv\n");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(testsupport::read_lines("arhimag1k.csv").size(), 2U + 3U);
}

// At a geographic pole the declination is undefined: empty fields in the
// table and no .ref file of it, each said, never a number.
TEST(KarvenExportGlobal, LeavesTheDeclinationOutAtAPole) {
  const testsupport::ScopedWorkDir work;
  const std::vector<std::string> pole = {"--model", "ARCH10k.1", "--lat",  "-90",
                                         "--lon",   "0",         "--span", "0:10:10"};
  std::vector<std::string> csv = pole;
  csv.insert(csv.end(), {"--format", "csv"});
  testsupport::ProgramRun result = run_export(csv);
  EXPECT_EQ(result.err,
            "karven-export: ARCH10k.1 at 90.00 S, 0.00 E: the declination is undefined at a "
            "geographic pole; its fields are left empty in ARCH10k.1.csv\n");
  EXPECT_EQ(result.status, 0);
  const auto rows = table_rows(testsupport::read_lines("ARCH10k.1.csv"), 2);
  ASSERT_EQ(rows.size(), 2U);
  for (const auto& row : rows) EXPECT_EQ(row[1], "");

  std::vector<std::string> ref = pole;
  ref.insert(ref.end(), {"--model-sigma", "1,1,1"});
  result = run_export(ref);
  EXPECT_EQ(result.err,
            "karven-export: ARCH10k.1 at 90.00 S, 0.00 E: the declination has no value at any "
            "year (undefined at a pole), and a reference curve needs 2; ARCH10k.1_d.ref is not "
            "written\n");
  EXPECT_EQ(result.out, "Exported to ARCH10k.1_i.ref\nExported to ARCH10k.1_f.ref\n");
  EXPECT_EQ(result.status, 1);
  EXPECT_FALSE(fs::exists("ARCH10k.1_d.ref"));
}

// A global model given by its file: the files name it without the user's
// folders, as they name a coefficient file.
TEST(KarvenExportGlobal, NamesAModelFileWithoutItsFolders) {
  const testsupport::ScopedWorkDir work;
  const testsupport::ProgramRun result =
      run_export({"--model", std::string(KARVEN_MODELS_FOLDER) + "/gufm1", "--lat", "10", "--lon",
                  "10", "--span", "1600:1610:10", "--format", "csv"});
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.out, "Exported to gufm1.csv\n");
  const std::vector<std::string> lines = testsupport::read_lines("gufm1.csv");
  ASSERT_EQ(lines.size(), 4U);
  EXPECT_EQ(lines[0],
            "# the global model in gufm1 at 10.00 N, 10.00 E; no errors: the model gives none");
}

// Many sites in one run: each site's rows are those of its own export.
TEST(KarvenExportGlobal, SitesGoIntoOneTable) {
  const testsupport::ScopedWorkDir work;
  write_file("sites.csv",
             "name,lat,lon\nJerusalem,31.78,35.22\nLima,-12.05,-77.04\nNowhere,91,0\n");
  const testsupport::ProgramRun result = run_export(
      {"--model", "ARCH10k.1", "--sites", "sites.csv", "--span", "-1000:0:500", "--format", "csv"});
  EXPECT_EQ(result.err,
            "karven-export: sites.csv, line 4: the latitude 91 is not -90 to 90 degrees; not "
            "exported\n"
            "karven-export: sites.csv: 1 of 3 sites not exported\n");
  EXPECT_EQ(result.out, "Exported to sites_curves.csv: 2 sites, 6 rows\n");
  EXPECT_EQ(result.status, 1);
  const std::vector<std::string> lines = testsupport::read_lines("sites_curves.csv");
  ASSERT_EQ(lines.size(), 8U);
  EXPECT_EQ(lines[0], "# " + ARCH10K_SOURCE + "; no errors: the model gives none");
  EXPECT_EQ(lines[1], "name,lat,lon,year,declination,inclination,intensity");
  run_export({"--model", "ARCH10k.1", "--lat", "31.78", "--lon", "35.22", "--span", "-1000:0:500",
              "--format", "csv"});
  const std::vector<std::string> single = testsupport::read_lines("ARCH10k.1.csv");
  ASSERT_EQ(single.size(), 5U);
  for (std::size_t k = 0; k < 3; ++k)
    EXPECT_EQ(lines[k + 2], "Jerusalem,31.78,35.22," + single[k + 2]);
}

// The dipole in 1990 by the independent evaluation, and near the dipole of
// DGRF 1990 (g10 -29775, g11 -1848, h11 5406 nT: 7.841e22 A m^2, pole at
// 79.2 N, 71.1 W), to which the model is tied at its end.
TEST(KarvenExportGlobal, DipoleIn1990IsNearDgrf1990) {
  const testsupport::ScopedWorkDir work;
  const testsupport::ProgramRun result =
      run_export({"--model", "ARCH10k.1", "--dipole", "--span", "1980:1990:10"});
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.out, "Exported to ARCH10k.1_dipole.csv\n");
  EXPECT_EQ(result.status, 0);
  const std::vector<std::string> lines = testsupport::read_lines("ARCH10k.1_dipole.csv");
  ASSERT_EQ(lines.size(), 4U);
  EXPECT_EQ(lines[0], "# The dipole of " + ARCH10K_SOURCE +
                          ": moment in 10^22 A m^2, the geomagnetic north pole in geocentric "
                          "degrees (east positive)");
  EXPECT_EQ(lines[1], "year,dipole_moment,pole_latitude,pole_longitude");
  const auto row = table_rows(lines, 3)[0];
  EXPECT_EQ(row[0], "1990");
  EXPECT_NEAR(std::stod(row[1]), 7.8371998079698155, 5e-7);
  EXPECT_NEAR(std::stod(row[2]), 79.258251180625777, 5e-7);
  EXPECT_NEAR(std::stod(row[3]), -71.04626367408396, 5e-7);
  EXPECT_NEAR(std::stod(row[1]), 7.841, 0.02);
  EXPECT_NEAR(std::stod(row[2]), 79.2, 0.2);
  EXPECT_NEAR(std::stod(row[3]), -71.1, 0.5);

  // The same table on standard output.
  const testsupport::ProgramRun piped =
      run_export({"--model", "ARCH10k.1", "--dipole", "--span", "1980:1990:10", "--output", "-"});
  EXPECT_EQ(piped.err, "");
  EXPECT_EQ(piped.out, read_file("ARCH10k.1_dipole.csv"));
  EXPECT_EQ(piped.status, 0);
}

// Each refusal of a global model (and of its options with the regional
// one): the status and the whole message, no file written.
TEST(KarvenExportGlobal, RefusesWhatCannotBeExported) {
  const testsupport::ScopedWorkDir work;
  fs::copy_file(MODEL, "model.inp");
  const std::string usage = "\nTry 'karven-export --help'.\n";
  using Args = std::vector<std::string>;
  const Args jerusalem = {"--model", "ARCH10k.1", "--lat", "31.78", "--lon", "35.22"};
  const auto with = [&jerusalem](Args more) {
    Args all = jerusalem;
    all.insert(all.end(), more.begin(), more.end());
    return all;
  };
  struct Row {
    Args arguments;
    int status;
    std::string message;
  };
  const std::vector<Refusal> rows = {
      {jerusalem, 2,
       "--format ref (the default) needs --model-sigma D,I,F: a .ref file gives each value's "
       "sigma, and a global model gives none; give one standard deviation of the curve in "
       "degrees, degrees and microtesla, or give --format csv" +
           usage},
      {with({"--format", "dat", "--model-sigma", "1,1,1"}), 2,
       "--format dat writes the regional model's curve file, at its 381 epochs with their "
       "errors; a global model has none: give --format csv or ref" +
           usage},
      {{"--model", "model.inp", "--lat", "48", "--lon", "2", "--span", "0:100"},
       2,
       "--span is for a global model: the regional model's curve comes at its own epochs, 0 to "
       "1900 AD, with its own errors" +
           usage},
      {{"--model", "model.inp", "--sites", "s.csv", "--model-sigma", "1,1,1"},
       2,
       "--model-sigma is for a global model: the regional model's curve comes at its own "
       "epochs, 0 to 1900 AD, with its own errors" +
           usage},
      {{"--model", "model.inp", "--dipole"},
       2,
       "--dipole is a global model's: give --model with a bundled model's name (ARCH10k.1, ...) "
       "or a global model's file" +
           usage},
      {with({"--dipole"}), 2,
       "--dipole gives the model's dipole, at no site and without errors: leave out --lat" + usage},
      {{"--model", "ARCH10k.1", "--dipole", "--format", "ref"},
       2,
       "--dipole writes a CSV table: give --format csv" + usage},
      {{"--model", "ARCH10k", "--lat", "31.78", "--lon", "35.22", "--format", "csv"},
       1,
       "--model: \"ARCH10k\" is neither a bundled model nor a file; the bundled models are "
       "ARCH10k.1, CALS10k.2, HFM.OL1.A1, pfm9k.1a, arhimag1k, gufm1, LSMOD.2, GGF100k\n"},
      {{"--model", "ARCH10k.1", "--lat", "-90.5", "--lon", "0", "--format", "csv"},
       1,
       "the latitude -90.5 is not -90 to 90 degrees\n"},
      {{"--model", "ARCH10k.1", "--lat", "0", "--lon", "361", "--format", "csv"},
       1,
       "the longitude 361 is not -180 to 360 degrees\n"},
      {with({"--format", "csv", "--span", "1900:2000"}), 1,
       "--span: 1900:2000 is outside the span of ARCH10k.1, -8000 to 1990\n"},
      {with({"--format", "csv", "--span", "0:100:0"}), 1,
       "--span: the step must be a positive whole number of years, read \"0:100:0\"\n"},
      {with({"--model-sigma", "2,-1,3"}), 1,
       "--model-sigma: expected D,I,F, one standard deviation of the model's curve in degrees, "
       "degrees and microtesla, each 0 or more, read \"2,-1,3\"\n"},
  };
  expect_refused(rows);
  EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), 1);
}

}  // namespace global_model

}  // namespace
