// The .14c reader, strict about every row, and the catalogue of the
// bundled curves.
#include "radiocarbon/calibration_curve.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using radiocarbon::CalibrationCurve;
using radiocarbon::CurveFileError;
using testing::ElementsAre;

std::string message_of(std::string_view text) {
  try {
    radiocarbon::read_curve_text(text, "bad.14c");
  } catch (const CurveFileError& e) {
    return e.what();
  }
  return "(read)";
}

TEST(ReadCurve, CommentsSkippedRowsTurnedIntoAscendingYearsAD) {
  const CalibrationCurve c = radiocarbon::read_curve_text(
      "##A curve\r\n# CAL BP, 14C age,Sigma,Delta 14C,Sigma\r\n"
      "2000,2010,20,1.5,2.0\r\n\r\n1995, 2000.5 ,18,1,1\r\n1950,1990,16\r\n",
      "small.14c");
  EXPECT_EQ(c.name, "small.14c");
  EXPECT_EQ(c.citation, "");
  EXPECT_THAT(c.years, ElementsAre(-50.0, -45.0, 0.0));
  EXPECT_THAT(c.ages, ElementsAre(2010.0, 2000.5, 1990.0));
  EXPECT_THAT(c.sigmas, ElementsAre(20.0, 18.0, 16.0));
}

TEST(ReadCurve, BrokenFilesAreRefusedNamingFileAndLine) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"", "bad.14c holds 0 rows; a calibration curve needs at least two"},
      {"# only\n10,100,5\n", "bad.14c holds 1 row; a calibration curve needs at least two"},
      {"# c\n10,100\n",
       "bad.14c, line 2: a row holds cal BP, 14C age and sigma, comma-separated; "
       "found \"10,100\""},
      {"10,100,5\n5,abc,5\n", "bad.14c, line 2: the 14C age is not a finite number: \"abc\""},
      {"10,100,5\n5,nan,5\n", "bad.14c, line 2: the 14C age is not a finite number: \"nan\""},
      {"10,1e999,5\n", "bad.14c, line 1: the 14C age is not a finite number: \"1e999\""},
      {",100,5\n", "bad.14c, line 1: the cal BP is not a finite number: \"\""},
      {"10,100,0\n", "bad.14c, line 1: the sigma must be positive: \"0\""},
      {"10,100,-3\n", "bad.14c, line 1: the sigma must be positive: \"-3\""},
      {"10,100,5\n10,99,5\n", "bad.14c, line 2: cal BP \"10\" repeats line 1"},
      {"10,100,5\n# c\n5,99,5\n7,98,5\n",
       "bad.14c, line 4: cal BP \"7\" does not continue the decreasing order of the rows before it "
       "(line 3)"},
      {"1,100,5\n2,99,5\n2,98,5\n",
       "bad.14c, line 3: cal BP \"2\" does not continue the increasing order of the rows before it "
       "(line 2)"},
  };
  for (const auto& [text, message] : cases) EXPECT_EQ(message_of(text), message) << text;
}

TEST(ReadCurve, AFileThatCannotBeReadIsNamed) {
  try {
    radiocarbon::load_curve("no-such-curve.14c");
    FAIL() << "read";
  } catch (const CurveFileError& e) {
    EXPECT_EQ(std::string(e.what()), "cannot read no-such-curve.14c: No such file or directory");
  }
}

TEST(Catalogue, BundledCurvesByNameInAnyCase) {
  EXPECT_EQ(radiocarbon::catalogue_entry("IntCal20")->file, "intcal20.14c");
  EXPECT_EQ(radiocarbon::catalogue_entry("SHCAL20")->name, "SHCal20");
  EXPECT_EQ(radiocarbon::catalogue_entry("marine20")->name, "Marine20");
  EXPECT_FALSE(radiocarbon::catalogue_entry("intcal13"));

  const CalibrationCurve intcal = radiocarbon::load_curve("INTCAL20");
  EXPECT_EQ(intcal.name, "IntCal20");
  EXPECT_EQ(intcal.citation,
            "Reimer, P. J. et al. (2020): The IntCal20 Northern Hemisphere radiocarbon age "
            "calibration curve (0-55 cal kBP). Radiocarbon 62(4), 725-757, "
            "doi:10.1017/RDC.2020.41");
  ASSERT_EQ(intcal.years.size(), 9501u);
  // 55000 cal BP: 50100 +- 1024; 0 cal BP: 199 +- 11.
  EXPECT_EQ(intcal.years.front(), -53050.0);
  EXPECT_EQ(intcal.ages.front(), 50100.0);
  EXPECT_EQ(intcal.sigmas.front(), 1024.0);
  EXPECT_EQ(intcal.years.back(), 1950.0);
  EXPECT_EQ(intcal.ages.back(), 199.0);
  EXPECT_EQ(intcal.sigmas.back(), 11.0);
  EXPECT_EQ(radiocarbon::load_curve("Marine20").years.size(), 5501u);
  EXPECT_EQ(radiocarbon::load_curve("shcal20").years.size(), 9501u);
}

}  // namespace
