// Runs the built karven-map as a user would: its refusals, the cube and the
// table it writes (read back through the netCDF library and as text), and
// the figure drawn by GMT when GMT is installed.
#include <gtest/gtest.h>
#include <netcdf.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "figures/external_program.hpp"
#include "map/cube.hpp"
#include "model/model.hpp"
#include "testsupport/testsupport.hpp"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using testsupport::names_in;
using testsupport::read_file;
using testsupport::write_file;

const std::string PROGRAM = KARVEN_MAP_PROGRAM;
const std::string DEMO = KARVEN_DEMO_COEFFICIENTS;
const std::string MODEL = "demo_coeff.inp";

std::optional<fs::path> installed(const char* program) {
  return figures::find_program(program, figures::program_search_path());
}

class KarvenMap : public testsupport::CompanionRunTest {
 protected:
  KarvenMap() : CompanionRunTest(PROGRAM) {}
  void SetUp() override { fs::copy_file(DEMO, MODEL); }
};

TEST_F(KarvenMap, RefusesAWrongCommandLineAndWritesNothing) {
  struct Row {
    std::vector<std::string> arguments;
    std::string message;
  };
  const std::vector<Row> rows = {
      {{"--grid", "c.nc"}, "give the model's coefficient file with --model FILE"},
      {{"--model", MODEL},
       "nothing to do: give --output for a figure, --grid for a netCDF file or --csv for a table"},
      {{"--model", MODEL, "--year", "1502", "--grid", "c.nc"},
       "--year: 1502 is not an epoch of the model; the epochs around it are 1500 and 1505 AD"},
      {{"--model", MODEL, "--year", "1900.5", "--grid", "c.nc"},
       "--year: the model's epochs are the years 0 to 1900 AD, every 5 years: 1900.5"},
      {{"--model", MODEL, "--year", "MD", "--grid", "c.nc"},
       "--year: expected a year AD, e.g. 1500, read \"MD\""},
      {{"--model", MODEL, "--step", "0.005", "--grid", "c.nc"},
       "--step: a step of 0.005 degrees gives 45,014,001 nodes over the region, more than can "
       "be held; the step must be at least 0.01 degrees (at most 11,257,001 nodes over the "
       "whole region)"},
      {{"--model", MODEL, "--step", "-0.25", "--grid", "c.nc"},
       "--step: the step must be a positive number of degrees: -0.25"},
      {{"--model", MODEL, "--step", "30", "--grid", "c.nc"},
       "--step: at a step of 30 degrees the region 35/60/-15/30 holds a single row of nodes; "
       "give a smaller step"},
      {{"--model", MODEL, "--region", "30/60/-15/30", "--grid", "c.nc"},
       "--region: 30/60/-15/30 reaches outside the model's region, 35/60/-15/30 (latitude 35 to "
       "60 north, longitude 15 west to 30 east)"},
      {{"--model", MODEL, "--region", "50/40/-15/30", "--grid", "c.nc"},
       "--region: the south bound must lie below the north bound: 50/40/-15/30"},
      {{"--model", MODEL, "--region", "40/50/10/10", "--grid", "c.nc"},
       "--region: the west bound must lie below the east bound: 40/50/10/10"},
      {{"--model", MODEL, "--region", "35/60/-15", "--grid", "c.nc"},
       "--region: expected four numbers south/north/west/east, e.g. 35/60/-15/30, read "
       "\"35/60/-15\""},
      {{"--model", MODEL, "--output", "d.png"},
       "a figure shows one epoch: give --year with --output"},
      {{"--model", MODEL, "--year", "1500", "--output", "d.gif"},
       "--output d.gif: the figure's name must end in .png, .pdf or .svg"},
      {{"--model", MODEL, "--year", "1500", "--component", "H", "--output", "d.png"},
       "unknown component \"H\": give declination, inclination or intensity (or D, I, F)"},
      {{"--model", MODEL, "--error", "--grid", "c.nc"},
       "--error is for the figure, and no figure is asked: give --output"},
      {{"--model", MODEL, "--grid", "c.nc", "--csv", "./c.nc"},
       "--grid and --csv name the same file ./c.nc"},
      {{"--model", MODEL, "--colour", "vik", "--grid", "c.nc"}, "unknown option \"--colour\""},
      {{"--model", MODEL, "--grid", "-", "--csv", "-"},
       "--grid - and --csv - both write to standard output, which can carry only one of them"},
      {{"--model", MODEL, "--year", "1500", "--output", "-"},
       "--output -: a figure on standard output has no name to tell its format; give a file "
       "name ending in .png, .pdf or .svg"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.message);
    const testsupport::ProgramRun result = run(row.arguments);
    EXPECT_EQ(result.err, "karven-map: " + row.message + "\nTry 'karven-map --help'.\n");
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(names_in("."), std::vector<std::string>{MODEL});
  }
}

