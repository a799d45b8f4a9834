// Runs the built karven-date as a user would, on a curve whose datings are
// known in closed form: D = 0, I = 50 + 0.01 t degrees and F = 40 + 0.02 t
// microtesla, with constant errors. The intervals quoted come from
// date/tests/reference/linear_curve.py.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "curve/tests/synthetic_curve.hpp"
#include "testsupport/testsupport.hpp"

namespace {

namespace fs = std::filesystem;
using testsupport::read_file;
using testsupport::write_file;

const std::string PROGRAM = KARVEN_DATE_PROGRAM;

// 95% errors 1.96, 0.98 and 1.96: sigmas 1, 0.5 and 1.
std::string linear_curve_text() {
  std::string text = curve_test::curve_header(40.4, -3.7);
  for (int k = 0; k <= 380; ++k) {
    const double year = 5.0 * k;
    text += curve_test::curve_line(year,
                                   {0.0, 50.0 + 0.01 * year, 40.0 + 0.02 * year, 1.96, 0.98, 1.96});
  }
  return text;
}

class KarvenDate : public testing::Test {
 protected:
  void SetUp() override { write_file("curve.dat", linear_curve_text()); }

  // MADE names a file that a command smuggled into a name would create.
  testsupport::ProgramRun run(const std::vector<std::string>& arguments) {
    testsupport::ProgramCall call;
    call.program = PROGRAM;
    call.arguments = arguments;
    call.changed_environment = {{"TMPDIR", tmpdir_.path().string()},
                                {"MADE", (work_.path() / "made").string()}};
    return testsupport::run_program(call);
  }

