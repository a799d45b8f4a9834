#include "curve/curve_reader.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "curve/tests/synthetic_curve.hpp"
#include "driver/curve_file.hpp"
#include "testsupport/testsupport.hpp"

namespace {

using curve::Curve;
using curve::CurveFileError;
using curve::read_curve_text;
using curve_test::curve_header;
using curve_test::smooth_curve_text;

const std::string HEADER = curve_header(40.4, -3.7);

// The worked line of the curve file's layout and the one before it.
const std::string LINE_1895 =
    "  1895.     -2.40     58.10     47.90         1.10        .70       1.90\n";
const std::string LINE_1900 =
    "  1900.     -2.35     58.12     47.86         1.05        .74       1.92\n";

// The header with line `number` (1-based) replaced.
std::string header_with(int number, const std::string& line) {
  const auto lines = testsupport::split_lines(HEADER);
  std::string text;
  for (int k = 1; k <= static_cast<int>(lines.size()); ++k) {
    text += (k == number ? line : lines[static_cast<std::size_t>(k - 1)]) + "\n";
  }
  return text;
}

// LINE_1900 with the columns first to last (1-based) replaced.
std::string line_1900_with(std::size_t first, std::size_t last, const std::string& field) {
  std::string line = LINE_1900;
  return line.replace(first - 1, last - first + 1, field);
}

std::string message_of(const std::string& text) {
  try {
    read_curve_text(text, "curve.dat");
  } catch (const CurveFileError& e) {
    return e.what();
  }
  return "(read without complaint)";
}

TEST(ReadCurveText, ReadsTheHeaderAndTheFieldsOfEachLine) {
  const Curve curve = read_curve_text(HEADER + LINE_1895 + LINE_1900, "curve.dat");
  EXPECT_EQ(curve.model, "KARVEN.EU.26");
  EXPECT_EQ(curve.latitude, 40.4);
  EXPECT_EQ(curve.longitude, -3.7);
  ASSERT_EQ(curve.points.size(), 2u);
  EXPECT_EQ(curve.points[0].year, 1895.0);
  EXPECT_EQ(curve.points[1].year, 1900.0);
  // The decimal digits of the file, each read to the nearest double.
  const std::array<double, 6> expected = {-2.35, 58.12, 47.86, 1.05, 0.74, 1.92};
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(curve.points[1].values[i], expected[i]);
  }
}

TEST(ReadCurveText, ReadsACompleteCurve) {
  const Curve curve = read_curve_text(smooth_curve_text(), "curve.dat");
  ASSERT_EQ(curve.points.size(), 381u);
  EXPECT_EQ(curve.points.front().year, 0.0);
  EXPECT_EQ(curve.points.back().year, 1900.0);
  for (const curve::CurvePoint& point : curve.points) {
    const auto values = curve_test::smooth_values(point.year);
    for (std::size_t i = 0; i < values.size(); ++i) {
      // Two decimals in the file: half a unit of the last digit, and a
      // little for the decimal reading of the written digits.
      EXPECT_NEAR(point.values[i], values[i], 0.005 + 1e-12) << point.year << " " << i;
    }
  }
}

TEST(ReadCurveText, ReadsWhatTheProgramsCurveFileWriterWrites) {
  testsupport::ScopedWorkDir dir;
  driver::open_curve_file();
  driver::write_site_block(45.0, 8.0);
  driver::write_curve_headings();
  driver::write_curve_line(0.0, 32.3819, 40.3625, 22.9282, 3.44246, 3.88449, 1.85823);
  driver::write_curve_line(5.0, -0.3, 0.0, -0.004, 1e12, std::nan(""), INFINITY);
  driver::close_curve_file();

  const Curve curve = curve::read_curve_file(driver::CURVE_FILE_NAME);
  EXPECT_EQ(curve.latitude, 45.0);
  EXPECT_EQ(curve.longitude, 8.0);
  ASSERT_EQ(curve.points.size(), 2u);
  EXPECT_EQ(curve.points[0].values, (std::array<double, 6>{32.38, 40.36, 22.93, 3.44, 3.88, 1.86}));
  EXPECT_EQ(curve.points[1].values[0], -0.3);
  EXPECT_EQ(curve.points[1].values[1], 0.0);
  EXPECT_EQ(curve.points[1].values[2], 0.0);  // written "-.00"
  for (std::size_t i = 3; i < 6; ++i) EXPECT_TRUE(std::isnan(curve.points[1].values[i])) << i;
}

