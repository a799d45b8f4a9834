#include "curve/ref_file.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "testsupport/testsupport.hpp"

namespace {

using curve::read_ref_text;
using curve::RefFileError;

// A file as laboratories hand them on: a byte order mark, Latin-1 and
// UTF-8 comments of every kind, CR LF line ends, empty trailing fields,
// spreadsheet debris, a missing stretch of years and a block of reference
// data after the curve.
TEST(RefFile, ReadsAUsersFileAndSaysWhatItDid) {
  const std::string text =
      "\xEF\xBB\xBF# Courbe de r\xE9\x66\xE9rence, inclinaison (\xC2\xB0)\r\n"
      "// site: M\xFCnchen\r\n"
      "/* two-line\r\n"
      "   comment */\r\n"
      "! last comment\r\n"
      "\r\n"
      "1000, 64.0, 2.0,,\r\n"
      "1025,64.5,2.5\r\n"
      "1050,#REF!,2.0\r\n"
      "1075,65.0,NaN\r\n"
      "1100,65.5,1.5\r\n"
      "1200,66.0,1.5\r\n"
      "1225,66.5,1.0\r\n"
      "# Reference points used\r\n"
      "1010,63.0,1.0\r\n";
  const curve::RefFile file = read_ref_text(text, "inc.ref");
  const double gap = std::nan("");
  const std::vector<double> years = {1000, 1025, 1050, 1075, 1100, 1150, 1200, 1225};
  const std::vector<double> values = {64.0, 64.5, gap, gap, 65.5, gap, 66.0, 66.5};
  const std::vector<double> sigmas = {2.0, 2.5, gap, gap, 1.5, gap, 1.5, 1.0};
  EXPECT_EQ(file.series.years, years);
  ASSERT_EQ(file.series.values.size(), values.size());
  for (std::size_t k = 0; k < values.size(); ++k) {
    EXPECT_TRUE(std::isnan(values[k]) ? std::isnan(file.series.values[k])
                                      : file.series.values[k] == values[k])
        << "value " << k;
    EXPECT_TRUE(std::isnan(sigmas[k]) ? std::isnan(file.series.sigmas[k])
                                      : file.series.sigmas[k] == sigmas[k])
        << "sigma " << k;
  }
  EXPECT_FALSE(file.site);
  ASSERT_FALSE(file.notes.empty());
  EXPECT_EQ(file.notes.front(),
            "inc.ref, line 2: the site line \"site: M\\xFCnchen\" is not of the form \"Site: "
            "geodetic latitude 48.85, longitude 2.35\"; the curve's site is left unknown");
  const std::vector<std::string> notes = {
      "inc.ref, line 9: the value \"#REF!\" is not a number; the year 1050 is taken as a gap",
      "inc.ref, line 10: the sigma \"NaN\" is not a number; the year 1075 is taken as a gap",
      "inc.ref, line 14: a block of reference points begins; the curve ends at line 13",
      "inc.ref, lines 11-12: no data between the years 1100 and 1200, where the steps beside it "
      "are 25 years; a gap, not bridged",
  };
  EXPECT_EQ(std::vector<std::string>(file.notes.begin() + 1, file.notes.end()), notes);
}

TEST(RefFile, RefusesWhatCannotBeACurve) {
  const auto message = [](const std::string& text) -> std::string {
    try {
      read_ref_text(text, "a.ref");
    } catch (const RefFileError& e) {
      return e.what();
    }
    return "read";
  };
  EXPECT_EQ(message("# decimal commas\n1000;64,0;2,0\n1025;64,5;2,5\n"),
            "a.ref, line 2: fields separated by semicolons, as a spreadsheet with decimal commas "
            "writes them; save the curve with commas between the fields and a point as the "
            "decimal mark, e.g. 1200,64.1,2.0");
  EXPECT_EQ(message("1000,64.0,2.0\n1000,64.5,2.5\n"),
            "a.ref, line 2: the year 1000 does not follow the year 1000; the years must increase");
  EXPECT_EQ(message("1000,64.0,-1\n1025,64.5,1\n"), "a.ref, line 1: the sigma \"-1\" is negative");
  EXPECT_EQ(message("1000,64.0,2.0\n1025,64.5,-0.01\n"),
            "a.ref, line 2: the sigma \"-0.01\" is negative");
  // A curve without error is a curve: the measurement's sigma keeps the
  // variance positive.
  EXPECT_EQ(message("1000,64.0,0\n1025,64.5,0\n"), "read");
  EXPECT_EQ(message("1000,64.0\n1025,64.5,1\n"),
            "a.ref, line 1: expected three fields year,value,sigma separated by commas, read "
            "\"1000,64.0\"");
  EXPECT_EQ(message("AD 1000,64.0,1\n"), "a.ref, line 1: the year \"AD 1000\" is not a number");
  EXPECT_EQ(message("1000,64.0,1\n1e9,64.0,1\n"),
            "a.ref, line 2: the year \"1e9\" lies beyond -100000 to 100000");
  EXPECT_EQ(message("# only one\n1000,64.0,2.0\r\n"),
            "a.ref holds 1 data line year,value,sigma; a reference curve needs at least 2");
  EXPECT_EQ(message(""),
            "a.ref holds 0 data lines year,value,sigma; a reference curve needs at "
            "least 2");
}

// A stretch between two data lines is a gap when it is more than twice
// each stretch beside it and the median stretch: a step that changes once,
// gradually or irregularly is kept whole, a hole is found.
TEST(RefFile, TellsAChangingStepFromAHole) {
  struct Case {
    std::string what;
    std::vector<double> years;
    std::vector<std::string> notes;  // of the gaps found
  };
  const auto every = [](double from, double to, double step) {
    std::vector<double> years;
    for (double year = from; year <= to; year += step) years.push_back(year);
    return years;
  };
  std::vector<double> two_steps = every(0, 475, 25);
  for (const double year : every(500, 1000, 10)) two_steps.push_back(year);
  const std::vector<Case> cases = {
      {"a step of 25 years, then of 10", two_steps, {}},
      {"a step that doubles gradually", {0, 10, 21, 33, 46, 60, 76, 94, 114, 136, 160, 190}, {}},
      {"irregular steps", {0, 8, 25, 31, 50, 54, 70, 89, 95, 110}, {}},
      {"two lines", {0, 500}, {}},
      {"a step that jumps from 5 to 12 years", {0, 5, 10, 15, 27, 39, 51}, {}},
      {"a hole in a regular curve",
       {1000, 1025, 1050, 1125, 1150, 1175},
       {"a.ref, lines 3-4: no data between the years 1050 and 1125, where the steps beside it "
        "are 25 years; a gap, not bridged"}},
      {"a hole where the step changes",
       {0, 25, 50, 75, 150, 160, 170, 180, 190},
       {"a.ref, lines 4-5: no data between the years 75 and 150, where the steps beside it are "
        "25 and 10 years; a gap, not bridged"}},
      {"a hole at the end",
       {0, 10, 20, 30, 40, 100},
       {"a.ref, lines 5-6: no data between the years 40 and 100, where the step beside it is 10 "
        "years; a gap, not bridged"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string text;
    for (const double year : c.years) text += std::to_string(static_cast<int>(year)) + ",60,1\n";
    const curve::RefFile file = read_ref_text(text, "a.ref");
    EXPECT_EQ(file.notes, c.notes);
    // A gap is a point without value midway; every line keeps its value.
    EXPECT_EQ(file.series.years.size(), c.years.size() + c.notes.size());
    const auto values = std::count_if(file.series.values.begin(), file.series.values.end(),
                                      [](double v) { return v == 60; });
    EXPECT_EQ(static_cast<std::size_t>(values), c.years.size());
  }
}

}  // namespace

namespace {

// The site line as karven-export writes it, and as a laboratory may retype
// it; the first site line counts. Files of one dating name one site.
TEST(RefFile, ReadsTheSiteLineAndRefusesCurvesOfTwoSites) {
  struct Case {
    std::string line;
    std::optional<curve::Site> site;
  };
  const std::vector<Case> cases = {
      {"# " + curve::site_comment({48.85, 2.35}), curve::Site{48.85, 2.35}},
      {"// SITE:  Geodetic Latitude -33.5 ,longitude 241.25", curve::Site{-33.5, 241.25}},
      {"! site: geodetic latitude 4.04e1, longitude -3.7\n# Site: geodetic latitude 1, longitude 2",
       curve::Site{40.4, -3.7}},
      {"# Site: geodetic latitude 95, longitude 2", std::nullopt},
      {"# Site: geodetic latitude 45, longitude -181", std::nullopt},
      {"# Site: Paris", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const curve::RefFile file = read_ref_text(c.line + "\n1000,64,2\n1025,65,2\n", "a.ref");
    ASSERT_EQ(file.site.has_value(), c.site.has_value());
    if (c.site) {
      EXPECT_EQ(file.site->latitude, c.site->latitude);
      EXPECT_EQ(file.site->longitude, c.site->longitude);
    }
    EXPECT_EQ(file.notes.size(), c.site ? 0U : 1U);
  }

  const testsupport::ScopedWorkDir work;
  const std::string data = "1000,64,2\n1025,65,2\n";
  testsupport::write_file("paris_d.ref", "# " + curve::site_comment({48.85, 2.35}) + "\n" + data);
  testsupport::write_file("other_i.ref", data);
  testsupport::write_file("madrid_f.ref", "# " + curve::site_comment({40.4, -3.7}) + "\n" + data);
  const curve::LoadedReference loaded =
      curve::load_ref_files({"paris_d.ref", "other_i.ref", std::nullopt});
  ASSERT_TRUE(loaded.curve.site);
  EXPECT_EQ(loaded.curve.site->latitude, 48.85);
  EXPECT_EQ(loaded.curve.site->longitude, 2.35);
  EXPECT_FALSE(curve::load_ref_files({std::nullopt, "other_i.ref", std::nullopt}).curve.site);
  try {
    curve::load_ref_files({"paris_d.ref", "other_i.ref", "madrid_f.ref"});
    ADD_FAILURE() << "curves of two sites were taken";
  } catch (const RefFileError& e) {
    EXPECT_EQ(std::string(e.what()),
              "madrid_f.ref is a curve at latitude 40.4, longitude -3.7, but paris_d.ref at "
              "latitude 48.85, longitude 2.35; give the curves of one site");
  }
}

}  // namespace
