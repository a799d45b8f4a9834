#include "plot/figure.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "figures/gnuplot.hpp"
#include "testsupport/testsupport.hpp"

namespace {

using figures::FigureFormat;

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

}  // namespace
