// Runs of the built program with piped standard input, compared as whole
// transcripts and whole files.
#include <gtest/gtest.h>

#include <filesystem>

#include "driver/curve_file.hpp"
#include "testsupport/testsupport.hpp"

namespace {

using testsupport::read_file;
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

const std::string TITLE_BLOCK =
    "      KARVEN.EU.26 Regional Archaeomagnetic Model\n"
    "          for Europe for the last 2000 years\n"
    " \n"
    "Authors (year): see the reference distributed with KARVEN_coeff.inp\n"
    "Title: the publication of the KARVEN.EU.26 model, cited in full in\n"
    "       the reference distributed with the model's coefficient file\n"
    "Journal, volume (issue), pages: as given in that reference\n"
    "Identifier: as given in that reference\n"
    " \n"
    " \n";
const std::string HEADINGS =
    " \n"
    "                       *Errors at 95% of confidence\n"
    " \n"
    "Time(yrs) Dec.(deg) Inc.(deg) Int.(microT) eDec.(deg) eInc.(deg) eInt(microT)\n";

std::string site_block(const std::string& value_line) {
  return " \n   Geodetic Latitude  Geodetic Longitud\n" + value_line + "\n";
}

TEST(Program, DialogueTranscriptsAreExact) {
  const struct {
    const char* name;
    const char* input;
    std::string transcript;
    std::string site_line;
  } cases[] = {
      {"valid site on the first try", "40.4\n-3.7\n",
       BANNER + LAT_PROMPT + AFTER_READ + START_LON + LON_PROMPT + AFTER_READ + CLOSING,
       "          40.40          -3.70"},
      {"latitude below the region", "34.99\n40.4\n-3.7\n",
       BANNER + LAT_PROMPT + AFTER_READ + LAT_AGAIN + LAT_PROMPT + AFTER_READ + START_LON +
           LON_PROMPT + AFTER_READ + CLOSING,
       "          40.40          -3.70"},
      {"longitude beyond the region", "34.99\n40.4\n30.01\n-3.7\n",
       BANNER + LAT_PROMPT + AFTER_READ + LAT_AGAIN + LAT_PROMPT + AFTER_READ + START_LON +
           LON_PROMPT + AFTER_READ + LON_AGAIN + LON_PROMPT + AFTER_READ + CLOSING,
       "          40.40          -3.70"},
      {"lower bounds", "35\n-15\n",
       BANNER + LAT_PROMPT + AFTER_READ + START_LON + LON_PROMPT + AFTER_READ + CLOSING,
       "          35.00         -15.00"},
      {"upper bounds", "  60.  trailing words\r\n\n\n3.0D+01\n",
       BANNER + LAT_PROMPT + AFTER_READ + START_LON + LON_PROMPT + AFTER_READ + CLOSING,
       "          60.00          30.00"},
      {"NaN answers", "NaN\n45\n-nan\n8\n",
       BANNER + LAT_PROMPT + AFTER_READ + LAT_AGAIN + LAT_PROMPT + AFTER_READ + START_LON +
           LON_PROMPT + AFTER_READ + LON_AGAIN + LON_PROMPT + AFTER_READ + CLOSING,
       "          45.00           8.00"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedWorkDir dir;
    const auto run = run_program_binary(KARVEN_PROGRAM, c.input);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, c.transcript);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(read_file(driver::CURVE_FILE_NAME),
              TITLE_BLOCK + site_block(c.site_line) + HEADINGS);
  }
}

TEST(Program, ASecondRunLeavesOnlyItsOwnLines) {
  ScopedWorkDir dir;
  run_program_binary(KARVEN_PROGRAM, "59\n29\n");
  const auto run = run_program_binary(KARVEN_PROGRAM, "40.4\n-3.7\n");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(read_file(driver::CURVE_FILE_NAME),
            TITLE_BLOCK + site_block("          40.40          -3.70") + HEADINGS);
}

TEST(Program, UnreadableOrEndedInputStopsTheRunWithStatusOne) {
  const struct {
    const char* name;
    const char* input;
    std::string transcript;
    std::string message;
    std::string file;
  } cases[] = {
      // The user's line end has already ended the prompt's line.
      {"unreadable latitude", "40.4abc\n-3.7\n", BANNER + LAT_PROMPT,
       "karven: expected the geodetic latitude in decimal degrees, read \"40.4abc\"\n",
       TITLE_BLOCK},
      {"no input at all", "", BANNER + LAT_PROMPT + "\n",
       "karven: expected the geodetic latitude in decimal degrees, but the input ended\n",
       TITLE_BLOCK},
      {"input ends before the longitude", "40.4\n", BANNER + LAT_PROMPT + AFTER_READ + START_LON +
       LON_PROMPT + "\n",
       "karven: expected the geodetic longitude in decimal degrees, but the input ended\n",
       TITLE_BLOCK},
      {"unreadable longitude", "40.4\n--3\n", BANNER + LAT_PROMPT + AFTER_READ + START_LON +
       LON_PROMPT,
       "karven: expected the geodetic longitude in decimal degrees, read \"--3\"\n", TITLE_BLOCK},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedWorkDir dir;
    const auto run = run_program_binary(KARVEN_PROGRAM, c.input);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, c.transcript);
    EXPECT_EQ(run.err, c.message);
    EXPECT_EQ(read_file(driver::CURVE_FILE_NAME), c.file);
  }
}

TEST(Program, AnUnwritableCurveFileIsAFailureNotASilentSuccess) {
  {
    ScopedWorkDir dir;
    std::filesystem::create_directory(driver::CURVE_FILE_NAME);
    const auto run = run_program_binary(KARVEN_PROGRAM, "40.4\n-3.7\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err,
              "karven: cannot create the curve file psvc_karven.eu.26.dat: Is a directory\n");
  }
  {
    ScopedWorkDir dir;
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
