// Runs the built karven-plot as a user would, with gnuplot from PATH.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "curve/curve_reader.hpp"
#include "curve/tests/synthetic_curve.hpp"
#include "testsupport/testsupport.hpp"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using testsupport::names_in;
using testsupport::read_file;
using testsupport::write_file;

const std::string PROGRAM = KARVEN_PLOT_PROGRAM;
const std::string CURVE = "psvc_karven.eu.26.dat";

using PlotRun = testsupport::ProgramRun;
using Folder = testsupport::TempFolder;

// Width and height from a PNG's header chunk, which follows the 8-byte
// signature: length (4 bytes), "IHDR", width and height (4 bytes each,
// big-endian).
std::pair<std::uint32_t, std::uint32_t> png_size(const fs::path& path) {
  const std::string bytes = read_file(path);
  if (bytes.size() < 24 || bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 ||
      bytes.compare(12, 4, "IHDR") != 0) {
    return {0, 0};
  }
  const auto word = [&bytes](std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t k = 0; k < 4; ++k)
      value = (value << 8) | static_cast<unsigned char>(bytes[at + k]);
    return value;
  };
  return {word(16), word(20)};
}

void make_program(const fs::path& path, const std::string& text) {
  write_file(path, text);
  fs::permissions(path, fs::perms::owner_all);
}

class KarvenPlot : public testsupport::CompanionRunTest {
 protected:
  KarvenPlot() : CompanionRunTest(PROGRAM) {}
};

TEST_F(KarvenPlot, DrawsAPngBesideTheCurveFileByDefault) {
  write_file(CURVE, curve_test::smooth_curve_text());
  write_file("psvc_karven.eu.26.png", "an older figure");
  const PlotRun result = run({});
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.out, "Figure written to psvc_karven.eu.26.png\n");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(png_size("psvc_karven.eu.26.png"), std::make_pair(1200u, 1500u));
  EXPECT_EQ(names_in("."), (std::vector<std::string>{CURVE, "psvc_karven.eu.26.png"}));
}

TEST_F(KarvenPlot, DrawsAnSvgThatNamesTheQuantitiesAndTheSite) {
  write_file(CURVE, curve_test::smooth_curve_text());
  const PlotRun result = run({"--format", "svg"});
  EXPECT_EQ(result.status, 0) << result.err;
  const std::string svg = read_file("psvc_karven.eu.26.svg");
  EXPECT_NE(svg.find(" width=\"900\" height=\"1125\""), std::string::npos);
  for (const std::string text :
       {"KARVEN.EU.26 palaeosecular variation curve at 40.40 N, 3.70 W", "Declination (°)",
        "Inclination (°)", "Intensity (µT)", "Year (AD)",
        "lines: the curve; shaded: its 95% confidence band"}) {
    SCOPED_TRACE(text);
    EXPECT_NE(svg.find(">" + text + "<"), std::string::npos);
  }
}

TEST_F(KarvenPlot, DrawsAPdfNamedByItsExtension) {
  write_file("madrid.dat", curve_test::smooth_curve_text());
  fs::create_directory("figures");
  const PlotRun result = run({"--output", "figures/madrid.PDF", "madrid.dat"});
  EXPECT_EQ(result.out, "Figure written to figures/madrid.PDF\n");
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(read_file("figures/madrid.PDF").substr(0, 5), "%PDF-");
}

TEST_F(KarvenPlot, DrawsACurveWithGapsAndACurveCutShort) {
  const double nan = std::nan("");
  std::string text = curve_test::curve_header(52.5, 13.4);
  for (int k = 0; k < 381; ++k) {
    const double year = 5.0 * k;
    auto values = curve_test::smooth_values(year);
    if (k >= 100 && k < 110) values = {nan, nan, nan, nan, nan, nan};  // a stretch of NaN rows
    if (k == 200) values[curve::INTENSITY_ERROR] = 1e12;               // asterisks
    if (k == 250) values[curve::DECLINATION] = -INFINITY;
    text += curve_test::curve_line(year, values);
  }
  ASSERT_NE(text.find("***********\n"), std::string::npos);
  write_file("gaps.dat", text);
  write_file("short.dat", curve_test::smooth_curve_text(2));
  // A curve cut short is drawn, with a word.
  const std::map<std::string, std::string> messages = {
      {"gaps", ""},
      {"short",
       "karven-plot: short.dat: the curve ends early, at the year 5, not 1900 (2 of 381 epochs): "
       "a run that did not finish, or a file cut short\n"}};
  for (const auto& [name, message] : messages) {
    SCOPED_TRACE(name);
    const PlotRun result = run({name + ".dat"});
    EXPECT_EQ(result.err, message);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(png_size(name + ".png"), std::make_pair(1200u, 1500u));
  }
}

