// karven-date against a global model: each sample dated at its own site on
// the model's curve, every whole year of its span, with the standard
// deviation that --model-sigma gives the curve. The measurements lie on
// ARCH10k.1's curve at Jerusalem at known years, as an independent
// evaluation gives it (reference/global_samples.py): each one's most
// probable year alone is that year.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "testsupport/testsupport.hpp"

namespace {

using testsupport::read_file;
using testsupport::write_file;

// How the reports name the model: its name and its citation.
const std::string ARCH =
    "ARCH10k.1 (Constable, C., M. Korte and S. Panovska (2016): Persistent high paleosecular "
    "variation activity in Southern hemisphere for at least 10 000 years. Earth Planet. Sci. "
    "Lett. 453, 78-86)";

// D, I, F of ARCH10k.1 at 31.78 N, 35.22 E in the year -1000, to ten
// decimals; those of the years -700 and -400 are in the samples below.
const std::vector<std::string> AT_1000_BC = {
    "--dec", "3.9257706458", "--inc",         "62.2777443271", "--a95",
    "3",     "--int",        "66.4978754065", "--sigma-int",   "2"};

class KarvenDateGlobal : public testing::Test {
 protected:
  testsupport::ProgramRun date(const std::vector<std::string>& arguments) {
    testsupport::ProgramCall call;
    call.program = KARVEN_DATE_PROGRAM;
    call.arguments = arguments;
    return testsupport::run_program(call);
  }

  testsupport::ScopedWorkDir work_;
};

TEST_F(KarvenDateGlobal, DatesAStructureAtJerusalem) {
  std::vector<std::string> arguments = {"--model", "ARCH10k.1", "--model-sigma", "2,2,3",
                                        "--lat",   "31.78",     "--lon",         "35.22",
                                        "--name",  "oven",      "--density",     "d.csv"};
  arguments.insert(arguments.end(), AT_1000_BC.begin(), AT_1000_BC.end());
  const auto run = date(arguments);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out, R"(oven
  site:               31.78 N, 35.22 E
  measured:           D 3.9257706458 deg, I 62.2777443271 deg, alpha95 3 deg, F 66.4978754065 uT, sigma 2 uT
  sigmas used:        D 2.63 deg, I 1.23 deg, F 2.00 uT
  curve:              )" +
                         ARCH + R"( at 31.78 N, 35.22 E, year -8000 to 1990 AD (9991 years)
  most probable year: year -1000
  95%: year -1106 to year -620 (95.0%); total 95.0%
  density: d.csv
)");
  // The density file names the model it comes from in its first line.
  const std::string density = read_file("d.csv");
  EXPECT_EQ(density.substr(0, density.find("-8000,")),
            "# " + ARCH + " at 31.78 N, 35.22 E\nyear,D,I,F,combined\n");
}

// Three floors, one above the other: the sequence takes from the middle
// floor's date the years before the floor under it (-1334 to -1014) and
// after the floor above it (825-1019 AD).
TEST_F(KarvenDateGlobal, DatesASequence) {
  write_file("floors.csv",
             "name,dec,inc,a95,int,sigma_int,event\n"
             "floor 3,3.9257706458,62.2777443271,3,66.4978754065,2,\n"
             "floor 2,3.6133819602,59.6793253012,3,59.7968814837,2,\n"
             "floor 1,-7.7779602176,54.0995818338,3,60.9397098163,2,\n");
  const auto run =
      date({"--model", "arch10k.1", "--model-sigma", "2,2,3", "--lat", "31.78", "--lon", "35.22",
            "--samples", "floors.csv", "--sequence", "oldest-first"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, R"(floor 3
  site:               31.78 N, 35.22 E
  measured:           D 3.9257706458 deg, I 62.2777443271 deg, alpha95 3 deg, F 66.4978754065 uT, sigma 2 uT
  sigmas used:        D 2.63 deg, I 1.23 deg, F 2.00 uT
  curve:              )" +
                         ARCH + R"( at 31.78 N, 35.22 E, year -8000 to 1990 AD (9991 years)
  most probable year: year -1000
  95%: year -1106 to year -620 (95.0%); total 95.0%

floor 2
  site:               31.78 N, 35.22 E
  measured:           D 3.6133819602 deg, I 59.6793253012 deg, alpha95 3 deg, F 59.7968814837 uT, sigma 2 uT
  sigmas used:        D 2.43 deg, I 1.23 deg, F 2.00 uT
  curve:              )" +
                         ARCH + R"( at 31.78 N, 35.22 E, year -8000 to 1990 AD (9991 years)
  most probable year: year -700
  95%: year -1334 to year -1014 (30.5%), year -885 to year -548 (47.3%), 825-1019 AD (17.3%); total 95.0%

floor 1
  site:               31.78 N, 35.22 E
  measured:           D -7.7779602176 deg, I 54.0995818338 deg, alpha95 3 deg, F 60.9397098163 uT, sigma 2 uT
  sigmas used:        D 2.09 deg, I 1.23 deg, F 2.00 uT
  curve:              )" +
                         ARCH + R"( at 31.78 N, 35.22 E, year -8000 to 1990 AD (9991 years)
  most probable year: year -400
  95%: year -522 to year -178 (81.9%), 650-805 AD (13.1%); total 95.0%