TEST_F(KarvenMap, RefusesToWriteOverAnInputOrWhatIsNoFile) {
  fs::create_directory("folder");
  fs::create_hard_link(MODEL, "linked.nc");
  write_file("sites.csv", "name,lat,lon\nParis,4x.85,2.35\n");
  const std::string model_text = read_file(MODEL);
  struct Row {
    std::vector<std::string> arguments;
    std::string message;
  };
  const std::vector<Row> rows = {
      {{"--model", "missing.inp", "--grid", "c.nc"},
       "the coefficient file missing.inp cannot be opened: No such file or directory"},
      {{"--model", MODEL, "--grid", "linked.nc"},
       "the grid linked.nc would replace the coefficient file demo_coeff.inp"},
      {{"--model", MODEL, "--year", "5", "--output", "sites.csv.png", "--csv", "sites.csv",
        "--sites", "sites.csv"},
       "the table sites.csv would replace the sites file sites.csv"},
      {{"--model", MODEL, "--csv", "KARVEN_coeff.inp"},
       "the table KARVEN_coeff.inp would take the place of the coefficient file that karven "
       "reads by that name"},
      {{"--model", MODEL, "--grid", "folder/psvc_karven.eu.26.dat"},
       "the grid folder/psvc_karven.eu.26.dat would take the place of the curve file that "
       "karven writes and the companions read by that name"},
      {{"--model", MODEL, "--grid", "folder"},
       "the grid folder is a directory, not a regular file; it is left as it is"},
      {{"--model", MODEL, "--grid", "missing/c.nc"},
       "cannot write the grid missing/c.nc: No such file or directory"},
      {{"--model", MODEL, "--year", "5", "--output", "d.png", "--sites", "sites.csv"},
       "sites.csv, line 2, column lat: expected a number of degrees, read \"4x.85\""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.message);
    const testsupport::ProgramRun result = run(row.arguments);
    EXPECT_EQ(result.err, "karven-map: " + row.message + "\n");
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(names_in("."), (std::vector<std::string>{MODEL, "folder", "linked.nc", "sites.csv"}));
    EXPECT_TRUE(fs::is_empty("folder"));
    EXPECT_EQ(read_file("linked.nc"), model_text);
  }
}

TEST_F(KarvenMap, AMissingGmtLeavesAnEarlierGridAsItWas) {
  write_file("cube.nc", "an earlier grid");
  testsupport::TempFolder empty;
  const testsupport::ProgramRun result =
      run({"--model", MODEL, "--year", "1500", "--grid", "cube.nc", "--output", "d.png"},
          {{"PATH", empty.path().string()}});
  EXPECT_EQ(result.err,
            "karven-map: GMT is not installed (no gmt on PATH); install it with: apt-get install "
            "gmt gmt-gshhg-low\n");
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(read_file("cube.nc"), "an earlier grid");
  EXPECT_EQ(names_in("."), (std::vector<std::string>{"cube.nc", MODEL}));
}

// A number as printf's %.Ng writes it.
std::string g_text(double value, int digits) {
  std::array<char, 64> text{};
  const auto result = std::to_chars(text.data(), text.data() + text.size(), value,
                                    std::chars_format::general, digits);
  return std::string(text.data(), result.ptr);
}

