#include "plot/figure.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "plot/gnuplot.hpp"
#include "testsupport/testsupport.hpp"

namespace {

using plot::FigureFormat;

TEST(SiteText, ShowsTheFilesDigitsWithHemispheres) {
  struct Row {
    double latitude, longitude;
    std::string text;
  };
  const std::vector<Row> rows = {
      {40.4, -3.7, "40.40 N, 3.70 W"},
      {45.0, 8.0, "45.00 N, 8.00 E"},
      {-33.5, 120.25, "33.50 S, 120.25 E"},
      {60.0, -15.0, "60.00 N, 15.00 W"},
      // Shown as -.00 in the file: no hemisphere to the south or west.
      {-0.001, -0.004, "0.00 N, 0.00 E"},
      {-0.0, 0.0, "0.00 N, 0.00 E"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(plot::site_text(row.latitude, row.longitude), row.text);
  }
}

TEST(GnuplotData, WritesEachPointAsReadBackAndGapsAsNaN) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  curve::Curve curve;
  curve.points = {{0.0, {32.38, 40.36, 22.93, 3.44, 3.88, 1.86}},
                  {1900.0, {-2.35, nan, 47.86, 1.05, 0.74, nan}}};
  EXPECT_EQ(plot::gnuplot_data(curve),
            "# year D I F eD eI eF\n"
            "0 32.38 40.36 22.93 3.44 3.88 1.86\n"
            "1900 -2.35 NaN 47.86 1.05 0.74 NaN\n");
}

curve::Curve two_point_curve() {
  curve::Curve curve;
  curve.model = "KARVEN.EU.26";
  curve.latitude = 40.4;
  curve.longitude = -3.7;
  curve.points = {{0.0, {-15.0, 66.0, 70.0, 2.0, 1.7, 2.0}},
                  {5.0, {-14.5, 66.2, 70.3, 2.0, 1.7, 2.0}}};
  return curve;
}

// Every character that gnuplot or a shell gives a meaning reaches gnuplot
// as text: gnuplot prints each expression back as the text itself (shown
// as messages show it where a line cannot hold it), and the commands in
// the texts create nothing.
TEST(GnuplotString, GnuplotTakesEveryTextAsText) {
  testsupport::ScopedWorkDir dir;
  const std::string here = dir.path().string();
  struct Row {
    std::string text, expression, printed;
  };
  const std::vector<Row> rows = {
      {"", "''", ""},
      {"Kiln `touch " + here + "/x1`", "'Kiln `touch " + here + "/x1`'",
       "Kiln `touch " + here + "/x1`"},
      {"$HOME $(touch " + here + "/x2) ${PATH}", "'$HOME $(touch " + here + "/x2) ${PATH}'",
       "$HOME $(touch " + here + "/x2) ${PATH}"},
      {"it's \"odd\"", "'it'.\"'\".'s \"odd\"'", "it's \"odd\""},
      {"'; system('touch " + here + "/x3'); '",
       "''.\"'\".'; system('.\"'\".'touch " + here + "/x3'.\"'\".'); '.\"'\".''",
       "'; system('touch " + here + "/x3'); '"},
      {"a\\nb\\", "'a\\nb\\'", "a\\nb\\"},
      {"; | & # @command < > * ? ~ ! { } ^ _", "'; | & # @command < > * ? ~ ! { } ^ _'",
       "; | & # @command < > * ? ~ ! { } ^ _"},
      {"first\nsecond", "'first'.\"\\n\".'second'", "first\nsecond"},
      {"\n", "''.\"\\n\".''", "\n"},
      {std::string("cr\r nul\0 esc\x1b[2J del\x7f", 21), "'cr\\x0D nul\\x00 esc\\x1B[2J del\\x7F'",
       "cr\\x0D nul\\x00 esc\\x1B[2J del\\x7F"},
      {"Four à chaux, 1.96 σ, Latin-1 \xe0", "'Four à chaux, 1.96 σ, Latin-1 \\xE0'",
       "Four à chaux, 1.96 σ, Latin-1 \\xE0"},
  };
  std::string script = "command = 'system(\"touch " + here + "/x4\")'\n";
  std::string printed;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.expression);
    EXPECT_EQ(plot::gnuplot_string(row.text), row.expression);
    script += "print " + plot::gnuplot_string(row.text) + "\n";
    printed += row.printed + "\n";
  }
  testsupport::write_file("print.gp", script);
  const char* path = std::getenv("PATH");
  const auto gnuplot = plot::find_program("gnuplot", path ? path : "");
  ASSERT_TRUE(gnuplot.has_value());
  testsupport::ProgramCall call;
  call.program = gnuplot->string();
  call.arguments = {"-d", "print.gp"};
  const testsupport::ProgramRun run = testsupport::run_program(call);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, printed);
  for (const char* made : {"x1", "x2", "x3", "x4"}) EXPECT_FALSE(std::filesystem::exists(made));
}

