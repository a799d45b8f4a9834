// Runs of the built program with piped standard input, compared as whole
// transcripts and whole files.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "driver/curve_file.hpp"
#include "driver/tests/coefficient_files.hpp"
#include "driver/tests/curve_texts.hpp"
#include "testsupport/testsupport.hpp"

namespace {

using driver_test::demo_rows;
using driver_test::Row;
using driver_test::write_coefficients;
using testsupport::read_file;
using testsupport::read_lines;
using testsupport::run_program_binary;
using testsupport::ScopedWorkDir;

const std::string BANNER =
    "               ** KARVEN.EU.26 **"
    "\nPalaeointensity & Directional Archaeomagnetic"
    "\n              Prediction for Europe"
    "\n             for the last 2000 years"
    "\n "
    "\n** Palaeointensity & Paleosecular Variation Curve **"
    "\nLatitude : 35 N to 60 N (degree)"
    "\nLongitude : 15 W to 30 E (degree)"
    "\n ";
const std::string LAT_PROMPT = "\nGive geodetic latitude (decimal degrees, e.g. 40.4):";
const std::string LON_PROMPT = "\nGive geodetic longitude (decimal degrees,e.g. -3.7):";
const std::string AFTER_READ = " ";
const std::string LAT_AGAIN = "\nLatitude is between 35 N and 60 N";
const std::string LON_AGAIN = "\nLongitude is between 15 W and 30 E";
const std::string START_LON = "\n ";
const std::string CLOSING = "\nStop - Program terminated.\n";
const std::string VALID_DIALOGUE =
    BANNER + LAT_PROMPT + AFTER_READ + START_LON + LON_PROMPT + AFTER_READ;

using driver_test::HEADINGS;
using driver_test::TITLE_BLOCK;

std::string header(const std::string& site_line) {
  return TITLE_BLOCK + " \n   Geodetic Latitude  Geodetic Longitud\n" + site_line + "\n" + HEADINGS;
}

// The first n lines of a text, each with its line end.
std::string first_lines(const std::string& text, std::size_t n) {
  std::size_t end = 0;
  for (std::size_t k = 0; k < n && end != std::string::npos; ++k) {
    end = text.find('\n', end);
    if (end != std::string::npos) ++end;
  }
  return text.substr(0, end);
}

// A directory holding the demonstration coefficient file.
struct DemoRunDir : ScopedWorkDir {
  DemoRunDir() { std::filesystem::copy_file(KARVEN_DEMO_COEFFICIENTS, "KARVEN_coeff.inp"); }
};

TEST(Program, DialogueTranscriptsAreExact) {
  const struct {
    const char* name;
    const char* input;
    std::string transcript;
    std::string site_line;
  } cases[] = {
      {"valid site on the first try", "40.4\n-3.7\n", VALID_DIALOGUE + CLOSING,
       "          40.40          -3.70"},
      {"latitude below the region", "34.99\n40.4\n-3.7\n",
       BANNER + LAT_PROMPT + AFTER_READ + LAT_AGAIN + LAT_PROMPT + AFTER_READ + START_LON +
           LON_PROMPT + AFTER_READ + CLOSING,
       "          40.40          -3.70"},
      {"longitude beyond the region", "34.99\n40.4\n30.01\n-3.7\n",
       BANNER + LAT_PROMPT + AFTER_READ + LAT_AGAIN + LAT_PROMPT + AFTER_READ + START_LON +
           LON_PROMPT + AFTER_READ + LON_AGAIN + LON_PROMPT + AFTER_READ + CLOSING,
       "          40.40          -3.70"},
      {"lower bounds", "35\n-15\n", VALID_DIALOGUE + CLOSING, "          35.00         -15.00"},
      {"upper bounds", "  60.  trailing words\r\n\n\n3.0D+01\n", VALID_DIALOGUE + CLOSING,
       "          60.00          30.00"},
      {"NaN answers; the cap pole itself", "NaN\n45\n-nan\n8\n",
       BANNER + LAT_PROMPT + AFTER_READ + LAT_AGAIN + LAT_PROMPT + AFTER_READ + START_LON +
           LON_PROMPT + AFTER_READ + LON_AGAIN + LON_PROMPT + AFTER_READ + CLOSING,
       "          45.00           8.00"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DemoRunDir dir;
    const auto run = run_program_binary(KARVEN_PROGRAM, c.input);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, c.transcript);
    EXPECT_EQ(run.err, "");
    const std::string curve = read_file(driver::CURVE_FILE_NAME);
    EXPECT_EQ(first_lines(curve, 17), header(c.site_line));
    EXPECT_EQ(read_lines(driver::CURVE_FILE_NAME).size(), 398u);
  }
}

TEST(Program, ASecondRunLeavesOnlyItsOwnLines) {
  DemoRunDir dir;
  run_program_binary(KARVEN_PROGRAM, "59\n29\n");
  const auto first = read_file(driver::CURVE_FILE_NAME);
  run_program_binary(KARVEN_PROGRAM, "40.4\n-3.7\n");
  const auto second = read_file(driver::CURVE_FILE_NAME);
  EXPECT_EQ(read_lines(driver::CURVE_FILE_NAME).size(), 398u);
  EXPECT_EQ(first_lines(second, 17), header("          40.40          -3.70"));
  run_program_binary(KARVEN_PROGRAM, "59\n29\n");
  EXPECT_EQ(read_file(driver::CURVE_FILE_NAME), first);
}

TEST(Program, WorkedExampleGivesItsFirstCurveLine) {
  ScopedWorkDir dir;
  std::vector<Row> rows = demo_rows();
  rows[0] = driver_test::worked_example_row();
  write_coefficients(rows);
  const auto run = run_program_binary(KARVEN_PROGRAM, "40.4\n-3.7\n");
  EXPECT_EQ(run.status, 0);
  const auto lines = read_lines(driver::CURVE_FILE_NAME);
  ASSERT_EQ(lines.size(), 398u);
  EXPECT_EQ(lines[17], "     0.     32.38     40.36     22.93         3.44       3.88       1.86");
}

TEST(Program, EveryFormOfTheCoefficientFileGivesTheSameCurve) {
  std::string reference;
  {
    DemoRunDir dir;
    run_program_binary(KARVEN_PROGRAM, "48.85\n2.35\n");
    reference = read_file(driver::CURVE_FILE_NAME);
  }
  const std::string plain = testsupport::read_file(KARVEN_DEMO_COEFFICIENTS);
  std::string other_system;  // CR LF line ends, tabs, commas, D exponents
  for (const char c : plain) {
    if (c == '\n') {
      other_system += ",\r\n";
    } else if (c == ' ') {
      other_system += "\t";
    } else {
      other_system += (c == 'E') ? 'D' : c;
    }
  }
  std::string one_per_line = plain;
  for (char& c : one_per_line) {
    if (c == ' ') c = '\n';
  }
  for (const std::string& text : {other_system, one_per_line, plain + "1 2 3 trailing words\n"}) {
    ScopedWorkDir dir;
    testsupport::write_file("KARVEN_coeff.inp", text);
    const auto run = run_program_binary(KARVEN_PROGRAM, "48.85\n2.35\n");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(read_file(driver::CURVE_FILE_NAME), reference);
  }
}

TEST(Program, SitesAcrossTheRegionGiveCompleteFiniteCurves) {
  for (const char* site : {"35\n-15\n", "35\n30\n", "60\n-15\n", "60\n30\n", "47.5\n7.5\n",
                           "45\n8\n", "45\n10\n", "44.5\n8\n", "45.0000001\n8.0000001\n",
                           "45.19242321692673\n8\n" /* the cap's pole, geocentric 45 N */}) {
    SCOPED_TRACE(site);
    DemoRunDir dir;
    const auto run = run_program_binary(KARVEN_PROGRAM, site);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, VALID_DIALOGUE + CLOSING);
    const auto lines = read_lines(driver::CURVE_FILE_NAME);
    ASSERT_EQ(lines.size(), 398u);
    for (std::size_t k = 17; k < lines.size(); ++k) {
      ASSERT_EQ(lines[k].size(), 72u) << "line " << k + 1;
      ASSERT_EQ(lines[k].find_first_not_of(" 0123456789.-"), std::string::npos)
          << "line " << k + 1 << ": " << lines[k];
    }
    EXPECT_EQ(lines[17].substr(0, 7), "     0.");
    EXPECT_EQ(lines[397].substr(0, 7), "  1900.");
  }
}