  testsupport::ScopedWorkDir work_;
  testsupport::TempFolder tmpdir_;
};

TEST_F(KarvenDate, SaysWhatIsWrongWithAValueAndWhere) {
  struct Row {
    std::vector<std::string> arguments;
    std::string message;
  };
  const std::string complete = linear_curve_text();
  write_file("short.dat", complete.substr(0, complete.find(" \n      ")));
  write_file("decl.csv", "name,decl\nK1,3\n");
  write_file("twice.csv", "\xef\xbb\xbfinc, a95 ,inc\r\n60,2,61\r\n");
  write_file("header.csv", "\n  \nname,int,sigma_int\n\n");
  write_file("i.ref", "0,50,0.5\n1900,69,0.5\n");
  write_file("semi.ref", "0;50,0;0,5\n1900;69,0;0,5\n");
  write_file("x_d.ref", "0,0,1\n1900,0,1\n");
  write_file("f.ref", "# Component: intensity, in microtesla\n0,50,1\n1900,60,1\n");
  const std::vector<Row> rows = {
      {{"--inc", "6O", "--a95", "2"}, "--inc: expected a number, read \"6O\""},
      {{"--int", "nan", "--sigma-int", "2"}, "--int: NaN is not a measured value, read \"nan\""},
      {{"--inc", "60", "--a95", "-inf"},
       "--a95: an infinite value is not a measured value, read \"-inf\""},
      {{"--inc", "60", "--a95", "90"},
       "--a95: alpha95 must lie between 0 and 90 degrees, both excluded: 90"},
      {{"--inc", "-90.5", "--a95", "3"},
       "--inc: the inclination must lie between -90 and 90 degrees: -90.5"},
      {{"--dec", "10", "--inc", "90", "--a95", "3"},
       "--dec: a vertical direction (inclination 90 degrees) has no declination"},
      {{"--dec", "10", "--inc", "60"},
       "--dec: a declination needs the inclination and alpha95, since its error depends on "
       "both; alpha95 is missing"},
      {{"--int", "0", "--sigma-int", "2"}, "--int: the intensity must be positive: 0"},
      {{"--int", "59000", "--sigma-int", "2500"},
       "--int: the intensity is in microtesla, and 59000 uT is far above any field at the "
       "Earth's surface (200 uT at most); 59000 nT is 59 uT"},
      {{"--a95", "2"}, "--a95: alpha95 is given without an inclination"},
      {{"--sigma-int", "2"}, "--sigma-int: the intensity's sigma is given without an intensity"},
      {{"--int", "55", "--sigma-int", "-1"},
       "--sigma-int: the intensity's sigma must be positive: -1"},
      {{"--name", "K0"},
       "no component measured: give an inclination with its alpha95, an intensity with its "
       "sigma, or both"},
      {{"--inc", "60", "--a95", "2", "short.dat"},
       "short.dat ends after line 13, inside the 17-line header; not a curve file"},
      {{"--inc", "60", "--a95", "2", "missing.dat"},
       "cannot read missing.dat: No such file or directory"},
      {{"--inc", "60", "--a95", "2", "--density", "curve.dat", "curve.dat"},
       "the density file curve.dat would replace the curve file curve.dat"},
      {{"--samples", "missing.csv", "curve.dat"},
       "cannot read missing.csv: No such file or directory"},
      {{"--samples", "decl.csv", "curve.dat"},
       "decl.csv, line 1: unknown column \"decl\"; the columns are name, dec, inc, a95, int, "
       "sigma_int, lat, lon, event, c14_age, c14_sigma, c14_curve, delta_r, delta_r_sigma"},
      {{"--samples", "twice.csv", "curve.dat"}, "twice.csv, line 1: column inc twice"},
      {{"--samples", "header.csv", "curve.dat"},
       "header.csv has no rows below its header; nothing to date"},
      {{"--dec", "5", "--inc", "60", "--a95", "2", "--ref-inc", "i.ref"},
       "the declination is measured: give its reference curve with --ref-dec"},
      {{"--inc", "60", "--a95", "2", "--ref-inc", "semi.ref"},
       "semi.ref, line 1: fields separated by semicolons, as a spreadsheet with decimal commas "
       "writes them; save the curve with commas between the fields and a point as the decimal "
       "mark, e.g. 1200,64.1,2.0"},
      {{"--inc", "60", "--a95", "2", "--ref-inc", "i.ref", "--density", "i.ref"},
       "the density file i.ref would replace the reference curve i.ref"},
      {{"--inc", "60", "--a95", "2", "--ref-inc", "x_d.ref"},
       "x_d.ref holds the declination, as the suffix _d of its name says, but is given for the "
       "inclination"},
      {{"--inc", "60", "--a95", "2", "--ref-inc", "f.ref"},
       "f.ref holds the intensity, as its comment line \"Component: intensity\" says, but is "
       "given for the inclination"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.message);
    std::vector<std::string> arguments = row.arguments;
    const bool ref_files =
        std::any_of(arguments.begin(), arguments.end(),
                    [](const std::string& a) { return a.starts_with("--ref-"); });
    if (!ref_files && (arguments.empty() || !arguments.back().ends_with(".dat"))) {
      arguments.push_back("curve.dat");
    }
    const testsupport::ProgramRun result = run(arguments);
    EXPECT_EQ(result.err, "karven-date: " + row.message + "\n");
    EXPECT_EQ(result.status, 1);
  }
  EXPECT_EQ(read_file("curve.dat"), complete);
}

TEST_F(KarvenDate, AnswersAWrongCommandLineWithStatus2) {
  struct Row {
    std::vector<std::string> arguments;
    std::string message;
  };
  const std::vector<Row> rows = {
      {{"--inc"}, "option --inc needs a value"},
      {{"--dex", "3"}, "unknown option \"--dex\""},
      {{"--level", "100"}, "--level takes a percentage from 1 to below 100, e.g. 95; read \"100\""},
      {{"--level", "0.95"},
       "--level is in percent, e.g. --level 95 for 95%; read \"0.95\", which would be 0.95%"},
      {{"--inc", "60", "--level", "68", "95", "--a95", "2"},
       "--level takes one level; repeat the option for each, e.g. --level 68 --level 95"},
      {{"--samples", "s.csv", "--inc", "60"},
       "--inc is for one measurement; with --samples the file gives the values"},
      {{"--samples", "s.csv", "--figure", "fig.png"},
       "with --samples, --figure takes a file name pattern with {name}, e.g. "
       "\"dating_{name}.png\""},
      {{"--figure", "fig.jpg"},
       "cannot tell the format of \"fig.jpg\": end its name in .png, .svg or .pdf"},
      {{"--inc", "60", "--a95", "2", "--density", "x.png", "--figure", "./x.png"},
       "--density and --figure name the same file ./x.png"},
      {{"a.dat", "b.dat"}, "unexpected argument \"b.dat\""},
      {{"--ref-inc", "i.ref", "a.dat"},
       "the curve file a.dat and --ref-inc exclude each other: date against one or the other"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.message);
    const testsupport::ProgramRun result = run(row.arguments);
    EXPECT_EQ(result.err, "karven-date: " + row.message + "\nTry 'karven-date --help'.\n");
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.status, 2);
  }
}

