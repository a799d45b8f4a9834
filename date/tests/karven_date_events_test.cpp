// karven-date dating samples together: the rows of one event, and the
// events of a stratigraphic sequence, on the linear curve of
// karven_date_test.cpp (I = 50 + 0.01 t, sigma 0.5). The datings quoted
// come from date/tests/reference/linear_curve.py, counted pair by pair.
#include <gtest/gtest.h>

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