TEST_F(KarvenPlot, RefusesWhatIsNotACurveFile) {
  struct Row {
    std::string name, text, message;
  };
  const std::string complete = curve_test::smooth_curve_text();
  const std::vector<Row> rows = {
      // What a run that stopped before its headings leaves: lines 1 to 13.
      {"truncated.dat", complete.substr(0, complete.find(" \n      ")),
       "karven-plot: truncated.dat ends after line 13, inside the 17-line header; not a "
       "curve file\n"},
      {"empty.dat", "", "karven-plot: empty.dat is empty; not a curve file\n"},
      {"KARVEN_coeff.inp", "  62.35  0.12  -0.33  1.2e-2  0.5\n  61.9  0.11  -0.31  1.1e-2  0.6\n",
       "karven-plot: KARVEN_coeff.inp, line 1: expected the model's title, as \"KARVEN.EU.26 "
       "Regional Archaeomagnetic Model\"; not a curve file\n"},
      {"missing.dat", "", "karven-plot: cannot read missing.dat: No such file or directory\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    if (row.name != "missing.dat") write_file(row.name, row.text);
    const PlotRun result = run({row.name});
    EXPECT_EQ(result.err, row.message);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.status, 1);
    EXPECT_FALSE(fs::exists(fs::path(row.name).replace_extension(".png")));
  }
}

TEST_F(KarvenPlot, SaysHowToInstallAMissingGnuplot) {
  write_file(CURVE, curve_test::smooth_curve_text());
  Folder empty;
  const PlotRun result = run({}, {{"PATH", empty.path().string()}});
  EXPECT_EQ(result.err,
            "karven-plot: gnuplot is not installed (no gnuplot on PATH); install it with: "
            "apt-get install gnuplot-nox\n");
  EXPECT_EQ(result.status, 1);
  EXPECT_FALSE(fs::exists("psvc_karven.eu.26.png"));
}