Event floor 3
  rows:               floor 3
  alone:              most probable year year -1000
    95%: year -1106 to year -620 (95.0%); total 95.0%
  in sequence:        most probable year year -1002; agreement 107.0%
    95%: year -1107 to year -772 (95.0%); total 95.0%

Event floor 2
  rows:               floor 2
  alone:              most probable year year -700
    95%: year -1334 to year -1014 (30.5%), year -885 to year -548 (47.3%), 825-1019 AD (17.3%); total 95.0%
  in sequence:        most probable year year -684; agreement 122.3%
    95%: year -874 to year -550 (95.1%); total 95.1%

Event floor 1
  rows:               floor 1
  alone:              most probable year year -400
    95%: year -522 to year -178 (81.9%), 650-805 AD (13.1%); total 95.0%
  in sequence:        most probable year year -400; agreement 100.2%
    95%: year -521 to year -179 (81.9%), 652-805 AD (13.1%); total 95.0%

Sequence: 3 events, listed oldest first; overall agreement 116.9%

Summary: 3 samples, 3 dated, 0 not dated
name     site              used   mode        95%
floor 3  31.78 N, 35.22 E  D I F  year -1000  year -1106 to year -620 (95.0%)
floor 2  31.78 N, 35.22 E  D I F  year -700   year -1334 to year -1014 (30.5%), year -885 to year -548 (47.3%), 825-1019 AD (17.3%)
floor 1  31.78 N, 35.22 E  D I F  year -400   year -522 to year -178 (81.9%), 650-805 AD (13.1%)

Events: 3 events, 3 dated, 0 not dated, in a stratigraphic sequence
event    rows  alone       95%                                                                                    in sequence  95%                                                 agreement
floor 3  1     year -1000  year -1106 to year -620 (95.0%)                                                        year -1002   year -1107 to year -772 (95.0%)                     107.0%
floor 2  1     year -700   year -1334 to year -1014 (30.5%), year -885 to year -548 (47.3%), 825-1019 AD (17.3%)  year -684    year -874 to year -550 (95.1%)                      122.3%
floor 1  1     year -400   year -522 to year -178 (81.9%), 650-805 AD (13.1%)                                     year -400    year -521 to year -179 (81.9%), 652-805 AD (13.1%)  100.2%
)");
}