TEST_F(KarvenDate, DatesABatchAndReportsItsBadRowsWithoutLosingTheOthers) {
  write_file("samples.csv",
             "name, inc, a95, int, sigma_int, dec\r\n"
             "K1,60.003,2.9376,,,\r\n"
             "K2,6x,2.9376,,,\r\n"
             "K3,,,60.006,2.4,\r\n"
             "\r\n"
             "K4,60.003,2.9376,60.006,2.4,0\r\n"
             "\"K5, far off\",80,2.448,,,\r\n"
             "K6,60,2\r\n"
             "K7,60,0,,,\r\n");
  const testsupport::ProgramRun result =
      run({"--samples", "samples.csv", "--level", "68", "--level", "95", "--density",
           "density_{name}.csv", "curve.dat"});
  EXPECT_EQ(result.err,
            "karven-date: samples.csv, line 3, column inc: expected a number, read \"6x\"\n"
            "karven-date: samples.csv, line 8: 3 fields, but the header names 6\n"
            "karven-date: samples.csv, line 9, column a95: alpha95 must lie between 0 and 90 "
            "degrees, both excluded: 0\n");
  const std::string curve_line =
      "  curve:              KARVEN.EU.26 at 40.40 N, 3.70 W (curve.dat), 0-1900 AD (1901 "
      "years)\n";
  EXPECT_EQ(result.out,
            "K1\n"
            "  measured:           I 60.003 deg, alpha95 2.9376 deg\n"
            "  sigmas used:        I 1.20 deg\n" +
                curve_line +
                "  most probable year: 1000 AD\n"
                "  68%: 871-1129 AD (68.1%); total 68.1%\n"
                "  95%: 746-1255 AD (95.0%); total 95.0%\n"
                "  density: density_K1.csv\n"
                "\n"
                "K2\n"
                "  not dated:          line 3, column inc: expected a number, read \"6x\"\n"
                "\n"
                "K3\n"
                "  measured:           F 60.006 uT, sigma 2.4 uT\n"
                "  sigmas used:        F 2.40 uT\n" +
                curve_line +
                "  most probable year: 1000 AD\n"
                "  68%: 871-1129 AD (68.1%); total 68.1%\n"
                "  95%: 746-1255 AD (95.0%); total 95.0%\n"
                "  density: density_K3.csv\n"
                "\n"
                "K4\n"
                "  measured:           D 0 deg, I 60.003 deg, alpha95 2.9376 deg, F 60.006 uT, "
                "sigma 2.4 uT\n"
                "  sigmas used:        D 2.40 deg, I 1.20 deg, F 2.40 uT\n" +
                curve_line +
                "  most probable year: 1000 AD\n"
                "  68%: 909-1091 AD (68.0%); total 68.0%\n"
                "  95%: 820-1180 AD (95.0%); total 95.0%\n"
                "  density: density_K4.csv\n"
                "\n"
                "K5, far off\n"
                "  measured:           I 80 deg, alpha95 2.448 deg\n"
                "  sigmas used:        I 1.00 deg\n" +
                curve_line +
                "  most probable year: 1900 AD\n"
                "  68%: 1888-1900 AD (68.7%); total 68.7%\n"
                "  95%: 1867-1900 AD (95.3%); total 95.3%\n"
                "  warning:            the 68% HPD interval ends at the curve's last year, 1900 "
                "AD: the date may lie after the curve's span\n"
                "  warning:            the 95% HPD interval ends at the curve's last year, 1900 "
                "AD: the date may lie after the curve's span\n"
                "  warning:            the measurement meets the curve nowhere: its smallest "
                "chi-square, 96.80 at 1900 AD, exceeds 3.841, the 95% point for 1 component; "
                "the date is doubtful\n"
                "  density: density_K5__far_off.csv\n"
                "\n"
                "line 8\n"
                "  not dated:          line 8: 3 fields, but the header names 6\n"
                "\n"
                "K7\n"
                "  not dated:          line 9, column a95: alpha95 must lie between 0 and 90 "
                "degrees, both excluded: 0\n"
                "\n"
                "Summary: 7 samples, 4 dated, 3 not dated\n"
                "name           used   mode     68%                   95%\n"
                "K1             I      1000 AD  871-1129 AD (68.1%)   746-1255 AD (95.0%)\n"
                "K2             -      -        not dated: line 3, column inc: expected a number, "
                "read \"6x\"\n"
                "K3             F      1000 AD  871-1129 AD (68.1%)   746-1255 AD (95.0%)\n"
                "K4             D I F  1000 AD  909-1091 AD (68.0%)   820-1180 AD (95.0%)\n"
                "K5, far off *  I      1900 AD  1888-1900 AD (68.7%)  1867-1900 AD (95.3%)\n"
                "line 8         -      -        not dated: line 8: 3 fields, but the header names "
                "6\n"
                "K7             -      -        not dated: line 9, column a95: alpha95 must lie "
                "between 0 and 90 degrees, both excluded: 0\n"
                "*: the sample has warnings; see its report above\n");
  EXPECT_EQ(result.status, 1);

  // Densities only for the dated rows, each to 10 significant digits; the
  // inclination's is the normal density in time of mean 1000.3 and spread
  // 130 years, normalised over the grid.
  std::vector<std::string> files;
  for (const auto& entry : fs::directory_iterator(".")) {
    if (entry.path().extension() == ".csv") files.push_back(entry.path().filename().string());
  }
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{"density_K1.csv", "density_K3.csv", "density_K4.csv",
                                             "density_K5__far_off.csv", "samples.csv"}));
  const std::vector<std::string> lines = testsupport::split_lines(read_file("density_K1.csv"));
  ASSERT_EQ(lines.size(), 1902u);
  EXPECT_EQ(lines[0], "year,I,combined");
  double sum = 0.0;
  for (int t = 0; t <= 1900; ++t) sum += std::exp(-0.5 * std::pow((t - 1000.3) / 130.0, 2));
  for (int t = 0; t <= 1900; ++t) {
    SCOPED_TRACE(lines[static_cast<std::size_t>(t) + 1]);
    const double expected = std::exp(-0.5 * std::pow((t - 1000.3) / 130.0, 2)) / sum;
    const std::string& line = lines[static_cast<std::size_t>(t) + 1];
    const std::size_t first = line.find(','), second = line.find(',', first + 1);
    ASSERT_EQ(line.substr(0, first), std::to_string(t));
    const std::string density = line.substr(first + 1, second - first - 1);
    EXPECT_EQ(density, line.substr(second + 1));                  // I alone: combined is I's
    EXPECT_NEAR(std::stod(density), expected, 5e-10 * expected);  // 10 digits
  }
  EXPECT_EQ(lines[1001], "1000,0.003068778601,0.003068778601");
}