TEST_F(KarvenPlot, ReportsAFailingGnuplotInItsOwnWords) {
  write_file(CURVE, curve_test::smooth_curve_text());
  Folder tools;
  struct Row {
    std::string script, message;
  };
  const std::vector<Row> rows = {
      {"#!/bin/sh\nprintf '\\n  set terminal pngcairo\\n  ^\\n\"figure.gp\" line 2: unknown "
       "terminal\\n\\n' >&2\nexit 1\n",
       "karven-plot: gnuplot failed (exit status 1):\n    set terminal pngcairo\n    ^\n  "
       "\"figure.gp\" line 2: unknown terminal\n"},
      {"#!/bin/sh\nexit 0\n", "karven-plot: gnuplot failed: it wrote no figure\n"},
      {"#!/bin/sh\nkill -9 $$\n", "karven-plot: gnuplot failed (ended by signal 9)\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.message);
    make_program(tools.path() / "gnuplot", row.script);
    const PlotRun result = run({}, {{"PATH", tools.path().string()}});
    EXPECT_EQ(result.err, row.message);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(names_in("."), std::vector<std::string>{CURVE});
  }
}

// Quotes, semicolons and command substitutions in the names reach neither
// a shell nor gnuplot's script.
TEST_F(KarvenPlot, TakesAnyFileNameAsAName) {
  const fs::path folder = "it's \"odd\"; $(touch x1)";
  const std::string name = "a'b\";system(\"touch x2\");#`touch x3`.dat";
  fs::create_directory(folder);
  write_file(folder / name, curve_test::smooth_curve_text());
  const PlotRun result = run({(folder / name).string()});
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(png_size(folder / fs::path(name).replace_extension(".png")),
            std::make_pair(1200u, 1500u));
  EXPECT_EQ(names_in("."), std::vector<std::string>{folder.string()});
}

TEST_F(KarvenPlot, NeverWritesTheFigureOverTheCurveFile) {
  const std::string text = curve_test::smooth_curve_text();
  write_file("curve.dat", text);
  const PlotRun result = run({"curve.dat", "--format", "png", "--output", "./curve.dat"});
  EXPECT_EQ(result.err,
            "karven-plot: the figure ./curve.dat would replace the curve file curve.dat; give "
            "another --output\n");
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(read_file("curve.dat"), text);
}

TEST_F(KarvenPlot, CopiesTheFigureToAnotherFileSystem) {
  struct stat here {
  }, there{};
  if (stat(".", &here) != 0 || stat("/dev/shm", &there) != 0 || here.st_dev == there.st_dev ||
      access("/dev/shm", W_OK) != 0) {
    GTEST_SKIP() << "no second file system to write to";
  }
  std::string pattern = "/dev/shm/karven-plot-test-XXXXXX";
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  write_file(CURVE, curve_test::smooth_curve_text());
  const PlotRun result = run({}, {{"TMPDIR", pattern}});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(png_size("psvc_karven.eu.26.png"), std::make_pair(1200u, 1500u));
  EXPECT_EQ(names_in("."), (std::vector<std::string>{CURVE, "psvc_karven.eu.26.png"}));
  EXPECT_TRUE(fs::is_empty(pattern));
  fs::remove_all(pattern);
}

// The model's curve at a site, computed in the process, is drawn under the
// title that the site's curve file gives; a site the model does not cover
// and a coordinate that is no number are bad input.
TEST_F(KarvenPlot, DrawsTheModelsCurveAtASite) {
  const std::string model = KARVEN_DEMO_COEFFICIENTS;
  PlotRun result = run({"--model", model, "--lat", "48.853", "--lon", "-3.7", "--format", "svg"});
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.out, "Figure written to psvc_karven.eu.26.svg\n");
  EXPECT_EQ(result.status, 0);
  EXPECT_NE(read_file("psvc_karven.eu.26.svg")
                .find(">KARVEN.EU.26 palaeosecular variation curve at 48.85 N, 3.70 W<"),
            std::string::npos);
  struct Row {
    std::vector<std::string> arguments;
    std::string message;
  };
  const std::vector<Row> rows = {
      {{"--model", model, "--lat", "30.04", "--lon", "31.24"},
       "karven-plot: the site 30.04, 31.24 lies outside the model's region: latitude 35 N to 60 "
       "N, longitude 15 W to 30 E\n"},
      {{"--model", model, "--lat", "48,85", "--lon", "2.35"},
       "karven-plot: --lat: expected a number of degrees, read \"48,85\"\n"},
      {{"--model", "missing.inp", "--lat", "48.85", "--lon", "2.35"},
       "karven-plot: the coefficient file missing.inp cannot be opened: No such file or "
       "directory\n"},
      // The model's numbers without the 1001st, and a trailer that hides it.
      {{"--model", "shifted.inp", "--lat", "48.85", "--lon", "2.35"},
       "karven-plot: the coefficient file shifted.inp holds an intensity scale outside the "
       "range of a geomagnetic field (10 to 300 microtesla) at line 1: \"1.00000000E+00\" "
       "(column 1 of the row of 250 AD, row 51); the file's numbers seem shifted by one number "
       "missing at or before this row\n"},
  };
  {
    std::istringstream in(read_file(model));
    std::vector<std::string> numbers(std::istream_iterator<std::string>{in}, {});
    numbers.erase(numbers.begin() + 1000);
    std::string text;
    for (const std::string& number : numbers) text += number + " ";
    write_file("shifted.inp", text + "1.0 2.0 3.0\n");
  }
  for (const Row& row : rows) {
    SCOPED_TRACE(row.message);
    result = run(row.arguments);
    EXPECT_EQ(result.err, row.message);
    EXPECT_EQ(result.status, 1);
  }
  EXPECT_EQ(names_in("."), (std::vector<std::string>{"psvc_karven.eu.26.svg", "shifted.inp"}));
}