TEST(Program, UndefinedRowsAreWrittenAsNaNAndTheRunGoesOn) {
  ScopedWorkDir dir;
  std::vector<Row> rows = demo_rows();
  rows[1].fill(0.0);  // no field at all
  rows[1][0] = 40.0;
  write_coefficients(rows);
  const auto run = run_program_binary(KARVEN_PROGRAM, "40.4\n-3.7\n");
  EXPECT_EQ(run.status, 0);
  const auto lines = read_lines(driver::CURVE_FILE_NAME);
  ASSERT_EQ(lines.size(), 398u);
  EXPECT_EQ(lines[18], "     5.       NaN       NaN       .00          NaN        NaN        NaN");
}

TEST(Program, ACoefficientFileThatCannotBeLoadedStopsAfterTheHeadings) {
  const std::string demo = read_file(KARVEN_DEMO_COEFFICIENTS);
  const std::string short_file = demo.substr(0, demo.rfind(' '));  // 7619 numbers
  std::string malformed = demo;
  malformed.replace(malformed.find(' ', 500) + 1, 1, "x");
  const struct {
    const char* name;
    const char* file;  // nullptr: no file
    std::string text;
    std::string message;
  } cases[] = {
      {"missing", nullptr, "",
       "karven: the coefficient file KARVEN_coeff.inp cannot be opened: No such file or "
       "directory\n"},
      {"7619 numbers", "KARVEN_coeff.inp", short_file,
       "karven: the coefficient file KARVEN_coeff.inp ends after 7619 numbers; it must hold 7620 "
       "(381 rows of 20)\n"},
      {"malformed", "KARVEN_coeff.inp", malformed,
       "karven: the coefficient file KARVEN_coeff.inp holds something that is not a number at "
       "line 2: \"x.98947368E-03\"\n"},
      {"beyond the double range", "KARVEN_coeff.inp", "1 2 3\n4 -5e400 6\n",
       "karven: the coefficient file KARVEN_coeff.inp holds a number beyond the range of double "
       "precision at line 2: \"-5e400\"\n"},
      {"empty field", "KARVEN_coeff.inp", "1,2,,3\n",
       "karven: the coefficient file KARVEN_coeff.inp has an empty field between two commas at "
       "line 1\n"},
      {"a directory", "KARVEN_coeff.inp/", "",
       "karven: the coefficient file KARVEN_coeff.inp cannot be read: Is a directory\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedWorkDir dir;
    if (c.file && std::string(c.file).back() == '/') {
      std::filesystem::create_directory(c.file);
    } else if (c.file) {
      testsupport::write_file(c.file, c.text);
    }
    const auto run = run_program_binary(KARVEN_PROGRAM, "40.4\n-3.7\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, VALID_DIALOGUE + "\n");
    EXPECT_EQ(run.err, c.message);
    EXPECT_EQ(read_file(driver::CURVE_FILE_NAME), header("          40.40          -3.70"));
  }
}

TEST(Program, UnreadableOrEndedInputStopsTheRunWithStatusOne) {
  const struct {
    const char* name;
    const char* input;
    std::string transcript;
    std::string message;
  } cases[] = {
      // The user's line end has already ended the prompt's line.
      {"unreadable latitude", "40.4abc\n-3.7\n", BANNER + LAT_PROMPT,
       "karven: expected the geodetic latitude in decimal degrees, read \"40.4abc\"\n"},
      {"no input at all", "", BANNER + LAT_PROMPT + "\n",
       "karven: expected the geodetic latitude in decimal degrees, but the input ended\n"},
      {"input ends before the longitude", "40.4\n",
       BANNER + LAT_PROMPT + AFTER_READ + START_LON + LON_PROMPT + "\n",
       "karven: expected the geodetic longitude in decimal degrees, but the input ended\n"},
      {"unreadable longitude", "40.4\n--3\n",
       BANNER + LAT_PROMPT + AFTER_READ + START_LON + LON_PROMPT,
       "karven: expected the geodetic longitude in decimal degrees, read \"--3\"\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DemoRunDir dir;
    const auto run = run_program_binary(KARVEN_PROGRAM, c.input);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, c.transcript);
    EXPECT_EQ(run.err, c.message);
    EXPECT_EQ(read_file(driver::CURVE_FILE_NAME), TITLE_BLOCK);
  }
}

// Text after the number that would make it another site: a decimal comma,
// a hemisphere letter, degrees and minutes. Each stops the run as
// unreadable input; text that changes nothing is still ignored.
TEST(Program, AnAnswerThatWouldGiveAnotherSiteIsRefused) {
  const std::string LAT = "karven: expected the geodetic latitude in decimal degrees, read ";
  const std::string LON = "karven: expected the geodetic longitude in decimal degrees, read ";
  const std::string NORTH = ": type the latitude north positive, e.g. 40.4 for 40.4 N\n";
  const std::string EAST = ": type the longitude east positive, e.g. -3.7 for 3.7 W\n";
  const std::string DEGREES = ": type decimal degrees, e.g. 48.85 for 48 degrees 51 minutes\n";
  const std::string AT_LON = BANNER + LAT_PROMPT + AFTER_READ + START_LON + LON_PROMPT;
  const struct {
    const char* input;
    std::string transcript;
    std::string message;
  } refused[] = {
      {"48,85\n2,35\n", BANNER + LAT_PROMPT, LAT + "\"48,85\": use a decimal point, e.g. 48.85\n"},
      {"40.4\n-3,7 Madrid\n", AT_LON, LON + "\"-3,7 Madrid\": use a decimal point, e.g. -3.7\n"},
      {"40.4\n3.7 W\n", AT_LON, LON + "\"3.7 W\"" + EAST},
      {"40.4\r\n3.7,w\r\n", AT_LON, LON + "\"3.7,w\"" + EAST},
      {"48.85 n\n2.35\n", BANNER + LAT_PROMPT, LAT + "\"48.85 n\"" + NORTH},
      {"48 51'\n2.35\n", BANNER + LAT_PROMPT, LAT + "\"48 51'\"" + DEGREES},
      {"48 \xC2\xB0\n2.35\n", BANNER + LAT_PROMPT, LAT + "\"48 \\xC2\\xB0\"" + DEGREES},
      {"48.85\n2 21\xE2\x80\xB2\n", AT_LON, LON + "\"2 21\\xE2\\x80\\xB2\"" + DEGREES},
      {"48 51 30\"\n2.35\n", BANNER + LAT_PROMPT, LAT + "\"48 51 30\\x22\"" + DEGREES},
  };
  for (const auto& c : refused) {
    SCOPED_TRACE(c.input);
    DemoRunDir dir;
    const auto run = run_program_binary(KARVEN_PROGRAM, c.input);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, c.transcript);
    EXPECT_EQ(run.err, c.message);
    EXPECT_EQ(read_file(driver::CURVE_FILE_NAME), TITLE_BLOCK);
  }
  // Text that says nothing of the number is ignored, as it always was.
  for (const char* input : {"40.4 , Madrid\n-3.7\n", "40.4 / site 3\n-3.7/x\n",
                            "40.4,Madrid\n-3.7 West\n", "40.4\tN.\n-3.7 Spain\n"}) {
    SCOPED_TRACE(input);
    DemoRunDir dir;
    const auto run = run_program_binary(KARVEN_PROGRAM, input);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, VALID_DIALOGUE + CLOSING);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(first_lines(read_file(driver::CURVE_FILE_NAME), 13),
              first_lines(header("          40.40          -3.70"), 13));
  }
}

TEST(Program, AnUnwritableCurveFileIsAFailureNotASilentSuccess) {
  {
    DemoRunDir dir;
    std::filesystem::create_directory(driver::CURVE_FILE_NAME);
    const auto run = run_program_binary(KARVEN_PROGRAM, "40.4\n-3.7\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err,
              "karven: cannot create the curve file psvc_karven.eu.26.dat: Is a directory\n");
  }
  {
    DemoRunDir dir;
    std::filesystem::create_symlink("/dev/full", driver::CURVE_FILE_NAME);
    const auto run = run_program_binary(KARVEN_PROGRAM, "40.4\n-3.7\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err,
              "karven: cannot write the curve file psvc_karven.eu.26.dat: "
              "No space left on device\n");
  }
}

}  // namespace