// A sigma of 0 takes the curve as exact: each report whose dating uses such
// a component says so, the event of such a row and the sequence of such
// events too; a row that uses none (floor 3b, I alone) does not.
TEST_F(KarvenDateGlobal, WarnsWhereTheCurveIsTakenAsExact) {
  write_file("floors.csv",
             "name,dec,inc,a95,int,sigma_int,lat,lon,event\n"
             "floor 3a,3.9257706458,62.2777443271,3,66.4978754065,2,31.78,35.22,floor 3\n"
             "floor 3b,,62.2777443271,3,,,31.78,35.22,floor 3\n"
             "floor 1,,,,60.9397098163,2,31.78,35.22,\n");
  const auto run = date({"--model", "ARCH10k.1", "--model-sigma", "0,2,0", "--span", "-1100:-300",
                         "--samples", "floors.csv", "--sequence", "oldest-first"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, R"(floor 3a
  site:               31.78 N, 35.22 E
  measured:           D 3.9257706458 deg, I 62.2777443271 deg, alpha95 3 deg, F 66.4978754065 uT, sigma 2 uT
  sigmas used:        D 2.63 deg, I 1.23 deg, F 2.00 uT
  curve:              )" +
                         ARCH + R"( at 31.78 N, 35.22 E, year -1100 to year -300 (801 years)
  most probable year: year -1000
  95%: year -1055 to year -848 (95.1%); total 95.1%
  warning:            --model-sigma 0,2,0 takes the model's curve as exact where it gives 0: the curve's own uncertainty is not counted there

floor 3b
  site:               31.78 N, 35.22 E
  measured:           I 62.2777443271 deg, alpha95 3 deg
  sigmas used:        I 1.23 deg
  curve:              )" +
                         ARCH + R"( at 31.78 N, 35.22 E, year -1100 to year -300 (801 years)
  most probable year: year -1000
  95%: year -1100 to year -606 (95.1%); total 95.1%
  warning:            the 95% HPD interval begins at the curve's first year, year -1100: the date may lie before the curve's span

floor 1
  site:               31.78 N, 35.22 E
  measured:           F 60.9397098163 uT, sigma 2 uT
  sigmas used:        F 2.00 uT
  curve:              )" +
                         ARCH + R"( at 31.78 N, 35.22 E, year -1100 to year -300 (801 years)
  most probable year: year -400
  95%: year -1100 to year -1062 (6.3%), year -841 to year -508 (54.8%), year -506 to year -300 (34.0%); total 95.0%
  warning:            the 95% HPD interval begins at the curve's first year, year -1100: the date may lie before the curve's span
  warning:            the 95% HPD interval ends at the curve's last year, year -300: the date may lie after the curve's span
  warning:            --model-sigma 0,2,0 takes the model's curve as exact where it gives 0: the curve's own uncertainty is not counted there

Event floor 3
  rows:               floor 3a, floor 3b
  alone:              most probable year year -1000
    95%: year -1050 to year -852 (95.0%); total 95.0%
  in sequence:        most probable year year -1000; agreement 100.1%
    95%: year -1050 to year -852 (95.1%); total 95.1%
  warning:            --model-sigma 0,2,0 takes the model's curve as exact where it gives 0: the curve's own uncertainty is not counted there

Event floor 1
  rows:               floor 1
  alone:              most probable year year -400
    95%: year -1100 to year -1062 (6.3%), year -841 to year -508 (54.8%), year -506 to year -300 (34.0%); total 95.0%
  in sequence:        most probable year year -400; agreement 101.5%
    95%: year -840 to year -516 (58.8%), year -498 to year -300 (36.3%); total 95.1%
  warning:            the 95% HPD interval begins at the curve's first year, year -1100: the date may lie before the curve's span
  warning:            the 95% HPD interval ends at the curve's last year, year -300: the date may lie after the curve's span
  warning:            --model-sigma 0,2,0 takes the model's curve as exact where it gives 0: the curve's own uncertainty is not counted there
  warning:            within the sequence, the 95% HPD interval ends at the curve's last year, year -300: the date may lie after the curve's span

Sequence: 2 events, listed oldest first; overall agreement 101.1%
  warning:            --model-sigma 0,2,0 takes the model's curve as exact where it gives 0: the curve's own uncertainty is not counted there

Summary: 3 samples, 3 dated, 0 not dated
name        site              used   mode        95%
floor 3a *  31.78 N, 35.22 E  D I F  year -1000  year -1055 to year -848 (95.1%)
floor 3b *  31.78 N, 35.22 E  I      year -1000  year -1100 to year -606 (95.1%)
floor 1 *   31.78 N, 35.22 E  F      year -400   year -1100 to year -1062 (6.3%), year -841 to year -508 (54.8%), year -506 to year -300 (34.0%)
*: the sample has warnings; see its report above

Events: 2 events, 2 dated, 0 not dated, in a stratigraphic sequence
event    rows  alone       95%                                                                                              in sequence  95%                                                             agreement
floor 3  2     year -1000  year -1050 to year -852 (95.0%)                                                                  year -1000   year -1050 to year -852 (95.1%)                                 100.1%
floor 1  1     year -400   year -1100 to year -1062 (6.3%), year -841 to year -508 (54.8%), year -506 to year -300 (34.0%)  year -400    year -840 to year -516 (58.8%), year -498 to year -300 (36.3%)  101.5%
)");
}

