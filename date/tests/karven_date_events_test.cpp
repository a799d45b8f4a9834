// karven-date dating samples together: the rows of one event, and the
// events of a stratigraphic sequence, on the linear curve of
// karven_date_test.cpp (I = 50 + 0.01 t, sigma 0.5). The datings quoted
// come from date/tests/reference/linear_curve.py, counted pair by pair.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "curve/tests/synthetic_curve.hpp"
#include "testsupport/testsupport.hpp"

namespace {

using testsupport::read_file;
using testsupport::write_file;

class KarvenDateEvents : public testing::Test {
 protected:
  void SetUp() override {
    std::string text = curve_test::curve_header(40.4, -3.7);
    for (int k = 0; k <= 380; ++k) {
      const double year = 5.0 * k;
      text += curve_test::curve_line(
          year, {0.0, 50.0 + 0.01 * year, 40.0 + 0.02 * year, 1.96, 0.98, 1.96});
    }
    write_file("curve.dat", text);
    // alpha95 2.9376: sigma_I 1.2, each row's date spread 130 years.
    write_file("kiln.csv",
               "name,inc,a95,event\n"
               "K1,60.003,2.9376,kiln\n"
               "K1b,61.003,2.9376,kiln\n"
               "H1,62,2.9376,\n");
    // Listed youngest first, and contradicting that order: the older
    // floor's date alone (1100 AD) is younger than the younger floor's.
    write_file("floors.csv",
               "name,inc,a95\n"
               "young,59.003,2.9376\n"
               "old,61.003,2.9376\n");
  }

  testsupport::ProgramRun date(const std::vector<std::string>& arguments) {
    testsupport::ProgramCall call;
    call.program = KARVEN_DATE_PROGRAM;
    call.arguments = arguments;
    return testsupport::run_program(call);
  }