TEST(ReadCurveText, NotANumberInfinitiesAndAsterisksAreGaps) {
  struct Row {
    std::size_t first, last;  // columns of the field
    std::string field;
    std::size_t quantity;
  };
  const std::vector<Row> rows = {
      {8, 17, "       NaN", curve::DECLINATION},
      {18, 27, "      -Inf", curve::INCLINATION},
      {28, 37, "       Inf", curve::INTENSITY},
      {28, 37, "      -nan", curve::INTENSITY},
      {38, 50, "*************", curve::DECLINATION_ERROR},
      {51, 61, "   ********", curve::INCLINATION_ERROR},
      {62, 72, "   Infinity", curve::INTENSITY_ERROR},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.field);
    const Curve curve =
        read_curve_text(HEADER + LINE_1895 + line_1900_with(row.first, row.last, row.field), "c");
    for (std::size_t i = 0; i < 6; ++i) {
      EXPECT_EQ(std::isnan(curve.points[1].values[i]), i == row.quantity) << i;
    }
  }
}

TEST(ReadCurveText, TakesCarriageReturnsTrailingBlankLinesAndNoFinalLineEnd) {
  const std::vector<std::string> texts = {
      HEADER + LINE_1895 + LINE_1900 + "\n \n\n",
      HEADER + LINE_1895 + LINE_1900.substr(0, 72),
      [] {
        std::string crlf;
        for (const auto& line : testsupport::split_lines(HEADER + LINE_1895 + LINE_1900)) {
          crlf += line + "\r\n";
        }
        return crlf;
      }(),
  };
  for (const std::string& text : texts) {
    SCOPED_TRACE(text.size());
    const Curve curve = read_curve_text(text, "curve.dat");
    ASSERT_EQ(curve.points.size(), 2u);
    EXPECT_EQ(curve.points[1].values[curve::INCLINATION_ERROR], 0.74);
  }
}

