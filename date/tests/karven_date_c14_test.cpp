// karven-date with radiocarbon ages: one age calibrated on its own, and
// 14C rows beside archaeomagnetic rows in events and a sequence on the
// linear curve of karven_date_events_test.cpp (I = 50 + 0.01 t, sigma 0.5).
// The events' densities are checked against a brute-force computation in
// this file from the rows of the bundled IntCal20 file; the single
// calibration against radiocarbon/tests/reference_calibration.py.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "curve/tests/synthetic_curve.hpp"
#include "date/calibration_figure.hpp"
#include "testsupport/testsupport.hpp"

namespace {

using testsupport::read_file;
using testsupport::split_lines;
using testsupport::write_file;

constexpr const char* INTCAL20 =
    "IntCal20 (Reimer, P. J. et al. (2020): The IntCal20 Northern Hemisphere radiocarbon age "
    "calibration curve (0-55 cal kBP). Radiocarbon 62(4), 725-757, doi:10.1017/RDC.2020.41)";

// The rows of IntCal20 at whole years AD from `first` to `last`: mu and
// sigma by year (the curve has a row at every year of 0-1950 AD).
std::map<int, std::pair<double, double>> intcal20_rows(int first, int last) {
  std::ifstream in(std::string(KARVEN_SOURCE_DIR) + "/data/radiocarbon/intcal20.14c");
  std::map<int, std::pair<double, double>> rows;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    double cal_bp = 0, age = 0, sigma = 0;
    char comma = 0;
    fields >> cal_bp >> comma >> age >> comma >> sigma;
    const int year = static_cast<int>(1950 - cal_bp);
    if (year >= first && year <= last) rows[year] = {age, sigma};
  }
  return rows;
}

// ln L of a 14C age at a year, and of an inclination on the linear curve
// (its constant factors left out: they cancel in a normalised density).
double c14_log(double age, double sigma, const std::pair<double, double>& row) {
  const double s2 = sigma * sigma + row.second * row.second;
  return -(age - row.first) * (age - row.first) / (2 * s2) - 0.5 * std::log(s2);
}
double inclination_log(double inc, int year) {
  const double r = inc - (50.0 + 0.01 * year);
  return -r * r / (2 * (1.2 * 1.2 + 0.5 * 0.5));
}

std::vector<double> normalised(const std::vector<double>& logs) {
  double peak = -INFINITY;
  for (const double l : logs) peak = std::max(peak, l);
  std::vector<double> p;
  double sum = 0;
  for (const double l : logs) sum += p.emplace_back(std::exp(l - peak));
  for (double& v : p) v /= sum;
  return p;
}

// A sequence's marginals by its definition: p_i(t) ~ L_i(t) times the sums
// over the earlier events' years at or before t and the later events' at
// or after t, taken event by event.
std::vector<std::vector<double>> sequence_marginals(const std::vector<std::vector<double>>& l) {
  const std::size_t n = l.size(), years = l[0].size();
  std::vector<std::vector<double>> before(n, std::vector<double>(years, 1.0)), after = before;
  for (std::size_t i = 1; i < n; ++i) {
    double sum = 0;
    for (std::size_t t = 0; t < years; ++t) before[i][t] = sum += l[i - 1][t] * before[i - 1][t];
  }
  for (std::size_t i = n - 1; i-- > 0;) {
    double sum = 0;
    for (std::size_t t = years; t-- > 0;) after[i][t] = sum += l[i + 1][t] * after[i + 1][t];
  }
  std::vector<std::vector<double>> p(n);
  for (std::size_t i = 0; i < n; ++i) {
    std::vector<double> logs;
    for (std::size_t t = 0; t < years; ++t) {
      logs.push_back(std::log(l[i][t] * before[i][t] * after[i][t]));
    }
    p[i] = normalised(logs);
  }
  return p;
}

// The columns of a density CSV by name.
std::map<std::string, std::vector<double>> csv_columns(const std::string& text) {
  const std::vector<std::string> lines = split_lines(text);
  std::vector<std::string> names;
  std::istringstream header(lines.at(0));
  for (std::string name; std::getline(header, name, ',');) names.push_back(name);
  std::map<std::string, std::vector<double>> columns;
  for (std::size_t k = 1; k < lines.size(); ++k) {
    if (lines[k].empty()) continue;
    std::istringstream row(lines[k]);
    std::string field;
    for (std::size_t c = 0; std::getline(row, field, ','); ++c) {
      // strtod, not stod: a density far in a tail is a subnormal number.
      columns[names.at(c)].push_back(std::strtod(field.c_str(), nullptr));
    }
  }
  return columns;
}