  testsupport::ScopedWorkDir work_;
};

// The intervals of the JSON's levels, probabilities to 6 decimals.
std::string intervals(const nlohmann::json& levels) {
  std::string text;
  for (const auto& level : levels) {
    text += std::to_string(level["level"].get<int>()) + ":";
    for (const auto& interval : level["intervals"]) {
      text += ' ';
      text += std::to_string(interval["from"].get<int>());
      text += '-';
      text += std::to_string(interval["to"].get<int>());
      text += ' ';
      text += std::to_string(interval["probability"].get<double>()).substr(0, 8);
    }
    text += ";";
  }
  return text;
}

TEST_F(KarvenDateEvents, DatesTheRowsOfAnEventTogether) {
  const auto run = date({"--samples", "kiln.csv", "--level", "68", "--level", "95", "--json",
                         "--density", "events.csv", "curve.dat"});
  ASSERT_EQ(run.status, 0) << run.err;
  const nlohmann::json json = nlohmann::json::parse(run.out);
  ASSERT_EQ(json["samples"].size(), 3u);
  ASSERT_EQ(json["events"].size(), 2u);
  const nlohmann::json& kiln = json["events"][0];
  EXPECT_EQ(kiln["name"], "kiln");
  EXPECT_EQ(kiln["rows"], nlohmann::json::parse(R"(["K1","K1b"])"));
  EXPECT_EQ(kiln["alone"]["mode"], 1050);
  EXPECT_EQ(intervals(kiln["alone"]["levels"]), "68: 959-1141 0.680453;95: 870-1230 0.950421;");
  EXPECT_EQ(kiln["warnings"], nlohmann::json::array());
  EXPECT_FALSE(kiln.contains("in_sequence"));
  // A row without an event is an event of its own, named as the row.
  EXPECT_EQ(json["events"][1]["name"], "H1");
  EXPECT_EQ(json["events"][1]["alone"]["mode"], json["samples"][2]["mode"]);

  // One density file for the events, a column each, each summing to 1.
  const std::vector<std::string> lines = testsupport::split_lines(read_file("events.csv"));
  ASSERT_EQ(lines.size(), 1902u);
  EXPECT_EQ(lines[0], "year,kiln,H1");
  EXPECT_EQ(lines[1051].substr(0, 5), "1050,");
}

TEST_F(KarvenDateEvents, DatesASequenceAndItsAgreement) {
  const auto run =
      date({"--samples", "floors.csv", "--sequence", "youngest-first", "--json", "curve.dat"});
  ASSERT_EQ(run.status, 0) << run.err;
  const nlohmann::ordered_json json = nlohmann::ordered_json::parse(run.out);
  std::vector<std::string> names;
  for (const auto& [key, value] : json.items()) names.push_back(key);
  EXPECT_EQ(names, (std::vector<std::string>{"samples", "events", "sequence_agreement",
                                             "sequence_warnings"}));
  EXPECT_NEAR(json["sequence_agreement"].get<double>(), 67.3925, 5e-5);
  // The file lists the younger floor first.
  const auto& young = json["events"][0];
  const auto& old = json["events"][1];
  EXPECT_EQ(old["in_sequence"]["mode"], 958);
  EXPECT_EQ(intervals(old["in_sequence"]["levels"]), "95: 756-1149 0.950352;");
  EXPECT_EQ(young["in_sequence"]["mode"], 1043);
  EXPECT_EQ(intervals(young["in_sequence"]["levels"]), "95: 851-1244 0.950350;");
  EXPECT_NEAR(old["in_sequence"]["agreement"].get<double>(), 75.6502, 5e-5);
  names.clear();
  for (const auto& [key, value] : old.items()) names.push_back(key);
  EXPECT_EQ(names, (std::vector<std::string>{"name", "rows", "alone", "warnings", "in_sequence"}));

  // Read the other way round, the two agree with their order; the report
  // says so, in the notation asked. The younger floor alone is K1 of
  // linear_curve.py 100 years earlier: 95% 646-1155 AD, 1304-795 BP.
  const auto agreeing =
      date({"--samples", "floors.csv", "--sequence", "oldest-first", "--years", "bp", "curve.dat"});
  ASSERT_EQ(agreeing.status, 0) << agreeing.err;
  const std::string& out = agreeing.out;
  EXPECT_NE(out.find("Event young\n"
                     "  rows:               young\n"
                     "  alone:              most probable year 1050 BP\n"
                     "    95%: 1304-795 BP (95.0%); total 95.0%\n"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("Sequence: 2 events, listed oldest first; overall agreement "),
            std::string::npos);
}

TEST_F(KarvenDateEvents, WritesYearsForPapers) {
  const auto ce = date({"--inc", "60.003", "--a95", "2.9376", "--years", "CE", "curve.dat"});
  ASSERT_EQ(ce.status, 0) << ce.err;
  const std::vector<std::string> lines = testsupport::split_lines(ce.out);
  EXPECT_EQ(lines[4], "  most probable year: 1000 CE");
  EXPECT_EQ(lines[5], "  95%: 746-1255 CE (95.0%); total 95.0%");
}

TEST_F(KarvenDateEvents, RefusesWhatCannotBeDatedTogether) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> rows = {
      {{"--inc", "60", "--a95", "2", "--sequence", "oldest-first", "curve.dat"},
       "--sequence orders the events of a samples file: give --samples"},
      {{"--samples", "floors.csv", "--sequence", "bottom-up", "curve.dat"},
       "--sequence takes oldest-first or youngest-first, the order in which the samples file "
       "lists its events; read \"bottom-up\""},
      {{"--samples", "floors.csv", "--years", "bc", "curve.dat"},
       "--years takes ad, ce or bp; read \"bc\""},
      {{"--samples", "kiln.csv", "--figure", "dating_{name}.png", "curve.dat"},
       "with events, --figure writes one file for all of them: give its name, e.g. "
       "\"events.png\""},
  };
  for (const auto& [arguments, message] : rows) {
    SCOPED_TRACE(message);
    const auto run = date(arguments);
    EXPECT_EQ(run.err, "karven-date: " + message + "\nTry 'karven-date --help'.\n");
    EXPECT_EQ(run.status, 2);
  }
}

}  // namespace