// Probabilities rounded to four decimals, so that the whole text can be
// compared with values worked out elsewhere.
void round_probabilities(nlohmann::json& json) {
  if (json.is_object()) {
    for (auto& [key, value] : json.items()) {
      if ((key == "probability" || key == "total") && value.is_number_float()) {
        value = std::round(value.get<double>() * 1e4) / 1e4;
      } else {
        round_probabilities(value);
      }
    }
  } else if (json.is_array()) {
    for (auto& item : json) round_probabilities(item);
  }
}

TEST_F(KarvenDate, WritesOneDatingAsJsonWithStableNames) {
  const testsupport::ProgramRun result =
      run({"--dec", "0", "--inc", "60.003", "--a95", "2.9376", "--int", "60.006", "--sigma-int",
           "2.4", "--name", "K4", "--level", "68", "--level", "95", "--json", "curve.dat"});
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.status, 0);
  nlohmann::json json = nlohmann::json::parse(result.out);
  round_probabilities(json);
  // sigma_D = 2.9376 / (2.448 cos 60.003 deg) = 2.400217679...
  EXPECT_EQ(
      json.dump(),
      R"x({"components":["D","I","F"],"curve":"KARVEN.EU.26 at 40.40 N, 3.70 W (curve.dat)",)x"
      R"("levels":[)"
      R"({"intervals":[{"from":909,"probability":0.6805,"to":1091}],"level":68,"total":0.6805},)"
      R"({"intervals":[{"from":820,"probability":0.9504,"to":1180}],"level":95,"total":0.9504}],)"
      R"("mode":1000,"name":"K4","sigmas":{"D":2.400217679,"F":2.4,"I":1.2},)"
      R"("span":{"first":0,"last":1900},"warnings":[]})");
  // The names stand in this order in the output, the later ones last.
  const nlohmann::ordered_json ordered = nlohmann::ordered_json::parse(result.out);
  std::vector<std::string> names;
  for (const auto& [key, value] : ordered.items()) names.push_back(key);
  EXPECT_EQ(names, (std::vector<std::string>{"name", "components", "mode", "levels", "warnings",
                                             "sigmas", "span", "curve"}));
}