class KarvenDateC14 : public testing::Test {
 protected:
  void SetUp() override {
    std::string text = curve_test::curve_header(40.4, -3.7);
    for (int k = 0; k <= 380; ++k) {
      const double year = 5.0 * k;
      text += curve_test::curve_line(
          year, {0.0, 50.0 + 0.01 * year, 40.0 + 0.02 * year, 1.96, 0.98, 1.96});
    }
    write_file("curve.dat", text);
  }

  testsupport::ProgramRun date(const std::vector<std::string>& arguments) {
    testsupport::ProgramCall call;
    call.program = KARVEN_DATE_PROGRAM;
    call.arguments = arguments;
    return testsupport::run_program(call);
  }

  testsupport::ScopedWorkDir work_;
};

TEST_F(KarvenDateC14, CalibratesOneAge) {
  const auto run =
      date({"--c14", "2450,30", "--name", "hearth charcoal", "--level", "68", "--level", "95"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out,
            "hearth charcoal\n"
            "  measured:           2450 +- 30 14C years BP\n"
            "  curve:              " +
                std::string(INTCAL20) +
                ", year -53050 to 1950 AD (55001 years)\n"
                "  most probable year: year -716\n"
                "  68%: year -745 to year -689 (23.2%), year -663 to year -644 (8.2%), year -560 "
                "to year -559 (0.6%), year -557 (0.3%), year -548 to year -465 (30.8%), year -435 "
                "to year -420 (4.9%); total 68.1%\n"
                "  95%: year -751 to year -681 (26.1%), year -667 to year -630 (11.8%), year -623 "
                "to year -609 (2.6%), year -592 to year -411 (54.6%); total 95.1%\n");
}

// A hearth dated by its inclination and two 14C ages of its charcoal as
// one event, between a floor dated by a seed and a kiln by its direction.
TEST_F(KarvenDateC14, DatesBothKindsInEventsAndASequence) {
  write_file("site.csv",
             "name,inc,a95,c14_age,c14_sigma,c14_curve,event\n"
             "seed,,,1980,30,,floor\n"
             "kiln,57,2.9376,,,,kiln\n"
             "hearth,61,2.9376,,,,hearth\n"
             "charcoal 1,,,1000,25,IntCal20,hearth\n"
             "charcoal 2,,,1030,25,,hearth\n");
  const auto run = date({"--samples", "site.csv", "--sequence", "oldest-first", "--density",
                         "events.csv", "curve.dat"});
  ASSERT_EQ(run.status, 0) << run.err;

  // The floor's event is its seed's calibration on the whole curve (its
  // density is 0 beyond these years); the events of the sequence lie on
  // the years both curves share, 0-1900 AD.
  const auto rows = intcal20_rows(-3000, 1950);
  ASSERT_EQ(rows.size(), 4951u);
  std::vector<double> seed;
  for (const auto& [year, row] : rows) seed.push_back(c14_log(1980, 30, row));
  const std::vector<double> seed_alone = normalised(seed);
  std::vector<std::vector<double>> logs(3);
  for (int year = 0; year <= 1900; ++year) {
    const auto& row = rows.at(year);
    logs[0].push_back(c14_log(1980, 30, row));
    logs[1].push_back(inclination_log(57, year));
    logs[2].push_back(inclination_log(61, year) + c14_log(1000, 25, row) + c14_log(1030, 25, row));
  }
  std::vector<std::vector<double>> alone, likelihoods;
  for (const auto& l : logs) {
    alone.push_back(normalised(l));
    likelihoods.push_back(alone.back());
  }
  const auto within = sequence_marginals(likelihoods);

  alone[0].assign(seed_alone.begin() + 3000, seed_alone.begin() + 4901);
  const auto columns = csv_columns(read_file("events.csv"));
  // The years of the events' dates alone, the whole curve's for the floor.
  ASSERT_EQ(columns.at("year").front(), -53050.0);
  ASSERT_EQ(columns.at("year").back(), 1950.0);
  const std::size_t year_0 = 53050;
  const char* names[] = {"floor", "kiln", "hearth"};
  for (std::size_t i = 0; i < 3; ++i) {
    const auto a = std::vector(columns.at(names[i]).begin() + year_0,
                               columns.at(names[i]).begin() + year_0 + 1901);
    const auto s =
        std::vector(columns.at(std::string(names[i]) + " in sequence").begin() + year_0,
                    columns.at(std::string(names[i]) + " in sequence").begin() + year_0 + 1901);
    for (std::size_t t = 0; t < 1901; ++t) {
      ASSERT_NEAR(a[t], alone[i][t], 1e-9 + 1e-8 * alone[i][t]) << names[i] << " " << t;
      ASSERT_NEAR(s[t], within[i][t], 1e-9 + 1e-8 * within[i][t]) << names[i] << " " << t;
    }
  }

  // The share of the seed's calibrated date outside the sequence's years.
  double outside = 0;
  for (std::size_t k = 0; k < seed_alone.size(); ++k) {
    if (k < 3000 || k > 4900) outside += seed_alone[k];
  }
  std::ostringstream percent;
  percent.precision(1);
  percent << std::fixed << 100 * outside;
  const std::string warning =
      "  warning:            within the sequence, row seed: " + percent.str() +
      "% of its calibrated date lies outside the sequence's years, "
      "0-1900 AD\n";
  EXPECT_NE(run.out.find(warning), std::string::npos) << run.out;
}

// Two ages of one sample as one event, with no field curve to be found:
// the event on the whole of IntCal20, its mode that of the product.
TEST_F(KarvenDateC14, DatesAgesAloneWithoutAFieldCurve) {
  write_file("ages.csv", "name,c14_age,c14_sigma,event\nA,1500,25,e\nB,1520,25,e\n");
  const auto run = date({"--samples", "ages.csv", "--json", "missing.dat"});
  ASSERT_EQ(run.status, 0) << run.err;
  int mode = 0;
  double best = -INFINITY;
  for (const auto& [year, row] : intcal20_rows(-3000, 1950)) {
    const double l = c14_log(1500, 25, row) + c14_log(1520, 25, row);
    if (l > best) best = l, mode = year;
  }
  EXPECT_EQ(nlohmann::json::parse(run.out)["events"][0]["alone"]["mode"].get<int>(), mode);
}

// The calibration figure: drawn, and the sample's name reaching gnuplot
// only as a quoted string.
TEST_F(KarvenDateC14, DrawsTheCalibrationFigure) {
  const auto run = date({"--c14", "2450,30", "--name", "K'1 `touch x`", "--figure", "c.png"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(read_file("c.png").substr(1, 3), "PNG");
  EXPECT_FALSE(std::filesystem::exists("x"));

  date::C14Sample c14;
  c14.age = {2450, 30};
  c14.curve = date::C14Curves().get("intcal20");
  const radiocarbon::Calibration calibration =
      radiocarbon::calibrate(*c14.curve, c14.age, std::vector{95.0});
  const figures::GnuplotJob job = date::calibration_figure_job(
      "K'1 `touch x`", c14, calibration.date, figures::FigureFormat::png);
  const std::vector<std::string> lines = split_lines(job.script);
  const std::string title = "set title " + figures::gnuplot_string(
                                               "Calibration of K'1 `touch x`: 2450 +- 30 14C years "
                                               "BP\non IntCal20 (Reimer et al. 2020)");
  EXPECT_EQ(std::count(lines.begin(), lines.end(), title + " font 'sans,18'"), 1) << job.script;
  EXPECT_EQ(std::count(lines.begin(), lines.end(),
                       "set label 1 " +
                           figures::gnuplot_string(
                               "95% HPD: -751 to -681, -667 to -630, -623 to -609, -592 to -411") +
                           " at graph 0.98, graph 0.95 right front"),
            1)
      << job.script;
}

TEST_F(KarvenDateC14, RefusesWhatCannotBeCalibrated) {
  write_file("rows.csv",
             "name,inc,a95,c14_age,c14_sigma,c14_curve,delta_r,delta_r_sigma\n"
             "both,60,2.9,1000,25,,,\n"
             "curve,,,1000,25,IntCal99,,\n"
             "alone,,,1000,,,,\n"
             "old,,,60000,100,,,\n"
             "offset,,,1000,25,marine20,-50,\n"
             "good,,,1000,25,,,\n");
  const auto rows = date({"--samples", "rows.csv", "curve.dat"});
  EXPECT_EQ(rows.status, 1);
  EXPECT_EQ(rows.err,
            "karven-date: rows.csv, line 2: a row holds either an archaeomagnetic measurement or "
            "a radiocarbon age, not both; give each its own row\n"
            "karven-date: rows.csv, line 3, column c14_curve: no calibration curve \"IntCal99\": "
            "neither a bundled curve (intcal20, shcal20, marine20) nor a file\n"
            "karven-date: rows.csv, line 4, column c14_age: a 14C age needs its sigma, c14_sigma\n"
            "karven-date: rows.csv, line 5, column c14_age: the 14C age 60000 +- 100 BP is older "
            "than the oldest age of IntCal20, 50193 BP, by more than 4 sigmas; it cannot be "
            "calibrated\n"
            "karven-date: rows.csv, line 6, column delta_r: a Delta R needs its sigma, "
            "delta_r_sigma\n");
  EXPECT_NE(rows.out.find("\ngood    14C   1028 AD  994-1048 AD (63.8%), 1082-1130 AD (26.4%), "
                          "1139-1150 AD (4.9%)\n"),
            std::string::npos)
      << rows.out;

  // A curve given by path is an input of the run: no output replaces it.
  const std::string curve =
      read_file(std::string(KARVEN_SOURCE_DIR) + "/data/radiocarbon/shcal20.14c");
  write_file("A.14c", curve);
  write_file("own.csv", "name,c14_age,c14_sigma,c14_curve\nA,1500,25,A.14c\n");
  const auto own = date({"--samples", "own.csv", "--density", "{name}.14c", "curve.dat"});
  EXPECT_EQ(own.status, 1);
  EXPECT_EQ(own.err,
            "karven-date: own.csv, line 2: the density file A.14c would replace the calibration "
            "curve A.14c\n");
  EXPECT_EQ(read_file("A.14c"), curve);

  const std::vector<std::pair<std::vector<std::string>, std::string>> wrong = {
      {{"--c14", "2450,30", "--inc", "60"},
       "karven-date: --c14 and --inc exclude each other: date a 14C age or a measurement\n"},
      {{"--delta-r", "-50,20", "--inc", "60", "--a95", "2"},
       "karven-date: --delta-r belongs to a 14C age: give it with --c14\n"},
      {{"--c14", "2450,30", "curve.dat"},
       "karven-date: --c14 is calibrated against a calibration curve, not a field curve: give it "
       "with --c14-curve\n"},
      {{"--c14", "2450,30", "--samples", "rows.csv"},
       "karven-date: --c14 is for one 14C age; with --samples the file gives them (c14_age, "
       "c14_sigma)\n"}};
  for (const auto& [arguments, message] : wrong) {
    const auto run = date(arguments);
    EXPECT_EQ(run.status, 2) << arguments[0];
    EXPECT_EQ(run.err, message + "Try 'karven-date --help'.\n");
  }
  const std::vector<std::pair<std::vector<std::string>, std::string>> bad = {
      {{"--c14", "2450"},
       "karven-date: --c14: expected two numbers, e.g. --c14 2450,30; read \"2450\"\n"},
      {{"--c14", "2450,0"}, "karven-date: --c14: the 14C age's sigma must be a positive number\n"},
      {{"--c14", "2450,30", "--c14-curve", "nosuch"},
       "karven-date: --c14-curve: no calibration curve \"nosuch\": neither a bundled curve "
       "(intcal20, shcal20, marine20) nor a file\n"},
      {{"--c14", "-900,30"},
       "karven-date: --c14: the 14C age -900 +- 30 BP is younger than the youngest age of "
       "IntCal20, "}};
  for (const auto& [arguments, message] : bad) {
    const auto run = date(arguments);
    EXPECT_EQ(run.status, 1) << arguments[1];
    EXPECT_EQ(run.err.substr(0, message.size()), message);
    EXPECT_EQ(run.out, "");
  }
}

}  // namespace