// Worked values on the linear curve: F = 40 + 0.02 t, sigma 1; at 1900 AD,
// its last year and the closest to 199 uT, a row of sigma 0.5 has
// chi-square (199 - 78)^2 / (1 + 0.25) = 11712.80, two such rows 23425.60.
TEST_F(KarvenDateEvents, AnEventThatMeetsTheCurveNowhereIsLeftOutOfTheSequence) {
  write_file("far.csv",
             "name,int,sigma_int,event\n"
             "f1,199,0.5,E\n"
             "f2,199,0.5,E\n"
             "g1,60,1,G\n"
             "h1,62,1,H\n");
  const auto run = date({"--samples", "far.csv", "--sequence", "oldest-first", "curve.dat"});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::size_t from = run.out.find("Event E");
  const std::size_t to = run.out.find("Event G");
  ASSERT_NE(from, std::string::npos);
  EXPECT_EQ(
      run.out.substr(from, to - from),
      "Event E\n"
      "  rows:               f1, f2\n"
      "  alone:              most probable year 1900 AD\n"
      "    95%: 1900 AD (97.9%); total 97.9%\n"
      "  in sequence:        left out\n"
      "  warning:            the 95% HPD interval ends at the curve's last year, 1900 AD: the "
      "date may lie after the curve's span\n"
      "  warning:            the event meets the curve nowhere: its smallest chi-square, "
      "23425.60 at 1900 AD, exceeds 5.991, the 95% point for 2 components; the date is "
      "doubtful\n"
      "  warning:            the event meets the curve nowhere and is left out of the "
      "sequence\n\n");
  // G and H alone, 1000 and 1100 AD, are dated together, not held at 1900.
  EXPECT_NE(run.out.find("\nSequence: 2 events, listed oldest first; overall agreement 105.8%\n"),
            std::string::npos);
  EXPECT_NE(run.out.find("  in sequence:        most probable year 991 AD; agreement 104.1%\n"),
            std::string::npos);
}

// The names that the outputs show: an event is one run of rows, a sample
// one name, a blank event none.
TEST_F(KarvenDateEvents, RefusesNamesThatCollide) {
  write_file("names.csv",
             "name,inc,a95,event\n"
             "a1,60.003,2.9376,A\n"
             "b1,61.003,2.9376,B\n"
             "c1,62,2.9376,C\n"
             "a2,60.003,2.9376,A\n"
             "b1,61.003,2.9376,D\n"
             "C,61,2.9376,\n"
             "s1,61,2.9376,\"  \"\n");
  const auto run = date({"--samples", "names.csv", "--density", "events.csv", "curve.dat"});
  EXPECT_EQ(run.err,
            "karven-date: names.csv, line 5: the event A has rows at line 2 and other events' rows "
            "after them: list the rows of an event together\n"
            "karven-date: names.csv, line 6: the name b1 is also that of line 3; give the samples "
            "distinct names\n"
            "karven-date: names.csv, line 7: the sample C would be an event of its own under the "
            "name of the event of line 4: give it another name\n");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(testsupport::split_lines(read_file("events.csv"))[0], "year,A,B,C,s1");
}

