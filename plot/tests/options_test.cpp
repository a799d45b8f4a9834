#include "plot/options.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "karven/version.hpp"

namespace {

using figures::FigureFormat;

TEST(ParseOptions, FillsInTheCurveFileTheFigureAndItsFormat) {
  struct Row {
    std::vector<std::string_view> arguments;
    std::string input, output;
    FigureFormat format;
  };
  const std::vector<Row> rows = {
      {{}, "psvc_karven.eu.26.dat", "psvc_karven.eu.26.png", FigureFormat::png},
      {{"--format", "svg"}, "psvc_karven.eu.26.dat", "psvc_karven.eu.26.svg", FigureFormat::svg},
      {{"--format=PDF"}, "psvc_karven.eu.26.dat", "psvc_karven.eu.26.pdf", FigureFormat::pdf},
      {{"-f", "pdf", "runs/madrid.dat"}, "runs/madrid.dat", "runs/madrid.pdf", FigureFormat::pdf},
      {{"site.v2/curve"}, "site.v2/curve", "site.v2/curve.png", FigureFormat::png},
      {{"--output", "fig.svg"}, "psvc_karven.eu.26.dat", "fig.svg", FigureFormat::svg},
      {{"curve.dat", "-o", "out/Fig.PDF"}, "curve.dat", "out/Fig.PDF", FigureFormat::pdf},
      {{"--output=a.png", "--format", "png"}, "psvc_karven.eu.26.dat", "a.png", FigureFormat::png},
      {{"--format", "svg", "--output", "figure"},
       "psvc_karven.eu.26.dat",
       "figure",
       FigureFormat::svg},
      {{"--", "--format"}, "--format", "--format.png", FigureFormat::png},
      // The curve of --model is named as the curve file of its site.
      {{"--model", "m.inp", "--lat", "48.85", "--lon=2.35", "-f", "svg"},
       "psvc_karven.eu.26.dat",
       "psvc_karven.eu.26.svg",
       FigureFormat::svg},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.output);
    const plot::PlotOptions options = plot::parse_options(row.arguments);
    EXPECT_FALSE(options.help);
    EXPECT_EQ(options.input, row.input);
    EXPECT_EQ(options.output, row.output);
    EXPECT_EQ(options.format, row.format);
  }
}

TEST(ParseOptions, HelpAndVersionWinOverTheRest) {
  const std::vector<std::string_view> arguments = {"curve.dat", "--help", "--bad"};
  EXPECT_TRUE(plot::parse_options(arguments).help);
  const std::vector<std::string_view> short_form = {"-h"};
  EXPECT_TRUE(plot::parse_options(short_form).help);
  const std::vector<std::string_view> version = {"--format", "svg", "--version"};
  EXPECT_EQ(plot::parse_options(version).help_text,
            "karven-plot " + std::string(karven::VERSION) + "\n");
}

TEST(ParseOptions, SaysWhatIsWrongWithACommandLine) {
  struct Row {
    std::vector<std::string_view> arguments;
    std::string message;
  };
  const std::vector<Row> rows = {
      {{"--format", "gif"}, "unknown format \"gif\": give png, svg or pdf"},
      {{"--format", ".png"}, "unknown format \".png\": give png, svg or pdf"},
      {{"--format"}, "option --format needs a value"},
      {{"--output="}, "option --output needs a value"},
      {{"--colour", "red"}, "unknown option \"--colour\""},
      {{"--colour=red"}, "unknown option \"--colour\""},
      {{"--format", "svg", "--format", "pdf"}, "option --format is given more than once"},
      {{"a.dat", "b.dat"}, "unexpected argument \"b.dat\""},
      {{"--format", "svg", "--output", "fig.png"},
       "--format svg does not match the figure's name \"fig.png\""},
      {{"--output", "fig.jpg"},
       "cannot tell the format of \"fig.jpg\": end its name in .png, .svg or .pdf, or give "
       "--format"},
      {{"--model", "m.inp", "--lat", "48", "--lon", "2", "c.dat"},
       "a curve file and --model exclude each other: give one or the other"},
      {{"--lon", "2"},
       "--lon gives the site of --model: give the coefficient file with --model FILE"},
      {{"--model", "m.inp"}, "--model needs the site: give --lat and --lon"},
      {{"--model", "m.inp", "--lon", "2"}, "--model needs the site: give --lat as well"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.message);
    try {
      plot::parse_options(row.arguments);
      ADD_FAILURE() << "accepted";
    } catch (const plot::UsageError& e) {
      EXPECT_EQ(std::string(e.what()), row.message);
    }
  }
}

}  // namespace