TEST_F(KarvenMap, AnInterruptedRunLeavesAnEarlierGridAndNoPartialFile) {
  write_file("cube.nc", "an earlier grid");
  // The whole region for every epoch: seconds of work, during which the
  // cube is written to a hidden file beside cube.nc.
  const std::vector<std::string> texts = {PROGRAM, "--model", MODEL, "--grid", "cube.nc"};
  std::vector<char*> argv;
  for (const std::string& text : texts) argv.push_back(const_cast<char*>(text.c_str()));
  argv.push_back(nullptr);
  const std::string tmpdir = "TMPDIR=" + tmpdir_.path().string();
  std::vector<char*> envp = {const_cast<char*>(tmpdir.c_str()), nullptr};
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, PROGRAM.c_str(), nullptr, nullptr, argv.data(), envp.data()), 0);
  bool writing = false;
  for (int tries = 0; tries < 2000 && !writing; ++tries) {
    for (const std::string& name : names_in("."))
      writing = writing || name.starts_with(".cube.nc.");
    if (!writing) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(writing);
  kill(pid, SIGINT);
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
  EXPECT_EQ(read_file("cube.nc"), "an earlier grid");
  EXPECT_EQ(names_in("."), (std::vector<std::string>{"cube.nc", MODEL}));
}

// The value of a table's field: empty for a value that cannot be computed.
double field_value(std::string_view field) {
  if (field.empty()) return std::nan("");
  double value = 0.0;
  const auto result = std::from_chars(field.data(), field.data() + field.size(), value);
  EXPECT_EQ(result.ptr, field.data() + field.size()) << field;
  return value;
}

TEST_F(KarvenMap, TheCubeAndTheTableHoldTheModelsCurveAtEveryNode) {
  const testsupport::ProgramRun result = run({"--model", MODEL, "--grid", "cube.nc", "--csv",
                                              "cube.csv", "--region", "44/46/7/9", "--step", "1"});
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.out,
            "Grid written to cube.nc: 381 epochs, 3 latitudes by 3 longitudes\n"
            "Table written to cube.csv: 3,429 rows, 381 epochs at 9 nodes\n");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(names_in("."), (std::vector<std::string>{"cube.csv", "cube.nc", MODEL}));

  // The nodes hold the pole of the model's cap, 45 N 8 E, which it nudges.
  const model::Model model(DEMO);
  const std::vector<double> nodes = {44, 45, 46, 7, 8, 9};
  int id = -1;
  ASSERT_EQ(nc_open("cube.nc", NC_NOWRITE, &id), NC_NOERR);
  std::map<std::string, std::vector<double>> cube;
  for (const field_map::Quantity quantity : field_map::QUANTITIES) {
    const std::string name(field_map::quantity_info(quantity).name);
    int variable = -1;
    ASSERT_EQ(nc_inq_varid(id, name.c_str(), &variable), NC_NOERR);
    cube[name].resize(381 * 9);
    nc_get_var_double(id, variable, cube[name].data());
  }
  nc_close(id);

  const std::vector<std::string> lines = testsupport::read_lines("cube.csv");
  ASSERT_EQ(lines.size(), 1u + 3429u);
  EXPECT_EQ(lines[0],
            "lat,lon,year,declination,inclination,intensity,declination_error_95,"
            "inclination_error_95,intensity_error_95");
  std::map<std::string, std::pair<double, double>> ranges;
  std::size_t line = 1;
  for (std::size_t i = 0; i < 3; ++i) {
    for (std::size_t j = 0; j < 3; ++j) {
      const model::SiteCurve curve = model.curve(nodes[i], nodes[3 + j]);
      for (std::size_t k = 0; k < 381; ++k, ++line) {
        std::vector<std::string_view> fields;
        std::string_view rest = lines[line];
        for (std::size_t comma = rest.find(','); comma != std::string_view::npos;
             comma = rest.find(',')) {
          fields.push_back(rest.substr(0, comma));
          rest.remove_prefix(comma + 1);
        }
        fields.push_back(rest);
        ASSERT_EQ(fields.size(), 9u) << lines[line];
        EXPECT_EQ(field_value(fields[0]), nodes[i]);
        EXPECT_EQ(field_value(fields[1]), nodes[3 + j]);
        EXPECT_EQ(field_value(fields[2]), 5.0 * static_cast<double>(k));
        for (std::size_t q = 0; q < field_map::QUANTITIES.size(); ++q) {
          const field_map::Quantity quantity = field_map::QUANTITIES[q];
          const double expected = field_map::quantity_value(curve.epochs[k], quantity);
          const std::string name(field_map::quantity_info(quantity).name);
          auto [low, high] = ranges.try_emplace(name, expected, expected).first->second;
          ranges[name] = {std::min(low, expected), std::max(high, expected)};
          if (field_value(fields[3 + q]) != expected ||
              cube[name][(k * 3 + i) * 3 + j] != expected) {
            ADD_FAILURE() << name << " at " << nodes[i] << ", " << nodes[3 + j] << ", epoch " << k;
          }
        }
      }
    }
  }

  // The layout as ncdump shows it, when netCDF's tools are installed.
  const std::optional<fs::path> ncdump = installed("ncdump");
  if (!ncdump) GTEST_SKIP() << "ncdump is not installed (apt-get install netcdf-bin)";
  testsupport::ProgramCall call;
  call.program = ncdump->string();
  call.arguments = {"-h", "cube.nc"};
  const testsupport::ProgramRun dump = testsupport::run_program(call);
  EXPECT_EQ(dump.status, 0);
  // The layout, with each variable's range as ncdump writes doubles (%.15g).
  std::string header = read_file(fs::path(KARVEN_MAP_TEST_DATA) / "cube_header.txt");
  for (const auto& [name, range] : ranges) {
    const std::string placeholder = "{" + name + "}";
    header.replace(header.find(placeholder), placeholder.size(),
                   g_text(range.first, 15) + ", " + g_text(range.second, 15));
  }
  EXPECT_EQ(dump.out, header);
}