// A name in Latin-1 rather than UTF-8 is written with the replacement
// character, a row that cannot be dated with its error.
TEST_F(KarvenDate, WritesABatchAsAJsonArrayInTheFilesOrder) {
  write_file("samples.csv", "inc,name,a95\n60.003,Four \xe0 chaux,2.9376\n91,K2,3\n");
  const testsupport::ProgramRun result = run({"--samples", "samples.csv", "--json", "curve.dat"});
  EXPECT_EQ(result.err,
            "karven-date: samples.csv, line 3, column inc: the inclination must lie between -90 "
            "and 90 degrees: 91\n");
  EXPECT_EQ(result.status, 1);
  nlohmann::json json = nlohmann::json::parse(result.out);
  round_probabilities(json);
  EXPECT_EQ(json.dump(),
            "[{\"components\":[\"I\"],\"curve\":\"KARVEN.EU.26 at 40.40 N, 3.70 W (curve.dat)\","
            "\"levels\":[{\"intervals\":[{\"from\":746,"
            "\"probability\":0.9502,\"to\":1255}],\"level\":95,\"total\":0.9502}],\"mode\":1000,"
            "\"name\":\"Four \xef\xbf\xbd chaux\",\"sigmas\":{\"I\":1.2},"
            "\"span\":{\"first\":0,\"last\":1900},\"warnings\":[]},"
            "{\"error\":\"line 3, column inc: the inclination must lie between -90 and 90 "
            "degrees: 91\",\"name\":\"K2\"}]");
}

// Each row is dated over the years of the curves it uses: a declination
// curve of 100 to 1800 AD limits the row that measures D, not the row that
// measures I alone. The inclination curve is the linear curve's.
TEST_F(KarvenDate, DatesEachRowOverTheSpanOfTheCurvesItUses) {
  std::string inc = "# Component: inclination, in degrees\n";
  for (int year = 0; year <= 1900; year += 100) {
    inc += std::to_string(year) + "," + std::to_string(50 + year / 100) + ",0.5\n";
  }
  write_file("i.ref", inc);
  write_file("d.ref", "100,0,1\n1800,0,1\n");
  write_file("samples.csv", "name,dec,inc,a95\nK1,,60.003,2.9376\nK2,0,60.003,2.9376\n");
  const testsupport::ProgramRun result =
      run({"--samples", "samples.csv", "--ref-dec", "d.ref", "--ref-inc", "i.ref"});
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out,
            "K1\n"
            "  measured:           I 60.003 deg, alpha95 2.9376 deg\n"
            "  sigmas used:        I 1.20 deg\n"
            "  curve:              I: i.ref, 0-1900 AD (1901 years)\n"
            "  most probable year: 1000 AD\n"
            "  95%: 746-1255 AD (95.0%); total 95.0%\n"
            "\n"
            "K2\n"
            "  measured:           D 0 deg, I 60.003 deg, alpha95 2.9376 deg\n"
            "  sigmas used:        D 2.40 deg, I 1.20 deg\n"
            "  curve:              D: d.ref, I: i.ref, 100-1800 AD (1701 years)\n"
            "  most probable year: 1000 AD\n"
            "  95%: 746-1255 AD (95.0%); total 95.0%\n"
            "\n"
            "Summary: 2 samples, 2 dated, 0 not dated\n"
            "name  used  mode     95%\n"
            "K1    I     1000 AD  746-1255 AD (95.0%)\n"
            "K2    D I   1000 AD  746-1255 AD (95.0%)\n");
}

