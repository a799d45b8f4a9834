#include "driver/curve_file.hpp"

#include <gtest/gtest.h>

#include <filesystem>

#include "driver/tests/curve_texts.hpp"
#include "driver/tests/program_runs.hpp"
#include "testsupport/testsupport.hpp"

namespace {

using testsupport::read_file;
using testsupport::read_lines;
using testsupport::ScopedWorkDir;

using driver_test::directory_listing;

using driver_test::HEADINGS;
using driver_test::TITLE_BLOCK;

TEST(CurveFile, HoldsTheHeaderTheSiteAndTheCurveLinesInOrder) {
  ScopedWorkDir dir;
  driver::open_curve_file();
  driver::write_site_block(40.4, -3.7);
  driver::write_curve_headings();
  driver::write_curve_line(0.0, 32.3819, 40.3625, 22.9282, 3.44246, 3.88449, 1.85823);
  driver::write_curve_line(1900.0, -2.35, 58.12, 47.86, 1.05, 0.74, 1.92);
  driver::close_curve_file();
  EXPECT_EQ(read_file(driver::CURVE_FILE_NAME),
            TITLE_BLOCK +
                " \n"
                "   Geodetic Latitude  Geodetic Longitud\n"
                "          40.40          -3.70\n" +
                HEADINGS +
                "     0.     32.38     40.36     22.93         3.44       3.88       1.86\n"
                "  1900.     -2.35     58.12     47.86         1.05        .74       1.92\n");
}

TEST(CurveFile, SiteLineShowsTheTypedValues) {
  ScopedWorkDir dir;
  driver::open_curve_file();
  driver::write_site_block(45.0, 8.0);
  driver::close_curve_file();
  const auto lines = read_lines(driver::CURVE_FILE_NAME);
  ASSERT_EQ(lines.size(), 13u);
  EXPECT_EQ(lines[12], std::string(10, ' ') + "45.00" + std::string(11, ' ') + "8.00");
}

TEST(CurveFile, UndefinedValuesKeepTheLineAt72Characters) {
  ScopedWorkDir dir;
  driver::open_curve_file();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  driver::write_curve_line(5.0, nan, -std::numeric_limits<double>::infinity(), 0.0, nan, nan, 1e12);
  driver::close_curve_file();
  const auto lines = read_lines(driver::CURVE_FILE_NAME);
  ASSERT_EQ(lines.size(), 11u);
  EXPECT_EQ(lines[10], "     5.       NaN      -Inf       .00          NaN        NaN***********");
}

TEST(CurveFile, ClosingReplacesAnEarlierFileAndDiscardingKeepsIt) {
  ScopedWorkDir dir;
  testsupport::write_file(driver::CURVE_FILE_NAME, std::string(5000, 'x'));
  driver::open_curve_file();
  driver::write_site_block(40.4, -3.7);
  // Until the run completes, the earlier file is untouched.
  EXPECT_EQ(read_file(driver::CURVE_FILE_NAME), std::string(5000, 'x'));
  driver::discard_curve_file();
  EXPECT_EQ(read_file(driver::CURVE_FILE_NAME), std::string(5000, 'x'));
  EXPECT_EQ(directory_listing(), std::vector<std::string>{driver::CURVE_FILE_NAME});
  driver::open_curve_file();
  driver::close_curve_file();
  EXPECT_EQ(read_file(driver::CURVE_FILE_NAME), TITLE_BLOCK);
  EXPECT_EQ(directory_listing(), std::vector<std::string>{driver::CURVE_FILE_NAME});
}

// A curve file that is a link, symbolic or hard, to another file (the
// coefficient file, say) is replaced as a name: the file it led to keeps
// its bytes.
TEST(CurveFile, ALinkIsReplacedNotTheFileItLeadsTo) {
  for (const bool symbolic : {true, false}) {
    SCOPED_TRACE(symbolic ? "symbolic link" : "hard link");
    ScopedWorkDir dir;
    testsupport::write_file("KARVEN_coeff.inp", "the coefficients\n");
    if (symbolic) {
      std::filesystem::create_symlink("KARVEN_coeff.inp", driver::CURVE_FILE_NAME);
    } else {
      std::filesystem::create_hard_link("KARVEN_coeff.inp", driver::CURVE_FILE_NAME);
    }
    driver::open_curve_file();
    driver::close_curve_file();
    EXPECT_EQ(read_file("KARVEN_coeff.inp"), "the coefficients\n");
    EXPECT_EQ(read_file(driver::CURVE_FILE_NAME), TITLE_BLOCK);
    EXPECT_TRUE(
        std::filesystem::is_regular_file(std::filesystem::symlink_status(driver::CURVE_FILE_NAME)));
  }
}

TEST(CurveFile, FailuresNameTheFileAndTheReason) {
  ScopedWorkDir dir;
  std::filesystem::create_directory(driver::CURVE_FILE_NAME);
  try {
    driver::open_curve_file();
    ADD_FAILURE() << "no CurveFileError";
  } catch (const driver::CurveFileError& e) {
    EXPECT_STREQ(e.what(), "cannot create the curve file psvc_karven.eu.26.dat: Is a directory");
  }
  std::filesystem::remove(driver::CURVE_FILE_NAME);
  std::filesystem::create_symlink("/dev/full", driver::CURVE_FILE_NAME);
  try {
    driver::open_curve_file();
    ADD_FAILURE() << "no CurveFileError";
  } catch (const driver::CurveFileError& e) {
    EXPECT_STREQ(e.what(),
                 "cannot create the curve file psvc_karven.eu.26.dat: it exists and is not a "
                 "regular file");
  }
  std::filesystem::remove(driver::CURVE_FILE_NAME);
  // A directory put in the curve file's place while the run was under way.
  driver::open_curve_file();
  std::filesystem::create_directory(driver::CURVE_FILE_NAME);
  std::filesystem::create_directory(std::string(driver::CURVE_FILE_NAME) + "/in-it");
  try {
    driver::close_curve_file();
    ADD_FAILURE() << "no CurveFileError";
  } catch (const driver::CurveFileError& e) {
    EXPECT_STREQ(e.what(), "cannot create the curve file psvc_karven.eu.26.dat: Is a directory");
  }
  EXPECT_EQ(directory_listing(), std::vector<std::string>{driver::CURVE_FILE_NAME});
  driver::close_curve_file();  // nothing left open
}

}  // namespace