// GMT, run in the test's folder with no settings of the user's.
// The cube's variables as the netCDF library reads them back.
std::map<std::string, std::vector<double>> cube_values(const fs::path& file, std::size_t size) {
  std::map<std::string, std::vector<double>> cube;
  int id = -1;
  EXPECT_EQ(nc_open(file.c_str(), NC_NOWRITE, &id), NC_NOERR);
  if (id < 0) return cube;
  for (const field_map::Quantity quantity : field_map::QUANTITIES) {
    const std::string name(field_map::quantity_info(quantity).name);
    int variable = -1;
    EXPECT_EQ(nc_inq_varid(id, name.c_str(), &variable), NC_NOERR);
    cube[name].resize(size);
    nc_get_var_double(id, variable, cube[name].data());
  }
  nc_close(id);
  return cube;
}

// --csv - and --grid - write to standard output what the file would hold,
// and the lines that say what was written are left out; no file is made,
// and the grid's temporary file under TMPDIR is gone (TearDown).
TEST_F(KarvenMap, DashWritesTheTableOrTheGridToStandardOutput) {
  const std::vector<std::string> region = {"--model",   MODEL,    "--region",
                                           "44/46/7/9", "--step", "1"};
  std::vector<std::string> arguments = region;
  arguments.insert(arguments.end(), {"--grid", "cube.nc", "--csv", "cube.csv"});
  ASSERT_EQ(run(arguments).status, 0);

  arguments = region;
  arguments.insert(arguments.end(), {"--grid", "piped.nc", "--csv", "-"});
  testsupport::ProgramRun result = run(arguments);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.out, read_file("cube.csv"));
  EXPECT_EQ(result.status, 0);

  testsupport::ProgramCall call;
  call.program = PROGRAM;
  call.arguments = region;
  call.arguments.insert(call.arguments.end(), {"--grid", "-", "--csv", "piped.csv"});
  call.changed_environment = {{"TMPDIR", tmpdir_.path().string()}};
  call.stdout_path = "from_output.nc";
  result = testsupport::run_program(call);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(read_file("piped.csv"), read_file("cube.csv"));
  EXPECT_EQ(cube_values("from_output.nc", 381 * 9), cube_values("cube.nc", 381 * 9));
  EXPECT_EQ(names_in("."), (std::vector<std::string>{"cube.csv", "cube.nc", MODEL, "from_output.nc",
                                                     "piped.csv", "piped.nc"}));
}

testsupport::ProgramRun run_gmt(const fs::path& gmt, const std::vector<std::string>& arguments,
                                const fs::path& home) {
  testsupport::ProgramCall call;
  call.program = gmt.string();
  call.arguments = arguments;
  call.changed_environment = {
      {"HOME", home.string()}, {"GMT_USERDIR", home.string()}, {"GMT_TMPDIR", home.string()}};
  return testsupport::run_program(call);
}