TEST(ReadCurveText, NamesTheFileAndTheLineOfWhatIsNotACurveFile) {
  struct Row {
    const char* what;
    std::string text;
    std::string message;
  };
  const std::string tail = "; not a curve file";
  const std::vector<Row> rows = {
      {"empty", "", "curve.dat is empty" + tail},
      {"cut in the header", HEADER.substr(0, HEADER.find("Identifier")),
       "curve.dat ends after line 7, inside the 17-line header" + tail},
      {"coefficient file", "62.1 .5 -.3 .02\n" + HEADER,
       "curve.dat, line 1: expected the model's title, as \"KARVEN.EU.26 Regional "
       "Archaeomagnetic Model\"" +
           tail},
      {"quote in the model's name", header_with(1, "  KARVEN'EU Regional Archaeomagnetic Model"),
       "curve.dat, line 1: expected the model's title, as \"KARVEN.EU.26 Regional "
       "Archaeomagnetic Model\"" +
           tail},
      {"line 11", header_with(11, "x"), "curve.dat, line 11: expected a blank line" + tail},
      {"line 12", header_with(12, "   Geodetic Latitude  Geodetic Longitude"),
       "curve.dat, line 12: expected the site heading \"   Geodetic Latitude  Geodetic "
       "Longitud\"" +
           tail},
      {"one number in the site line", header_with(13, "          40.40"),
       "curve.dat, line 13: expected the site's latitude and longitude" + tail},
      {"three numbers in the site line", header_with(13, "  40.40  -3.70  0.00"),
       "curve.dat, line 13: expected the site's latitude and longitude" + tail},
      {"NaN in the site line", header_with(13, "            NaN          -3.70"),
       "curve.dat, line 13: expected the site's latitude and longitude" + tail},
      {"line 15", header_with(15, "*Errors at 95% of confidence"),
       "curve.dat, line 15: expected the heading \"                       *Errors at 95% of "
       "confidence\"" +
           tail},
      {"line 16", header_with(16, LINE_1895.substr(0, 72)),
       "curve.dat, line 16: expected a blank line" + tail},
      {"line 17", header_with(17, "Time Dec Inc Int"),
       "curve.dat, line 17: expected the column heading \"Time(yrs) Dec.(deg) Inc.(deg) "
       "Int.(microT) eDec.(deg) eInc.(deg) eInt(microT)\"" +
           tail},
      {"no curve line", HEADER,
       "curve.dat holds 0 curve lines after its header; a figure needs at least 2"},
      {"one curve line", HEADER + LINE_1900,
       "curve.dat holds 1 curve line after its header; a figure needs at least 2"},
      {"a short line", HEADER + LINE_1895 + LINE_1900.substr(1),
       "curve.dat, line 19: a curve line holds 72 characters, this one 71" + tail},
      {"a line cut short", HEADER + LINE_1895 + LINE_1900.substr(0, 40),
       "curve.dat, line 19: a curve line holds 72 characters, this one 40" + tail},
      {"a blank line inside", HEADER + LINE_1895 + "\n" + LINE_1900,
       "curve.dat, line 19: a curve line holds 72 characters, this one 0" + tail},
      {"a word", HEADER + LINE_1895 + line_1900_with(18, 27, "     abcde"),
       "curve.dat, line 19, columns 18-27: the inclination field \"     abcde\" holds no "
       "number" +
           tail},
      {"a blank field", HEADER + LINE_1895 + line_1900_with(62, 72, "           "),
       "curve.dat, line 19, columns 62-72: the error of intensity field \"           \" "
       "holds no number" +
           tail},
      {"columns shifted", HEADER + LINE_1895 + line_1900_with(8, 17, "    -2.35 "),
       "curve.dat, line 19, columns 8-17: the declination field \"    -2.35 \" holds no "
       "number" +
           tail},
      {"control characters", HEADER + LINE_1895 + line_1900_with(28, 37, "   \x1b[31m47"),
       "curve.dat, line 19, columns 28-37: the intensity field \"   \\x1B[31m47\" holds no "
       "number" +
           tail},
      {"no year", HEADER + LINE_1895 + line_1900_with(1, 7, "    NaN"),
       "curve.dat, line 19, columns 1-7: the year field \"    NaN\" holds no number" + tail},
      {"years out of order", HEADER + LINE_1900 + LINE_1895,
       "curve.dat, line 19: the year 1895 does not follow the year 1900" + tail},
      {"a year twice", HEADER + LINE_1900 + LINE_1900,
       "curve.dat, line 19: the year 1900 does not follow the year 1900" + tail},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(message_of(row.text), row.message);
  }
}

TEST(ReadCurveFile, SaysWhyAFileCannotBeRead) {
  testsupport::ScopedWorkDir dir;
  std::filesystem::create_directory("folder");
  testsupport::write_file("huge.dat", HEADER + std::string(curve::MAX_CURVE_FILE_BYTES, ' '));
  struct Row {
    std::string path, message;
  };
  const std::vector<Row> rows = {
      {"missing.dat", "cannot read missing.dat: No such file or directory"},
      {"folder", "cannot read folder: Is a directory"},
      {"huge.dat",
       "huge.dat is longer than any curve file (more than 1048576 bytes); not a "
       "curve file"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    try {
      curve::read_curve_file(row.path);
      ADD_FAILURE() << "read without complaint";
    } catch (const CurveFileError& e) {
      EXPECT_EQ(std::string(e.what()), row.message);
    }
  }
}

}  // namespace
