// Runs of the built program with piped standard input, compared as whole
// transcripts and whole files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <iterator>
#include <sstream>

#include "console/numbers.hpp"
#include "driver/arguments.hpp"
#include "driver/curve_file.hpp"
#include "driver/tests/coefficient_files.hpp"
#include "driver/tests/curve_texts.hpp"
#include "driver/tests/program_runs.hpp"
#include "karven/version.hpp"
#include "testsupport/testsupport.hpp"

namespace {

using driver_test::demo_rows;
using driver_test::Row;
using driver_test::write_coefficients;
using testsupport::read_file;
using testsupport::read_lines;
using testsupport::run_program_binary;
using testsupport::ScopedWorkDir;

using driver_test::AFTER_READ;
using driver_test::AT_LONGITUDE;
using driver_test::BANNER;
using driver_test::CLOSING;
using driver_test::COEFFICIENTS_AND_CURVE;
using driver_test::DemoRunDir;
using driver_test::directory_listing;
using driver_test::EARLIER_CURVE;
using driver_test::HEADINGS;
using driver_test::LAT_AGAIN;
using driver_test::LAT_PROMPT;
using driver_test::LON_AGAIN;
using driver_test::LON_PROMPT;
using driver_test::NOT_WRITTEN;
using driver_test::START_LON;
using driver_test::TITLE_BLOCK;
using driver_test::VALID_DIALOGUE;

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
  const struct {
    const char* name;
    std::string text;
    std::string message;  // on standard error
  } forms[] = {
      {"CR LF, tabs, commas, D exponents", other_system, ""},
      {"one number per line", one_per_line, ""},
      {"a byte order mark", "\xEF\xBB\xBF" + plain, ""},
      {"a trailer", plain + "1 2 3 trailing words, 4.5e1 ,,\n",
       "karven: the coefficient file KARVEN_coeff.inp holds 4 numbers after the 7620 of the "
       "model; they were ignored\n"},
      {"one number more", plain + "-1\n",
       "karven: the coefficient file KARVEN_coeff.inp holds 1 number after the 7620 of the "
       "model; it was ignored\n"},
  };
  for (const auto& form : forms) {
    SCOPED_TRACE(form.name);
    ScopedWorkDir dir;
    testsupport::write_file("KARVEN_coeff.inp", form.text);
    const auto run = run_program_binary(KARVEN_PROGRAM, "48.85\n2.35\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, VALID_DIALOGUE + CLOSING);  // the note leaves the console as it is
    EXPECT_EQ(run.err, form.message);
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

// A run that does not complete writes no curve file: an earlier one stays
// as it was, and the run leaves no file of its own.
void expect_earlier_curve_kept() {
  EXPECT_EQ(read_file(driver::CURVE_FILE_NAME), EARLIER_CURVE);
  EXPECT_EQ(directory_listing(), COEFFICIENTS_AND_CURVE);
}

// A run on a coefficient file of this text answers the dialogue, then
// stops with the message and status 1, and leaves the earlier curve.
void expect_coefficient_file_refused(const std::string& text, const std::string& message) {
  testsupport::write_file("KARVEN_coeff.inp", text);
  testsupport::write_file(driver::CURVE_FILE_NAME, EARLIER_CURVE);
  const auto run = run_program_binary(KARVEN_PROGRAM, "40.4\n-3.7\n");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, VALID_DIALOGUE + "\n");
  EXPECT_EQ(run.err, message + NOT_WRITTEN);
  expect_earlier_curve_kept();
}

TEST(Program, ACoefficientFileThatCannotBeLoadedStopsTheRunAndWritesNoCurve) {
  const std::string demo = read_file(KARVEN_DEMO_COEFFICIENTS);
  const std::string short_file = demo.substr(0, demo.rfind(' '));  // 7619 numbers
  std::string malformed = demo;
  malformed.replace(malformed.find(' ', 500) + 1, 1, "x");
  const struct {
    const char* name;
    std::string text;  // the coefficient file
    std::string message;
  } cases[] = {
      {"7619 numbers", short_file,
       "karven: the coefficient file KARVEN_coeff.inp ends after 7619 numbers; it must hold 7620 "
       "(381 rows of 20)"},
      {"malformed", malformed,
       "karven: the coefficient file KARVEN_coeff.inp holds something that is not a number at "
       "line 2: \"x.98947368E-03\""},
      {"beyond the double range", "1 2 3\n4 -5e400 6\n",
       "karven: the coefficient file KARVEN_coeff.inp holds a number beyond the range of double "
       "precision at line 2: \"-5e400\""},
      {"empty field", "1,2,,3\n",
       "karven: the coefficient file KARVEN_coeff.inp has an empty field between two commas at "
       "line 1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DemoRunDir dir;
    expect_coefficient_file_refused(c.text, c.message);
  }
}

// A coefficient file that cannot be opened, or is no regular file, is
// refused before anything is read from it: a pipe would wait for a writer
// for ever, /dev/zero would never end.
TEST(Program, ACoefficientFileThatIsNoRegularFileIsRefused) {
  const struct {
    const char* name;
    void (*make)();
    std::string message;
  } cases[] = {
      {"missing", [] {},
       "the coefficient file KARVEN_coeff.inp cannot be opened: No such file or directory"},
      {"a directory", [] { std::filesystem::create_directory("KARVEN_coeff.inp"); },
       "the coefficient file KARVEN_coeff.inp cannot be read: Is a directory"},
      {"a pipe", [] { ASSERT_EQ(mkfifo("KARVEN_coeff.inp", 0600), 0); },
       "the coefficient file KARVEN_coeff.inp is a pipe, not a regular file"},
      {"a link to /dev/zero",
       [] { std::filesystem::create_symlink("/dev/zero", "KARVEN_coeff.inp"); },
       "the coefficient file KARVEN_coeff.inp is a device, not a regular file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedWorkDir dir;
    c.make();
    testsupport::write_file(driver::CURVE_FILE_NAME, EARLIER_CURVE);
    testsupport::ProgramCall call;
    call.program = KARVEN_PROGRAM;
    call.input = "40.4\n-3.7\n";
    call.in_child = [] { alarm(20); };  // a run that reads for ever fails here
    const auto run = testsupport::run_program(call);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, VALID_DIALOGUE + "\n");
    EXPECT_EQ(run.err, "karven: " + c.message + NOT_WRITTEN);
    EXPECT_EQ(read_file(driver::CURVE_FILE_NAME), EARLIER_CURVE);
  }
}

// Rows that break the model's structure (an intensity scale outside the
// range of a geomagnetic field, an error negative or beyond its bounds)
// are what shifted numbers make of a file: a missing or extra number, a
// year before each row, decimal commas. The run stops before it writes a
// curve of another model, also when a trailer after the numbers hides a
// missing one from their count.
TEST(Program, ACoefficientFileWithShiftedNumbersIsRefused) {
  const std::string demo = read_file(KARVEN_DEMO_COEFFICIENTS);
  const std::vector<std::string> lines = testsupport::split_lines(demo);
  const std::string prefix = "karven: the coefficient file KARVEN_coeff.inp ";
  // One number too many before the row of 1495 AD (line 300).
  std::string extra_number;
  for (std::size_t k = 0; k < lines.size(); ++k) {
    extra_number += (k == 299 ? "0.5 " : "") + lines[k] + "\n";
  }
  // The numbers on one line without number k, and a trailer of three.
  std::istringstream all(demo);
  const std::vector<std::string> numbers(std::istream_iterator<std::string>{all}, {});
  const auto missing = [&numbers](std::size_t k) {
    std::string text;
    for (std::size_t n = 0; n < numbers.size(); ++n) {
      if (n != k) text += numbers[n] + " ";
    }
    return text + "1.0 2.0 3.0\n";
  };
  const std::string MISSING =
      "the file's numbers seem shifted by one number missing at or "
      "before this row";
  const std::string SCALE_OUTSIDE =
      "holds an intensity scale outside the range of a geomagnetic field (10 to 300 "
      "microtesla) at line ";
  const std::string C9_ERROR = "holds an error of a relative coefficient above 0.5 at line 1: ";
  std::string year_column;
  for (std::size_t k = 0; k < lines.size(); ++k) {
    year_column += std::to_string(5 * k) + " " + lines[k] + "\n";
  }
  std::string decimal_commas = demo;
  std::replace(decimal_commas.begin(), decimal_commas.end(), '.', ',');
  std::string scale_zero;
  for (std::size_t k = 0; k < lines.size(); ++k) {
    scale_zero += (k == 9 ? "0.0" + lines[k].substr(lines[k].find(' ')) : lines[k]) + "\n";
  }
  const struct {
    const char* name;
    std::string text;
    std::string message;
  } cases[] = {
      {"one number too many", extra_number,
       prefix + SCALE_OUTSIDE +
           "300: \"0.5\" (column 1 of the row of 1495 AD, row 300); the file's numbers seem "
           "shifted by one number too many at or before this row"},
      // The next row's scale moves into the last column of the row that
      // misses a number, or c1 into the scale's column when the scale is
      // missing; in the last row, the trailer's first number.
      {"number 15 missing", missing(15),
       prefix + C9_ERROR +
           "\"2.74672863E+01\" (column 20, the error of c9, in the row of 0 AD, row 1); " +
           MISSING},
      {"number 1000 missing", missing(1000),
       prefix + SCALE_OUTSIDE + "1: \"1.00000000E+00\" (column 1 of the row of 250 AD, row 51); " +
           MISSING},
      {"number 3805 missing", missing(3805),
       prefix + C9_ERROR +
           "\"2.68578676E+01\" (column 20, the error of c9, in the row of 950 AD, row 191); " +
           MISSING},
      {"number 7000 missing", missing(7000),
       prefix + SCALE_OUTSIDE +
           "1: \"1.00000000E+00\" (column 1 of the row of 1750 AD, row 351); " + MISSING},
      {"the last number missing", missing(numbers.size() - 1),
       prefix + C9_ERROR +
           "\"1.0\" (column 20, the error of c9, in the row of 1900 AD, row 381); the file's "
           "numbers may be shifted (a missing or extra number, a year column, decimal commas)"},
      {"a year before each row", year_column,
       prefix + "holds an intensity scale that is not positive at line 1: \"0\" (column 1 of the "
                "row of 0 AD, row 1); the file's numbers seem shifted by a year before each "
                "row: write each row as its 20 numbers alone"},
      // 2,74901087E+01 1,00000000E+00 ... reads 2 74901087E+01 1 00000000E+00 ...
      {"decimal commas", decimal_commas,
       prefix + SCALE_OUTSIDE +
           "1: \"2\" (column 1 of the row of 0 AD, row 1); the file's numbers seem shifted by "
           "decimal commas, each of which splits a number in two: write the numbers with "
           "decimal points"},
      {"an intensity scale of zero", scale_zero,
       prefix + "holds an intensity scale that is not positive at line 10: \"0.0\" (column 1 of "
                "the row of 45 AD, row 10); the file's numbers may be shifted (a missing or "
                "extra number, a year column, decimal commas)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedWorkDir dir;
    expect_coefficient_file_refused(c.text, c.message);
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
       "karven: expected the geodetic latitude in decimal degrees, read \"40.4abc\""},
      {"no input at all", "", BANNER + LAT_PROMPT + "\n",
       "karven: expected the geodetic latitude in decimal degrees, but the input ended"},
      {"input ends before the longitude", "40.4\n", AT_LONGITUDE + "\n",
       "karven: expected the geodetic longitude in decimal degrees, but the input ended"},
      {"unreadable longitude", "40.4\n--3\n", AT_LONGITUDE,
       "karven: expected the geodetic longitude in decimal degrees, read \"--3\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DemoRunDir dir;
    testsupport::write_file(driver::CURVE_FILE_NAME, EARLIER_CURVE);
    const auto run = run_program_binary(KARVEN_PROGRAM, c.input);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, c.transcript);
    EXPECT_EQ(run.err, c.message + NOT_WRITTEN);
    expect_earlier_curve_kept();
  }
}

// Text after the number that would make it another site: a decimal comma,
// a hemisphere letter or word, degrees and minutes with or without their
// signs, two numbers for one answer. Each stops the run as unreadable
// input; text that changes nothing is still ignored.
TEST(Program, AnAnswerThatWouldGiveAnotherSiteIsRefused) {
  const std::string LAT = "karven: expected the geodetic latitude in decimal degrees, read ";
  const std::string LON = "karven: expected the geodetic longitude in decimal degrees, read ";
  const std::string NORTH = ": type the latitude north positive, e.g. 40.4 for 40.4 N";
  const std::string EAST = ": type the longitude east positive, e.g. -3.7 for 3.7 W";
  const std::string DEGREES = ": type decimal degrees, e.g. 48.85 for 48 degrees 51 minutes";
  const std::string ONE_LAT =
      ": give one number per question: the latitude here, the longitude at the next question";
  const std::string ONE_LON = ": give one number per question: the longitude alone here";
  const std::string AT_LAT = BANNER + LAT_PROMPT;
  const struct {
    const char* input;
    std::string transcript;
    std::string message;
  } refused[] = {
      // A decimal comma, also with blanks after it.
      {"48,85\n2,35\n", AT_LAT, LAT + "\"48,85\": use a decimal point, e.g. 48.85"},
      {"40.4\n-3,7 Madrid\n", AT_LONGITUDE,
       LON + "\"-3,7 Madrid\": use a decimal point, e.g. -3.7"},
      {"48, 85\n", AT_LAT, LAT + "\"48, 85\": use a decimal point, e.g. 48.85"},
      {"40.4\n-3,\t7\n", AT_LONGITUDE, LON + "\"-3,\\x097\": use a decimal point, e.g. -3.7"},
      // A hemisphere, as a letter or a word of the region's languages.
      {"40.4\n3.7 W\n", AT_LONGITUDE, LON + "\"3.7 W\"" + EAST},
      {"40.4\r\n3.7,w\r\n", AT_LONGITUDE, LON + "\"3.7,w\"" + EAST},
      {"48.85 n\n2.35\n", AT_LAT, LAT + "\"48.85 n\"" + NORTH},
      {"40.4\n3.7 West\n", AT_LONGITUDE, LON + "\"3.7 West\"" + EAST},
      {"40.4\n3.7 W.\n", AT_LONGITUDE, LON + "\"3.7 W.\"" + EAST},
      {"40.4\n3.7 (W)\n", AT_LONGITUDE, LON + "\"3.7 (W)\"" + EAST},
      {"40.4\n3.7 Ouest\n", AT_LONGITUDE, LON + "\"3.7 Ouest\"" + EAST},
      {"40.4\n3.7 O\n", AT_LONGITUDE, LON + "\"3.7 O\"" + EAST},
      {"40.4\n3.7 OESTE\n", AT_LONGITUDE, LON + "\"3.7 OESTE\"" + EAST},
      {"40.4\n3.7 ovest.\n", AT_LONGITUDE, LON + "\"3.7 ovest.\"" + EAST},
      {"40.4\n-3.7 West\n", AT_LONGITUDE, LON + "\"-3.7 West\"" + EAST},
      {"40.4\n13.4 Ost\n", AT_LONGITUDE, LON + "\"13.4 Ost\"" + EAST},
      {"40.4\n2.3 est\n", AT_LONGITUDE, LON + "\"2.3 est\"" + EAST},
      {"40.4\n2.3 Este\n", AT_LONGITUDE, LON + "\"2.3 Este\"" + EAST},
      {"40.4\n2.3 East\n", AT_LONGITUDE, LON + "\"2.3 East\"" + EAST},
      {"40.4 North\n", AT_LAT, LAT + "\"40.4 North\"" + NORTH},
      {"40.4 Nord\n", AT_LAT, LAT + "\"40.4 Nord\"" + NORTH},
      {"40.4 norte\n", AT_LAT, LAT + "\"40.4 norte\"" + NORTH},
      {"40.4\tN.\n-3.7 Spain\n", AT_LAT, LAT + "\"40.4\\x09N.\"" + NORTH},
      {"40.4 Sur\n", AT_LAT, LAT + "\"40.4 Sur\"" + NORTH},
      {"40.4 sul\n", AT_LAT, LAT + "\"40.4 sul\"" + NORTH},
      {"40.4 sud\n", AT_LAT, LAT + "\"40.4 sud\"" + NORTH},
      {"40.4 South\n", AT_LAT, LAT + "\"40.4 South\"" + NORTH},
      {"40.4 S\xC3\xBC"
       "d\n",
       AT_LAT, LAT + "\"40.4 S\\xC3\\xBCd\"" + NORTH},
      {"40.4 S\xC3\x9C"
       "D\n",
       AT_LAT, LAT + "\"40.4 S\\xC3\\x9CD\"" + NORTH},
      {"40.4 [S]\n", AT_LAT, LAT + "\"40.4 [S]\"" + NORTH},
      // Degrees, minutes and seconds, with their signs or without.
      {"48 51'\n2.35\n", AT_LAT, LAT + "\"48 51'\"" + DEGREES},
      {"48 \xC2\xB0\n2.35\n", AT_LAT, LAT + "\"48 \\xC2\\xB0\"" + DEGREES},
      {"48.85\n2 21\xE2\x80\xB2\n", AT_LONGITUDE, LON + "\"2 21\\xE2\\x80\\xB2\"" + DEGREES},
      {"48 51 30\"\n2.35\n", AT_LAT, LAT + "\"48 51 30\\x22\"" + DEGREES},
      {"48 51\n", AT_LAT, LAT + "\"48 51\"" + DEGREES},
      {"48 51 30\n", AT_LAT, LAT + "\"48 51 30\"" + DEGREES},
      {"40.4\n-3 42\n", AT_LONGITUDE, LON + "\"-3 42\"" + DEGREES},
      {"40\t24.5\n", AT_LAT, LAT + "\"40\\x0924.5\"" + DEGREES},
      // Two numbers for one answer.
      {"48.85,2.35\n", AT_LAT, LAT + "\"48.85,2.35\"" + ONE_LAT},
      {"48.85, 2.35\n", AT_LAT, LAT + "\"48.85, 2.35\"" + ONE_LAT},
      {"48.85 2.35\n", AT_LAT, LAT + "\"48.85 2.35\"" + ONE_LAT},
      {"48.85\n2.35 -.5\n", AT_LONGITUDE, LON + "\"2.35 -.5\"" + ONE_LON},
  };
  for (const auto& c : refused) {
    SCOPED_TRACE(c.input);
    DemoRunDir dir;
    testsupport::write_file(driver::CURVE_FILE_NAME, EARLIER_CURVE);
    const auto run = run_program_binary(KARVEN_PROGRAM, c.input);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, c.transcript);
    EXPECT_EQ(run.err, c.message + NOT_WRITTEN);
    expect_earlier_curve_kept();
  }
  // A hemisphere however it is written: signs around the letters, compass
  // points, direction words with their compounds, endings and accents.
  for (const std::string word : {"W;",
                                 "W:",
                                 "W!",
                                 "WEST!",
                                 "-W",
                                 "W-",
                                 "{W}",
                                 "SW",
                                 "NW",
                                 "NNE",
                                 "SO",
                                 "- W",
                                 "Westen",
                                 "westlich",
                                 "westward",
                                 "Oest",
                                 "S\xC3\xBC"
                                 "den",
                                 "S\xFC"
                                 "den",
                                 "Norden",
                                 "Nordost",
                                 "northern",
                                 "southwards",
                                 "nord\xC3\xB6stlich",
                                 "Noroeste",
                                 "north-east"}) {
    SCOPED_TRACE(word);
    DemoRunDir dir;
    testsupport::write_file(driver::CURVE_FILE_NAME, EARLIER_CURVE);
    const auto run = run_program_binary(KARVEN_PROGRAM, "48.85\n3.7 " + word + "\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, AT_LONGITUDE);
    EXPECT_EQ(run.err, LON + console::quoted_token("3.7 " + word, false) + EAST + NOT_WRITTEN);
    expect_earlier_curve_kept();
  }
  // Text that says nothing of the number is ignored, as it always was;
  // place names that only begin like a direction among it.
  for (const char* input :
       {"40.4 , Madrid\n-3.7\n", "40.4 / site 3\n-3.7/x\n", "40.4,Madrid\n-3.7 Spain\n",
        "40.4,-3.7\n-3.7\n", "40.4, -3.7\n-3.7 (Madrid)\n", "40.4 Nordic\n-3.7 Westphalia 2\n",
        "40.4 / 3\n-3.7 -\n", "40.4 Sevilla\n-3.7 Oviedo\n", "40.4 Nordhausen\n-3.7 Westerland\n",
        "40.4 Ostia\n-3.7 Norwich\n", "40.4 Essen\n-3.7 Sens\n"}) {
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

TEST(Program, ACurveFileThatCannotBeReplacedIsAFailureNotASilentSuccess) {
  const struct {
    const char* name;
    void (*make)();
    std::string message;
  } cases[] = {
      {"a directory", [] { std::filesystem::create_directory(driver::CURVE_FILE_NAME); },
       "cannot create the curve file psvc_karven.eu.26.dat: Is a directory"},
      {"a link to a device",
       [] { std::filesystem::create_symlink("/dev/full", driver::CURVE_FILE_NAME); },
       "cannot create the curve file psvc_karven.eu.26.dat: it exists and is not a regular file"},
      {"a pipe", [] { ASSERT_EQ(mkfifo(driver::CURVE_FILE_NAME, 0600), 0); },
       "cannot create the curve file psvc_karven.eu.26.dat: it exists and is not a regular file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DemoRunDir dir;
    c.make();
    const auto run = run_program_binary(KARVEN_PROGRAM, "40.4\n-3.7\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "karven: " + c.message + NOT_WRITTEN);
    EXPECT_EQ(directory_listing(), COEFFICIENTS_AND_CURVE);
  }
}

TEST(Program, AnswersHelpAndVersionAndRefusesOtherArguments) {
  const std::string wrong_option =
      "\": karven takes no options but --help and --version; see 'man karven'\n";
  const std::string wrong_argument =
      "\": karven asks for the site on standard input and takes no arguments; see 'man "
      "karven'\n";
  const struct {
    std::vector<std::string> arguments;
    int status;
    std::string out;
    std::string err;
  } cases[] = {
      {{"--help"}, 0, driver::help_text(), ""},
      {{"-h"}, 0, driver::help_text(), ""},
      {{"--colour", "--help"}, 0, driver::help_text(), ""},
      {{"--version"}, 0, "karven " + std::string(karven::VERSION) + "\n", ""},
      {{"--colour"}, 2, "", "karven: unknown option \"--colour" + wrong_option},
      {{"--lat=48.85"}, 2, "", "karven: unknown option \"--lat" + wrong_option},
      {{"48.85", "2.35"}, 2, "", "karven: unexpected argument \"48.85" + wrong_argument},
      {{"--", "--help"}, 2, "", "karven: unexpected argument \"--help" + wrong_argument},
      {{"-"}, 2, "", "karven: unexpected argument \"-" + wrong_argument},
      {{"\x1b[2J"}, 2, "", "karven: unexpected argument \"\\x1B[2J" + wrong_argument},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments.front());
    DemoRunDir dir;
    testsupport::write_file(driver::CURVE_FILE_NAME, EARLIER_CURVE);
    testsupport::ProgramCall call;
    call.program = KARVEN_PROGRAM;
    call.arguments = c.arguments;
    call.input = "40.4\n-3.7\n";
    const auto run = testsupport::run_program(call);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.err, c.err);
    expect_earlier_curve_kept();
  }
  // "--" alone ends the options and starts the run.
  DemoRunDir dir;
  testsupport::ProgramCall call;
  call.program = KARVEN_PROGRAM;
  call.arguments = {"--"};
  call.input = "40.4\n-3.7\n";
  EXPECT_EQ(testsupport::run_program(call).out, VALID_DIALOGUE + CLOSING);
  // An answer that cannot be written is a failure.
  for (const char* argument : {"--help", "--version"}) {
    SCOPED_TRACE(argument);
    call.arguments = {argument};
    call.stdout_path = "/dev/full";
    const auto run = testsupport::run_program(call);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "karven: cannot write to standard output\n");
  }
}

}  // namespace