TEST_F(KarvenMap, GmtReadsALayerOfTheCube) {
  const std::optional<fs::path> gmt = installed("gmt");
  if (!gmt) GTEST_SKIP() << "GMT is not installed (apt-get install gmt gmt-gshhg-low)";
  ASSERT_EQ(
      run({"--model", MODEL, "--grid", "cube.nc", "--region", "44/46/7/9", "--step", "1"}).status,
      0);
  // The range of the layer of 1500 AD, the 301st epoch, as GMT writes it:
  // read in single precision, GMT's grids, and written with %.12g.
  const model::Model model(DEMO);
  double low = INFINITY, high = -INFINITY;
  for (const double latitude : {44.0, 45.0, 46.0}) {
    for (const double longitude : {7.0, 8.0, 9.0}) {
      const double value = model.curve(latitude, longitude).epochs[300].declination;
      low = std::min(low, value);
      high = std::max(high, value);
    }
  }
  const auto g12 = [](double value) {
    return g_text(static_cast<double>(static_cast<float>(value)), 12);
  };
  testsupport::TempFolder home;
  const testsupport::ProgramRun info =
      run_gmt(*gmt, {"grdinfo", "-Cn", "-L0", "cube.nc?declination[300]"}, home.path());
  EXPECT_EQ(info.err, "");
  EXPECT_EQ(info.out, "7\t9\t44\t46\t" + g12(low) + "\t" + g12(high) + "\t1\t1\t3\t3\t0\t1\n");
}

TEST_F(KarvenMap, DrawsTheMapWithItsSitesNamedAsTheyStand) {
  if (!installed("gmt")) GTEST_SKIP() << "GMT is not installed (apt-get install gmt gmt-gshhg-low)";
  // Names that a shell or GMT would take as commands or escapes; a command
  // run would leave its file in the working directory.
  const std::string here = fs::current_path().string();
  write_file("sites.csv", "name,lat,lon\nParis,48.85,2.35\n\"Kiln `touch " + here +
                              "/PWNED` $(touch " + here + "/PWNED2)\",44,5\n" +
                              "a@%1%b \\251 'c';d|e,42,12\nYork,53.96,-1.08\n");
  const testsupport::ProgramRun result =
      run({"--model", MODEL, "--year", "1500", "--region", "40/50/-5/15", "--step", "0.5",
           "--sites", "sites.csv", "--output", "d1500.png"});
  EXPECT_EQ(result.err,
            "karven-map: sites.csv, line 5: the site \"York\" lies outside the map, "
            "40/50/-5/15; not marked\n");
  EXPECT_EQ(result.out, "Figure written to d1500.png\n");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(read_file("d1500.png").substr(0, 8), "\x89PNG\r\n\x1a\n");
  EXPECT_EQ(names_in("."), (std::vector<std::string>{"d1500.png", MODEL, "sites.csv"}));

  if (!installed("pdftocairo")) GTEST_SKIP() << "pdftocairo is not installed (poppler-utils)";
  const testsupport::ProgramRun svg = run({"--model", MODEL, "--year", "0", "--component", "F",
                                           "--error", "--step", "1", "--output", "f0.svg"});
  EXPECT_EQ(svg.err, "");
  EXPECT_EQ(svg.status, 0);
  EXPECT_NE(read_file("f0.svg").find("<svg"), std::string::npos);
}

}  // namespace