TEST_F(KarvenDate, DrawsTheDatingWithItsIntervals) {
  const testsupport::ProgramRun result = run(
      {"--inc", "60.003", "--a95", "2.9376", "--name", "K1", "--figure", "k1.svg", "curve.dat"});
  EXPECT_EQ(result.status, 0) << result.err;
  const std::string svg = read_file("k1.svg");
  for (const std::string text : {"Dating of K1 against KARVEN.EU.26 at 40.40 N, 3.70 W (curve.dat)",
                                 "Inclination (°)", "p(I)", "95% HPD: 746–1255", "Year (AD)"}) {
    SCOPED_TRACE(text);
    EXPECT_NE(svg.find(">" + text + "<"), std::string::npos);
  }
  EXPECT_TRUE(fs::is_empty(tmpdir_.path()));
}

// Commands in a sample's name, in a curve file's path and in a .ref
// file's path, which all reach the figure's title, run nothing; the names
// are drawn as they are, and the report shows a control character escaped.
TEST_F(KarvenDate, CommandsInNamesAndPathsRunNothing) {
  const std::string command = "`touch $MADE`$(touch $MADE);touch $MADE|'\"";
  const std::string curve = "c" + command + ".dat";
  const std::string ref = "i" + command + ".ref";
  write_file(curve, linear_curve_text());
  write_file(ref, "0,50,0.5\n1900,69,0.5\n");
  std::string field;  // in CSV quotes, each quote doubled
  for (const char c : "K" + command + "\x1b[2J") field += c == '"' ? "\"\"" : std::string(1, c);
  write_file("samples.csv", "name,inc,a95\n\"" + field + "\",60,2\n");
  struct Row {
    std::vector<std::string> arguments;
    std::string figure, title;
  };
  const std::vector<Row> rows = {
      {{"--inc", "60", "--a95", "2", "--name", "N" + command, "--figure", "a.svg", curve},
       "a.svg",
       "Dating of N" + command + " against KARVEN.EU.26 at 40.40 N, 3.70 W (" + curve + ")"},
      {{"--samples", "samples.csv", "--figure", "b_{name}.svg", curve},
       "b_K_touch__MADE___touch__MADE__touch__MADE_____2J.svg",
       "Dating of K" + command + "\\x1B[2J against KARVEN.EU.26 at 40.40 N, 3.70 W (" + curve +
           ")"},
      {{"--inc", "60", "--a95", "2", "--ref-inc", ref, "--figure", "c.svg"},
       "c.svg",
       "Dating of measurement against I: " + ref},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.figure);
    const testsupport::ProgramRun result = run(row.arguments);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out.substr(0, result.out.find('\n')),
              row.arguments[0] == "--samples" ? "K" + command + "\\x1B[2J"
              : row.arguments[4] == "--name"  ? "N" + command
                                              : "measurement");
    // The SVG holds the title as XML text.
    std::string title;
    for (const char c : row.title) {
      title += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : std::string(1, c);
    }
    EXPECT_NE(read_file(row.figure).find(title), std::string::npos) << title;
  }
  EXPECT_FALSE(fs::exists("made"));
}

// A batch is read row by row: the run holds one row's dating at a time,
// so that five times the rows take hardly more memory; a line too long to
// be a row is refused, and the rows after it are still dated.
TEST_F(KarvenDate, ReadsABatchRowByRowInBoundedMemory) {
  const auto batch = [](int rows) {
    std::string text = "name,inc,a95,int,sigma_int\n";
    for (int k = 0; k < rows; ++k) {
      text += 'K';
      text += std::to_string(k);
      text += ",60.003,2.9376,60.006,2.4\n";
    }
    return text;
  };
  const auto largest_resident_kb = [this](const std::string& samples) {
    write_file("samples.csv", samples);
    testsupport::ProgramCall call;
    call.program = PROGRAM;
    call.arguments = {"--samples", "samples.csv", "--level", "68", "--level", "95", "curve.dat"};
    call.stdout_path = "/dev/null";
    // AddressSanitizer would keep freed memory for a while and count it.
    call.changed_environment = {{"ASAN_OPTIONS", "quarantine_size_mb=1"}};
    const testsupport::ProgramRun result = testsupport::run_program(call);
    EXPECT_EQ(result.status, 0) << result.err;
    struct rusage usage {};
    getrusage(RUSAGE_CHILDREN, &usage);  // the largest of the children so far
    return usage.ru_maxrss;
  };
  const long small = largest_resident_kb(batch(1000));
  const long large = largest_resident_kb(batch(5000));
  // 4000 more rows: a summary line each, a few hundred bytes (about four
  // times that under AddressSanitizer, which guards every allocation); a
  // whole dating each would be 4000 times 15 kB.
  EXPECT_LT(large - small, 8000L) << small << " kB for 1000 rows, " << large << " kB for 5000";

  write_file("long.csv",
             "name,inc,a95\nK1,60.003,2.9376\n" + std::string(1025, ' ') + "\nK3,60.003,2.9376\n");
  const testsupport::ProgramRun result = run({"--samples", "long.csv", "--json", "curve.dat"});
  EXPECT_EQ(
      result.err,
      "karven-date: long.csv, line 3: more than 1024 bytes, longer than any row of samples\n");
  EXPECT_EQ(result.status, 1);
  const nlohmann::json json = nlohmann::json::parse(result.out);
  ASSERT_EQ(json.size(), 3u);
  EXPECT_EQ(
      json[1].dump(),
      R"({"error":"line 3: more than 1024 bytes, longer than any row of samples","name":"line 3"})");
  EXPECT_EQ(json[2]["name"], "K3");
  EXPECT_EQ(json[2]["mode"], 1000);
}