// A quantity with no value at all gets an axis of its own making, since
// gnuplot refuses to scale one; the figure is still drawn.
TEST(DrawFigure, DrawsAPanelWithoutValues) {
  testsupport::ScopedWorkDir dir;
  curve::Curve curve = two_point_curve();
  for (auto& point : curve.points) point.values[curve::INCLINATION] = std::nan("");
  const std::string script =
      plot::gnuplot_script(curve, FigureFormat::png, "curve.dat", "figure.png");
  EXPECT_NE(script.find("set yrange [-1:1]\n"), std::string::npos);
  plot::draw_figure(curve, FigureFormat::png, companion::OutputGuard(), dir.path() / "figure.png");
  EXPECT_GT(std::filesystem::file_size("figure.png"), 1000u);
}

// A global model's curve without errors: lines without bands, the legend
// saying why, and the model's publication wrapped at the figure's foot,
// drawn once, with the first panel.
TEST(GnuplotScript, DrawsAModelWithoutErrorsAsLinesWithItsCredit) {
  curve::Curve curve;
  curve.model = "ARCH10k.1";
  curve.latitude = 31.78;
  curve.longitude = 35.22;
  const double nan = std::nan("");
  curve.points = {{-1000.0, {3.9, 62.3, 66.5, nan, nan, nan}},
                  {-995.0, {4.1, 62.4, 66.7, nan, nan, nan}}};
  const plot::FigureText text{
      "lines: the model's curve, without a band: the model gives no errors", false,
      "Model: ARCH10k.1 (Constable, C., M. Korte and S. Panovska (2016): Persistent high "
      "paleosecular variation activity in Southern hemisphere for at least 10 000 years. Earth "
      "Planet. Sci. Lett. 453, 78-86)"};
  const auto panel = [](const std::string& label, int column) {
    return "set ylabel '" + label + "'\nplot 'curve.dat' using 1:" + std::to_string(column) +
           " with lines lw 2.5 lc rgb '#1a4c8f'\n";
  };
  EXPECT_EQ(
      plot::gnuplot_script(curve, FigureFormat::png, "curve.dat", "figure.png", text),
      "set encoding utf8\n"
      "set terminal pngcairo size 1200,1500 font 'sans,18' noenhanced background rgb 'white'\n"
      "set output 'figure.png'\n"
      "set multiplot layout 3,1 title 'ARCH10k.1 palaeosecular variation curve at 31.78 N, "
      "35.22 E'.\"\\n\".'lines: the model'.\"'\".'s curve, without a band: the model gives no "
      "errors' font 'sans,22' margins 0.13,0.96,0.1,0.9 spacing 0,0.025\n"
      "set label 2 'Model: ARCH10k.1 (Constable, C., M. Korte and S. Panovska (2016): "
      "Persistent high paleosecular variation'.\"\\n\".'activity in Southern hemisphere for at "
      "least 10 000 years. Earth Planet. Sci. Lett. 453, 78-86)' at screen 0.5, screen 0.035 "
      "center font ',9'\n"
      "set xrange [-1000:-995]\n"
      "set mxtics\n"
      "set grid xtics ytics back lt 1 lw 1 lc rgb '#dcdcdc'\n"
      "set key off\n"
      "set style fill transparent solid 0.28 noborder\n"
      "set format x ''\n" +
          panel("Declination (°)", 2) + "unset label 2\nset format x ''\n" +
          panel("Inclination (°)", 3) + "set format x '%g'\nset xlabel 'Year (AD)'\n" +
          panel("Intensity (µT)", 4) + "unset multiplot\nunset output\n");
}

TEST(FindProgram, TakesTheFirstExecutableAndSkipsEmptyAndRelativeEntries) {
  testsupport::ScopedWorkDir dir;
  for (const char* folder : {"a", "b", "c"}) std::filesystem::create_directory(folder);
  testsupport::write_file("a/tool", "not executable");
  testsupport::write_file("b/tool", "#!/bin/sh\n");
  std::filesystem::permissions("b/tool", std::filesystem::perms::owner_all);
  std::filesystem::create_directory("c/tool");     // a folder is no program
  testsupport::write_file("tool", "#!/bin/sh\n");  // in the current directory
  std::filesystem::permissions("tool", std::filesystem::perms::owner_all);
  const std::filesystem::path& here = dir.path();

  const std::string c = (here / "c").string(), a = (here / "a").string(), b = (here / "b").string();
  EXPECT_EQ(plot::find_program("tool", c + ":" + a + ":" + b), here / "b" / "tool");
  EXPECT_EQ(plot::find_program("tool", ":" + c + ":" + a + "::"), std::nullopt);
  // Folders named by the current directory: never searched.
  EXPECT_EQ(plot::find_program("tool", "/nonexistent:.:b:./b:../" + here.filename().string()),
            std::nullopt);
  EXPECT_EQ(plot::find_program("tool", ""), std::nullopt);
  EXPECT_EQ(plot::find_program("tool", here.string()), here / "tool");
}

}  // namespace