namespace {

// A global model, bundled: ARCH10k.1 at the year -1000.
class KarvenMapGlobal : public testsupport::CompanionRunTest {
 protected:
  KarvenMapGlobal() : CompanionRunTest(PROGRAM) {}
};

TEST_F(KarvenMapGlobal, RefusesAYearOutsideTheSpanAndWhatTheModelCannotGive) {
  struct Row {
    std::vector<std::string> arguments;
    std::string message;
  };
  const std::vector<Row> rows = {
      {{"--model", "ARCH10k.1", "--year", "-8001", "--csv", "c.csv"},
       "--year: the year -8001 is outside the span of ARCH10k.1, -8000 to 1990"},
      {{"--model", "ARCH10k.1", "--csv", "c.csv"},
       "a global model is mapped at one year: give --year, a whole year of its span"},
      {{"--model", "ARCH10k.1", "--year", "1.5", "--csv", "c.csv"},
       "--year: expected a whole year AD, negative before 1 AD (e.g. -1000), read \"1.5\""},
      {{"--model", "arch10k.1", "--year", "0", "--error", "--output", "c.png"},
       "--error: the global model arch10k.1 gives no errors to map"},
      {{"--model", "ARCH10k.1", "--year", "0", "--region", "-91/0/0/10", "--csv", "c.csv"},
       "--region: -91/0/0/10 reaches beyond a pole; latitudes run from -90 to 90"},
      {{"--model", "ARCH10k.1", "--year", "0", "--region", "0/10/-180/200", "--csv", "c.csv"},
       "--region: 0/10/-180/200 goes round the Earth more than once; west and east lie at most "
       "360 degrees apart"},
      {{"--model", "ARCH10k.1", "--year", "0", "--step", "0.02", "--csv", "c.csv"},
       "--step: a step of 0.02 degrees gives 162,027,001 nodes over the region -90/90/-180/180, "
       "more than can be held; at most 11,257,001 nodes"},
      {{"--model", DEMO, "--year", "1500", "--region", "world", "--csv", "c.csv"},
       "--region: world is for a global model (e.g. --model ARCH10k.1); the regional model "
       "covers 35/60/-15/30"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.message);
    const testsupport::ProgramRun result = run(row.arguments);
    EXPECT_EQ(result.err, "karven-map: " + row.message + "\nTry 'karven-map --help'.\n");
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(names_in("."), std::vector<std::string>{});
  }
}

// D, I, F of ARCH10k.1 at -1000 by the independent evaluation of
// map/tests/reference_map_values.py (NAN: no declination at a pole).
struct ReferenceNode {
  double latitude, longitude, declination, inclination, intensity;
};
const std::vector<ReferenceNode> REFERENCE_NODES = {
    {31, 35, 4.104242412189951, 61.513386823518054, 66.25004243718867},
    {-40, 180, -5.053814597343769, -60.72883203395353, 53.163125946019846},
    {-40, 185, -4.402859577099122, -61.434466275238684, 53.567806402722574},
    {-40, -175, -4.402859577099119, -61.434466275238684, 53.56780640272258},
    {89, 10, 172.08214629428213, 87.53657903133853, 84.62697259219047},
    {-90, 0, NAN, -85.78554162302781, 78.76838091038127},
    {90, 0, NAN, 86.96283763435494, 84.55529303486698},
};

// The table's rows by their "lat,lon" text.
std::map<std::string, std::vector<std::string>> table_rows(const std::vector<std::string>& lines,
                                                           std::size_t first) {
  std::map<std::string, std::vector<std::string>> rows;
  for (std::size_t k = first; k < lines.size(); ++k) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
      const std::size_t comma = lines[k].find(',', start);
      fields.push_back(lines[k].substr(start, comma - start));
      if (comma == std::string::npos) break;
      start = comma + 1;
    }
    rows[fields[0] + "," + fields[1]] = fields;
  }
  return rows;
}

void expect_reference(const std::vector<std::string>& fields, const ReferenceNode& node) {
  SCOPED_TRACE(fields[0] + "," + fields[1]);
  ASSERT_EQ(fields.size(), 6u);
  EXPECT_EQ(fields[2], "-1000");
  if (std::isnan(node.declination)) {
    EXPECT_EQ(fields[3], "");
  } else {
    EXPECT_NEAR(std::stod(fields[3]), node.declination, 1e-7);
  }
  EXPECT_NEAR(std::stod(fields[4]), node.inclination, 1e-7);
  EXPECT_NEAR(std::stod(fields[5]), node.intensity, 1e-9 * node.intensity);
}

std::string text_attribute(int id, int variable, const char* name) {
  std::size_t length = 0;
  if (nc_inq_attlen(id, variable, name, &length) != NC_NOERR) return "(none)";
  std::string text(length, '\0');
  nc_get_att_text(id, variable, name, text.data());
  return text;
}

const std::string CITATION =
    "Constable, C., M. Korte and S. Panovska (2016): Persistent high paleosecular variation "
    "activity in Southern hemisphere for at least 10 000 years. Earth Planet. Sci. Lett. 453, "
    "78-86";