// A model given by its file: named by its path, and the numbers after its
// coefficients said in one line and left unread.
TEST_F(KarvenDateGlobal, DatesAgainstAModelFileAndSaysWhatItLeavesUnread) {
  write_file("model.txt", read_file(std::string(KARVEN_MODELS_DIR) + "/gufm1") + "1 2 3\n");
  const auto run = date({"--model", "model.txt", "--model-sigma", "2,2,3", "--span", "1600:1700",
                         "--lat", "31.78", "--lon", "35.22", "--inc", "50", "--a95", "3"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err,
            "karven-date: model.txt: 3 numbers follow the coefficients; left unread, not used\n");
  EXPECT_EQ(run.out, R"(measurement
  site:               31.78 N, 35.22 E
  measured:           I 50 deg, alpha95 3 deg
  sigmas used:        I 1.23 deg
  curve:              the global model in model.txt at 31.78 N, 35.22 E, 1600-1700 AD (101 years)
  most probable year: 1700 AD
  95%: 1664-1700 AD (95.3%); total 95.3%
  warning:            the 95% HPD interval ends at the curve's last year, 1700 AD: the date may lie after the curve's span
)");
}

TEST_F(KarvenDateGlobal, RefusesWhatCannotBeDated) {
  const std::vector<std::string> at_jerusalem = {"--lat", "31.78", "--lon", "35.22",
                                                 "--inc", "62",    "--a95", "3"};
  struct Case {
    std::vector<std::string> arguments;
    int status;
    std::string err;
  };
  const Case cases[] = {
      {{"--model", "ARCH10k.1"},
       2,
       "karven-date: ARCH10k.1 gives no uncertainty of its curve, and a date needs one: give one "
       "standard deviation of the curve with --model-sigma D,I,F (degrees, degrees, microtesla), "
       "e.g. --model-sigma 2,2,3\nTry 'karven-date --help'.\n"},
      {{"--model", "ARCH10k.1", "--model-sigma", "2,2,3", "--span", "1000:2100"},
       1,
       "karven-date: --span: 1000:2100 is outside the span of ARCH10k.1, -8000 to 1990\n"},
      {{"--model", "ARCH10k.1", "--model-sigma", "2,2,3", "--span", "-1000:0:5"},
       1,
       "karven-date: --span: a date is sought on every whole year; give FROM:TO, read "
       "\"-1000:0:5\"\n"},
      {{"--model", "ARCH10k.1", "--model-sigma", "2,2"},
       1,
       "karven-date: --model-sigma: expected D,I,F, one standard deviation of the model's curve "
       "in degrees, degrees and microtesla, each 0 or more, read \"2,2\"\n"},
      {{"--model", KARVEN_DEMO_COEFFICIENTS, "--model-sigma", "2,2,3"},
       2,
       "karven-date: --model-sigma is for a global model; the regional model's curve has its own "
       "errors at its own epochs\nTry 'karven-date --help'.\n"},
      {{"--span", "-1000:0", "psvc_karven.eu.26.dat"},
       2,
       "karven-date: --span is for a global model's curve: give the model with --model\nTry "
       "'karven-date --help'.\n"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> arguments = c.arguments;
    arguments.insert(arguments.end(), at_jerusalem.begin(), at_jerusalem.end());
    SCOPED_TRACE(testing::PrintToString(arguments));
    const auto run = date(arguments);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, c.err);
  }
  // At a pole the curve has no declination: a row that gives one is
  // refused, and the inclination alone is dated.
  write_file("pole.csv",
             "name,dec,inc,a95,lat,lon\n"
             "with D,10,87,3,90,0\n"
             "without D,,87,3,90,0\n");
  const auto run =
      date({"--model", "ARCH10k.1", "--model-sigma", "2,2,3", "--samples", "pole.csv", "--json"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err,
            "karven-date: pole.csv, line 2, column dec: a declination at a pole is measured from "
            "no meridian, and the model's curve has none there; leave it out to date the "
            "inclination and the intensity alone\n");
  const nlohmann::json rows = nlohmann::json::parse(run.out);
  ASSERT_EQ(rows.size(), 2U);
  EXPECT_EQ(rows[0]["name"], "with D");
  EXPECT_TRUE(rows[0].contains("error"));
  EXPECT_EQ(rows[1]["name"], "without D");
  EXPECT_EQ(rows[1]["components"], nlohmann::json::array({"I"}));
}

}  // namespace