// A declination at a pole has no meridian; an inclination there relocates.
TEST_F(KarvenDateEvents, ADeclinationAtAPoleIsRefused) {
  for (const char* declination : {"4", "180"}) {
    const auto run = date({"--dec", declination, "--inc", "64.5", "--a95", "2.5", "--lat", "90",
                           "--lon", "0", "curve.dat"});
    EXPECT_EQ(run.err,
              "karven-date: --dec: a declination at a pole is measured from no meridian and "
              "cannot be relocated from latitude 90; leave it out to relocate the inclination and "
              "the intensity alone\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
  }
  const auto alone =
      date({"--inc", "64.5", "--a95", "2.5", "--lat", "90", "--lon", "0", "curve.dat"});
  EXPECT_EQ(alone.status, 0) << alone.err;
  // The pole of I = 64.5 at the north pole lies 43.66 degrees from it on
  // the meridian of 0; 49.95 degrees from the curve's site, whose I is
  // atan(2 cot 49.95) = 86.73 (independently, math.atan2).
  EXPECT_EQ(testsupport::split_lines(alone.out)[3],
            "  relocated:          to 40.40 N, 3.70 W, 5515 km: I 86.73 deg (through the pole with "
            "D taken as 0, the axial dipole's)");
}

// A declination beyond a turn, a level given twice, a chi-square of an
// absurd measurement, a quoted line feed, a warning of two dates.
TEST_F(KarvenDateEvents, SmallerFaults) {
  const auto far = date({"--dec", "1e300", "--inc", "60", "--a95", "2", "curve.dat"});
  EXPECT_EQ(far.err,
            "karven-date: --dec: the declination must lie between -360 and 360 degrees: 1e+300\n");
  EXPECT_EQ(far.status, 1);
  const auto twice =
      date({"--inc", "60.003", "--a95", "2.9376", "--level", "68", "--level", "68", "curve.dat"});
  EXPECT_EQ(twice.out,
            "measurement\n"
            "  measured:           I 60.003 deg, alpha95 2.9376 deg\n"
            "  sigmas used:        I 1.20 deg\n"
            "  curve:              KARVEN.EU.26 at 40.40 N, 3.70 W (curve.dat), 0-1900 AD (1901 "
            "years)\n"
            "  most probable year: 1000 AD\n"
            "  68%: 871-1129 AD (68.1%); total 68.1%\n");
  // A curve of F errors 0.01 (sigma 0.01 / 1.96): at 1900 AD,
  // (199 - 78)^2 / ((0.01 / 1.96)^2 + 0.001^2) = 5.42e8.
  std::string tight = curve_test::curve_header(40.4, -3.7);
  for (int k = 0; k <= 380; ++k) {
    const double year = 5.0 * k;
    tight += curve_test::curve_line(
        year, {0.0, 50.0 + 0.01 * year, 40.0 + 0.02 * year, 1.96, 0.98, 0.01});
  }
  write_file("tight.dat", tight);
  const auto absurd = date({"--int", "199", "--sigma-int", "0.001", "tight.dat"});
  EXPECT_EQ(testsupport::split_lines(absurd.out).back(),
            "  warning:            the measurement meets the curve nowhere: its smallest "
            "chi-square, 5.42e+08 at 1900 AD, exceeds 3.841, the 95% point for 1 component; the "
            "date is doubtful");
  // A quoted field over two lines is one field; an event dated alone and
  // within the sequence says which date a warning is about.
  write_file("quoted.csv", "name,inc,a95,event\n\"kiln\nnorth\",50.2,2.9376,\nK2,50.4,2.9376,\n");
  const auto quoted = date({"--samples", "quoted.csv", "--sequence", "oldest-first", "curve.dat"});
  ASSERT_EQ(quoted.status, 0) << quoted.err;
  const std::size_t from = quoted.out.find("Event kiln");
  EXPECT_EQ(
      quoted.out.substr(from, quoted.out.find("Event K2") - from),
      "Event kiln\\x0Anorth\n"
      "  rows:               kiln\\x0Anorth\n"
      "  alone:              most probable year 20 AD\n"
      "    95%: 0-268 AD (95.0%); total 95.0%\n"
      "  in sequence:        most probable year 0 AD; agreement 119.2%\n"
      "    95%: 0-174 AD (95.0%); total 95.0%\n"
      "  warning:            the 95% HPD interval begins at the curve's first year, 0 AD: the "
      "date may lie before the curve's span\n"
      "  warning:            within the sequence, the 95% HPD interval begins at the curve's "
      "first year, 0 AD: the date may lie before the curve's span\n\n");
}

// A run that memory cannot hold ends with one line, saying what it was
// doing and how far it came. (AddressSanitizer reserves more address space
// than any such limit.)
TEST_F(KarvenDateEvents, AFailedAllocationEndsTheRunWithOneLine) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "a limit of the address space stops AddressSanitizer itself";
#endif
  std::string rows = "name,inc,a95\n";
  for (int k = 0; k < 8000; ++k) {
    rows += 's';
    rows += std::to_string(k);
    rows += ",60.003,2.9376\n";
  }
  write_file("many.csv", rows);
  testsupport::ProgramCall call;
  call.program = KARVEN_DATE_PROGRAM;
  call.arguments = {"--samples", "many.csv", "--sequence", "oldest-first", "curve.dat"};
  call.stdout_path = "/dev/null";
  // Each event of a sequence holds its likelihood, some 15 kB, to the end.
  call.in_child = [] {
    const rlimit limit{64L << 20, 64L << 20};
    setrlimit(RLIMIT_AS, &limit);
  };
  const testsupport::ProgramRun run = testsupport::run_program(call);
  int read = 0;
  ASSERT_EQ(std::sscanf(run.err.c_str(),
                        "karven-date: out of memory while dating the rows (many.csv: %d", &read),
            1)
      << run.err;
  EXPECT_GT(read, 0);
  EXPECT_LT(read, 8000);
  EXPECT_EQ(run.err,
            "karven-date: out of memory while dating the rows (many.csv: " + std::to_string(read) +
                " rows read, " + std::to_string(read) + " events)\n");
  EXPECT_EQ(run.status, 1);
}