// --density - writes the densities to standard output in place of the
// report: one measurement's, or the events' of a samples file, byte for
// byte the file's text; no file is made. What standard output cannot hold
// is refused, and a pattern's missing folder is said once, before any
// dating.
TEST_F(KarvenDate, DensityDashGoesToStandardOutputInPlaceOfTheReport) {
  const std::vector<std::string> one = {"--inc", "60.003", "--a95", "2.9376", "curve.dat"};
  write_file("events.csv", "name,inc,a95,event\nK1,60.003,2.9376,kiln\nK2,61,2.9376,kiln\n");
  write_file("plain.csv", "name,inc,a95\nK1,60.003,2.9376\nK2,61,2.9376\n");
  for (const std::vector<std::string>& arguments :
       {one, std::vector<std::string>{"--samples", "events.csv", "curve.dat"}}) {
    SCOPED_TRACE(arguments.front());
    std::vector<std::string> to_file = arguments;
    to_file.insert(to_file.end(), {"--density", "density.csv"});
    ASSERT_EQ(run(to_file).status, 0);
    std::vector<std::string> to_output = arguments;
    to_output.insert(to_output.end(), {"--density", "-"});
    const testsupport::ProgramRun result = run(to_output);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, read_file("density.csv"));
    EXPECT_EQ(result.status, 0);
    fs::remove("density.csv");
    EXPECT_EQ(testsupport::names_in("."),
              (std::vector<std::string>{"curve.dat", "events.csv", "plain.csv"}));
  }

  struct Row {
    std::vector<std::string> arguments;
    int status;
    std::string message;
  };
  const std::string usage = "\nTry 'karven-date --help'.\n";
  const std::vector<Row> rows = {
      {{"--inc", "60", "--a95", "2", "--json", "--density", "-"},
       2,
       "--json and --density - both write to standard output, which can carry only one of "
       "them" +
           usage},
      {{"--inc", "60", "--a95", "2", "--figure", "-"},
       2,
       "--figure -: a figure on standard output has no name to tell its format; give a file "
       "name ending in .png, .svg or .pdf" +
           usage},
      {{"--samples", "plain.csv", "--density", "-"},
       2,
       "--density -: each sample gets a file of its own, which standard output cannot keep "
       "apart; give a pattern with {name}, e.g. \"density_{name}.csv\"" +
           usage},
      {{"--samples", "plain.csv", "--density", "missing/{name}.csv", "curve.dat"},
       1,
       "--density missing/{name}.csv: the folder missing does not exist\n"},
      {{"--samples", "plain.csv", "--figure", "curve.dat/{name}.png", "curve.dat"},
       1,
       "--figure curve.dat/{name}.png: curve.dat is not a folder\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.message);
    const testsupport::ProgramRun result = run(row.arguments);
    EXPECT_EQ(result.err, "karven-date: " + row.message);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.status, row.status);
  }
  EXPECT_EQ(testsupport::names_in("."),
            (std::vector<std::string>{"curve.dat", "events.csv", "plain.csv"}));
}

}  // namespace