TEST_F(KarvenMapGlobal, TheWorldAndTheDateLineHoldTheIndependentFieldAndNameTheModel) {
  const testsupport::ProgramRun world =
      run({"--model", "ARCH10k.1", "--year", "-1000", "--region", "world", "--step", "1", "--csv",
           "world.csv", "--grid", "world.nc"});
  EXPECT_EQ(world.err, "");
  EXPECT_EQ(world.out,
            "Grid written to world.nc: 1 epoch, 181 latitudes by 361 longitudes\n"
            "Table written to world.csv: 65,341 rows, 1 epoch at 65,341 nodes\n");
  ASSERT_EQ(world.status, 0);
  const std::vector<std::string> lines = testsupport::read_lines("world.csv");
  ASSERT_EQ(lines.size(), 3u + 65341u);
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 3),
            (std::vector<std::string>{
                "# ARCH10k.1 (" + CITATION + ")",
                "# declination empty at the geographic poles, where north has no direction",
                "lat,lon,year,declination,inclination,intensity"}));
  const auto rows = table_rows(lines, 3);
  for (const ReferenceNode& node : REFERENCE_NODES) {
    const std::string key = std::to_string(static_cast<int>(node.latitude)) + "," +
                            std::to_string(static_cast<int>(node.longitude));
    if (node.longitude > 180) continue;
    ASSERT_EQ(rows.count(key), 1u) << key;
    expect_reference(rows.at(key), node);
  }
  // Every node of a pole has no declination, and the pole's inclination.
  for (const double longitude : {-180.0, -1.0, 179.0}) {
    const auto& pole = rows.at("-90," + std::to_string(static_cast<int>(longitude)));
    EXPECT_EQ(pole[3], "");
    EXPECT_NEAR(std::stod(pole[4]), REFERENCE_NODES[5].inclination, 1e-7);
  }

  int id = -1;
  ASSERT_EQ(nc_open("world.nc", NC_NOWRITE, &id), NC_NOERR);
  EXPECT_EQ(text_attribute(id, NC_GLOBAL, "source"), "ARCH10k.1 (" + CITATION + ")");
  EXPECT_EQ(text_attribute(id, NC_GLOBAL, "references"), CITATION);
  int variable = -1;
  EXPECT_NE(nc_inq_varid(id, "declination_error_95", &variable), NC_NOERR);
  ASSERT_EQ(nc_inq_varid(id, "declination", &variable), NC_NOERR);
  EXPECT_EQ(text_attribute(id, variable, "comment"),
            "missing (_FillValue) at the geographic poles, where north has no direction and the "
            "declination is undefined");
  std::vector<double> declination(65341);
  nc_get_var_double(id, variable, declination.data());
  int year_variable = -1;
  int year = 0;
  nc_inq_varid(id, "year", &year_variable);
  nc_get_var_int(id, year_variable, &year);
  nc_close(id);
  EXPECT_EQ(year, -1000);
  // Row 0 is the south pole, row 121 latitude 31 (lon 35 is column 215).
  EXPECT_TRUE(std::isnan(declination[0]));
  EXPECT_TRUE(std::isnan(declination[180 * 361 + 7]));
  EXPECT_NEAR(declination[121 * 361 + 215], REFERENCE_NODES[0].declination, 1e-7);

  // Across the date line: 185 east is 175 west.
  const testsupport::ProgramRun across =
      run({"--model", "ARCH10k.1", "--year", "-1000", "--region", "-50/-30/170/190", "--step", "5",
           "--csv", "across.csv"});
  EXPECT_EQ(across.err, "");
  ASSERT_EQ(across.status, 0);
  const auto across_rows = table_rows(testsupport::read_lines("across.csv"), 3);
  EXPECT_EQ(across_rows.size(), 25u);
  expect_reference(across_rows.at("-40,180"), REFERENCE_NODES[1]);
  expect_reference(across_rows.at("-40,185"), REFERENCE_NODES[2]);
}

TEST_F(KarvenMapGlobal, DrawsTheWorldInAnEqualAreaProjection) {
  if (!installed("gmt")) GTEST_SKIP() << "GMT is not installed";
  const testsupport::ProgramRun result =
      run({"--model", "ARCH10k.1", "--year", "-1000", "--region", "world", "--step", "2", "-c", "I",
           "--output", "world.png"});
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.out, "Figure written to world.png\n");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(read_file("world.png").substr(1, 3), "PNG");

  // Across the date line a site west of it is marked east of 180.
  write_file("sites.csv", "name,lat,lon\nChatham Islands,-44,-176.5\nAuckland,-36.85,174.76\n");
  const testsupport::ProgramRun across =
      run({"--model", "ARCH10k.1", "--year", "1200", "--region", "-50/-30/170/190", "--step", "1",
           "--sites", "sites.csv", "--output", "across.png"});
  EXPECT_EQ(across.err, "");
  EXPECT_EQ(across.out, "Figure written to across.png\n");
  EXPECT_EQ(across.status, 0);
}

}  // namespace