TEST_F(KarvenPlot, AnswersAWrongCommandLineWithStatus2) {
  for (const auto& [arguments, message] :
       {std::pair<std::vector<std::string>, std::string>{
            {"--format", "gif"}, "unknown format \"gif\": give png, svg or pdf"},
        {{"--model", "m.inp", "--lat", "48", "--lon", "2", CURVE},
         "a curve file and --model exclude each other: give one or the other"},
        {{"--lat", "48", "--lon", "2"},
         "--lat gives the site of --model: give the coefficient file with --model FILE"},
        {{"--model", "m.inp", "--lat", "48"}, "--model needs the site: give --lon as well"}}) {
    SCOPED_TRACE(message);
    const PlotRun result = run(arguments);
    EXPECT_EQ(result.err, "karven-plot: " + message + "\nTry 'karven-plot --help'.\n");
    EXPECT_EQ(result.status, 2);
  }
}

// A global model's curve at any site, named after the model; its
// refusals: a site off the Earth, a span outside the model's, a name that
// is neither a bundled model nor a file, --span with the regional model.
TEST_F(KarvenPlot, DrawsAGlobalModelAndRefusesWhatItCannotDraw) {
  PlotRun result = run({"--model", "ARCH10k.1", "--lat", "31.78", "--lon", "35.22", "--span",
                        "-1000:0", "--model-sigma", "2,2,3"});
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.out, "Figure written to ARCH10k.1.png\n");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(png_size("ARCH10k.1.png"), (std::pair<std::uint32_t, std::uint32_t>{1200, 1500}));
  fs::remove("ARCH10k.1.png");

  fs::copy_file(KARVEN_DEMO_COEFFICIENTS, "model.inp");
  struct Row {
    std::vector<std::string> arguments;
    int status;
    std::string message;
  };
  const std::vector<Row> rows = {
      {{"--model", "ARCH10k.1", "--lat", "31.78", "--lon", "-180.5"},
       1,
       "the longitude -180.5 is not -180 to 360 degrees\n"},
      {{"--model", "gufm1", "--lat", "31.78", "--lon", "35", "--span", "1500:1700"},
       1,
       "--span: 1500:1700 is outside the span of gufm1, 1590 to 1990\n"},
      {{"--model", "gufm2", "--lat", "31.78", "--lon", "35"},
       1,
       "--model: \"gufm2\" is neither a bundled model nor a file; the bundled models are "
       "ARCH10k.1, CALS10k.2, HFM.OL1.A1, pfm9k.1a, arhimag1k, gufm1, LSMOD.2, GGF100k\n"},
      {{"--model", "model.inp", "--lat", "48", "--lon", "2", "--model-sigma", "1,1,1"},
       2,
       "--model-sigma is for a global model: the regional model's curve comes at its own "
       "epochs, 0 to 1900 AD, with its own errors\nTry 'karven-plot --help'.\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.message);
    result = run(row.arguments);
    EXPECT_EQ(result.err, "karven-plot: " + row.message);
    EXPECT_EQ(result.status, row.status);
    EXPECT_EQ(result.out, "");
  }
  EXPECT_EQ(names_in("."), (std::vector<std::string>{"model.inp"}));
}

// --output - writes the figure to standard output, byte for byte the
// file's, and nothing else; with no name to tell its format, --format must.
TEST_F(KarvenPlot, DashWritesTheFigureToStandardOutputInTheFormatGiven) {
  write_file(CURVE, curve_test::smooth_curve_text());
  for (const std::string format : {"png", "svg"}) {
    SCOPED_TRACE(format);
    ASSERT_EQ(run({"--format", format}).status, 0);
    const PlotRun result = run({"--format", format, "--output", "-"});
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, read_file("psvc_karven.eu.26." + format));
    EXPECT_EQ(result.status, 0);
    fs::remove("psvc_karven.eu.26." + format);
  }
  const PlotRun result = run({"-o", "-"});
  EXPECT_EQ(result.err,
            "karven-plot: --output - writes the figure to standard output: give its format with "
            "--format png, svg or pdf\nTry 'karven-plot --help'.\n");
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(names_in("."), std::vector<std::string>{CURVE});
}

TEST_F(KarvenPlot, HelpTellsHowToCallIt) {
  const PlotRun result = run({"--help"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out.rfind("Usage: karven-plot [--format png|svg|pdf] [--output FIGURE] "
                             "[CURVE_FILE | --model MODEL --lat LAT --lon LON [--span "
                             "FROM:TO[:STEP]] [--model-sigma D,I,F]]\n",
                             0),
            0u);
  EXPECT_NE(result.out.find("apt-get install gnuplot-nox"), std::string::npos);
}

}  // namespace
