#include "geomodel/spline_model.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

#include "geomodel/catalogue.hpp"
#include "geomodel/field.hpp"

namespace {

const std::filesystem::path MODELS = KARVEN_MODELS_DIR;

// Each bundled file as read: the span of its line 1, its counts, its first
// and last knot and coefficient, and the numbers of its trailer.
struct FileFacts {
  const char* name;
  double first_year, last_year;
  int degree, splines;
  double first_knot, last_knot, first_coefficient, last_coefficient;
  std::size_t unread;
};

constexpr FileFacts FILES[] = {
    {"ARCH10k.1", -8000, 1990, 10, 303, -10130, 2110, -27919.820627883968, -11.849716948679363, 0},
    {"CALS10k.2", -8000, 1990, 10, 303, -10130, 2110, -27683.890974567090, -11.850008141128271, 0},
    {"HFM.OL1.A1", -10010, 1990, 10, 303, -10130, 2110, -0.276446083923E+05, 0.186008926512E+00, 0},
    {"pfm9k.1a", -7000, 1900, 10, 193, -7650, 2150, -37076.715738370120, 6.9085015607581754E-004,
     0},
    {"arhimag1k", 800, 2000, 10, 123, 770, 2030, -35077.0980078, -5.5389641002, 14760},
    {"gufm1", 1590, 1990, 14, 163, 1582.5, 1997.5, -0.360524056917E+05, 0.513615752270E-01, 0},
    {"LSMOD.2", -48000, -28000, 10, 403, -48150, -27850, -29768.661334362139,
     -1.3962801684832252E-2, 0},
    {"GGF100k", -98050, 1990, 10, 602, -118350, 2650, -0.327123980822E+05, 0.197003150252E-01, 0},
};

TEST(SplineModelReader, ReadsEveryBundledFileOfTheFamily) {
  for (const FileFacts& f : FILES) {
    SCOPED_TRACE(f.name);
    const auto path = MODELS / f.name;
    ASSERT_TRUE(geomodel::file_looks_like_spline_model(path));
    const geomodel::SplineModel m = geomodel::read_spline_model(path);
    EXPECT_EQ(m.name, path.string());
    EXPECT_EQ(m.first_year, f.first_year);
    EXPECT_EQ(m.last_year, f.last_year);
    EXPECT_EQ(m.degree, f.degree);
    EXPECT_EQ(m.order, 4);
    EXPECT_EQ(m.spline_count(), f.splines);
    EXPECT_EQ(m.knots.front(), f.first_knot);
    EXPECT_EQ(m.knots.back(), f.last_knot);
    ASSERT_EQ(m.coefficients.size(),
              static_cast<std::size_t>(f.splines * geomodel::coefficient_count(f.degree)));
    EXPECT_EQ(m.coefficients.front(), f.first_coefficient);
    EXPECT_EQ(m.coefficients.back(), f.last_coefficient);
    EXPECT_EQ(m.unread_numbers, f.unread);
  }
}

TEST(SplineModelReader, CatalogueFindsEveryModelInAnyCaseWithItsPublishedSpan) {
  ASSERT_EQ(geomodel::bundled_models().size(), 8u);
  for (const auto& entry : geomodel::bundled_models()) {
    SCOPED_TRACE(std::string(entry.name));
    const geomodel::SplineModel m = geomodel::read_bundled_model(entry);
    EXPECT_EQ(m.name, entry.name);
    EXPECT_EQ(m.degree, entry.degree);
    EXPECT_EQ(m.first_year, entry.first_year);
    EXPECT_EQ(m.last_year, entry.last_year);
    EXPECT_FALSE(entry.citation.empty());
  }
  const auto* upper = geomodel::find_catalogue_entry("ARCH10k.1");
  ASSERT_NE(upper, nullptr);
  EXPECT_EQ(geomodel::find_catalogue_entry("arch10K.1"), upper);
  EXPECT_EQ(geomodel::find_catalogue_entry("ARCH10k"), nullptr);
  EXPECT_EQ(geomodel::find_catalogue_entry("HFM.OL1.A1")->first_year, -8000.0);
  ASSERT_TRUE(geomodel::find_bundled_model("GUFM1").has_value());
  EXPECT_EQ(geomodel::find_bundled_model("GUFM1")->filename(), "gufm1");
  EXPECT_EQ(geomodel::find_bundled_model("no such model"), std::nullopt);
}

// A small model of the family: degree 1, six cubic splines on knots every
// 10 years, complete on 0 to 30. Each spline's coefficients are its
// Greville abscissa (the mean of its three inner knots) and then 2 and 3,
// so that g(1,0) at year t is t itself and the others stay constant.
std::string knots_line() { return "-30 -20 -10 0 10 20 30 40 50 60\n"; }
std::string coefficients_line() {
  std::string line;
  for (int j = 0; j < 6; ++j) line += std::to_string(10 * (j - 1)) + " 2 3 ";
  return line + "\n";
}
std::string small_model(const std::string& line1 = "0.0 30.0 4 lambda= 0.1D-12\n") {
  return line1 + " 1 0 6\n" + knots_line() + coefficients_line();
}

std::string refusal(const std::string& text) {
  try {
    geomodel::parse_spline_model(text, "M");
  } catch (const geomodel::ModelFileError& e) {
    return e.what();
  }
  return "accepted";
}

TEST(SplineModelReader, ToleratesTheFamilysVariationsAndCountsATrailer) {
  const auto plain = geomodel::parse_spline_model(small_model(), "M");
  EXPECT_EQ(plain.unread_numbers, 0u);
  for (double year : {0.0, 7.5, 15.0, 29.0, 30.0}) {
    const auto g = geomodel::gauss_coefficients(plain, year);
    EXPECT_NEAR(g.values[0], year, 1e-12) << year;
    EXPECT_NEAR(g.values[1], 2.0, 1e-14) << year;
    EXPECT_NEAR(g.values[2], 3.0, 1e-14) << year;
  }

  // No order on line 1, knots beginning on line 2; a tab-separated line 1;
  // Fortran exponents; a trailer on lines of its own.
  const auto no_order = geomodel::parse_spline_model(
      "0.0 30.0 0.10E-29 0.20E+03\n 1 0 6 " + knots_line() + coefficients_line(), "M");
  EXPECT_EQ(no_order.knots, plain.knots);
  EXPECT_EQ(no_order.coefficients, plain.coefficients);
  const auto tabs = geomodel::parse_spline_model(small_model("\t0.0\t30.0\t4\n"), "M");
  EXPECT_EQ(tabs.coefficients, plain.coefficients);
  const auto fortran = geomodel::parse_spline_model(small_model("0.0D+00 0.3D+02 4\n"), "M");
  EXPECT_EQ(fortran.last_year, 30.0);
  const auto trailer = geomodel::parse_spline_model(small_model() + "1 2 3\n4 5\n", "M");
  EXPECT_EQ(trailer.coefficients, plain.coefficients);
  EXPECT_EQ(trailer.unread_numbers, 5u);
}

TEST(SplineModelReader, RefusesWhatWouldMakeAWrongFieldWithOneLine) {
  std::string truncated = small_model();
  truncated.resize(truncated.size() - 6);  // " 2 3 \n" cut: 16 of 18 numbers left
  EXPECT_EQ(refusal(truncated),
            "the model file M: the file ends at line 4 after 16 of the 18 coefficients of 6 "
            "splines of degree 1 (line 2)");
  EXPECT_EQ(refusal("0.0 30.0 4\n 1 0 6\n-30 -20\n"),
            "the model file M: the file ends at line 3 after 2 of the 10 knots of 6 splines of "
            "degree 1 (line 2)");
  EXPECT_EQ(refusal("0.0 30.0 4\n 1 0 6\n-30 -20 -10 0 10 20 15 40 50 60\n" + coefficients_line()),
            "the model file M: knot 7 (15) is below knot 6 (20): the knots must not decrease");
  EXPECT_EQ(refusal("0.0 30.0 4\n 1 0 6\n" + knots_line() + "nan " + coefficients_line()),
            "the model file M: line 4: 'nan' (coefficients 1) is not a finite number");
  EXPECT_EQ(refusal("0.0 30.0 4\n 1 0 6\n" + knots_line() + "1e999 " + coefficients_line()),
            "the model file M: line 4: '1e999' (coefficients 1) is not a finite number");
  EXPECT_EQ(refusal(small_model().substr(0, small_model().size() - 1) + " 9\n"),
            "the model file M: line 4: more numbers follow the last of the 18 coefficients of 6 "
            "splines of degree 1 (line 2) on its line");
  EXPECT_EQ(refusal(small_model() + "9 x\n"),
            "the model file M: line 5: 'x' after the coefficients is not a number");
  EXPECT_EQ(refusal(small_model("0.0 30.0 3\n")),
            "the model file M: line 1: splines of order 3; the models of this family have cubic "
            "splines (order 4)");
  EXPECT_EQ(refusal(small_model("-5.0 30.0 4\n")),
            "the model file M: line 1: the span -5 to 30 reaches beyond the splines' basis, 0 to "
            "30");
  EXPECT_EQ(refusal("0.0 30.0 4\n 10.0 0 6\n" + knots_line() + coefficients_line()),
            "the model file M: line 2: no counts (degree, 0, number of splines, as whole numbers) "
            "after the span");
}

TEST(SplineModelReader, RefusesFilesOfOtherLayouts) {
  // The variant layouts: without a span on line 1, without the zero on line 2.
  const std::string no_span = " 1 0 6\n" + knots_line() + coefficients_line();
  EXPECT_EQ(refusal(no_span),
            "the model file M: line 1: the span 1 to 0 does not run forward in time");
  EXPECT_FALSE(geomodel::looks_like_spline_model(no_span));
  const std::string no_zero = "0.0 30.0 4\n 1 6\n" + knots_line() + coefficients_line();
  EXPECT_EQ(refusal(no_zero),
            "the model file M: line 2: the second count is 6, not 0: not the layout of degree, "
            "0, number of splines");
  EXPECT_FALSE(geomodel::looks_like_spline_model(no_zero));
  EXPECT_EQ(refusal(""),
            "the model file M: line 1: no span of years (two numbers) where the model "
            "file begins");
  EXPECT_EQ(refusal("0.0 30.0 4\n"), "the model file M: the file ends after line 1");

  // A curve file and the regional coefficient file.
  const std::string curve = "year,D,I,F\n0,1.5,60.2,55.1\n";
  EXPECT_EQ(refusal(curve),
            "the model file M: line 1: no span of years (two numbers) where the model file "
            "begins");
  EXPECT_FALSE(geomodel::looks_like_spline_model(curve));
  EXPECT_FALSE(geomodel::file_looks_like_spline_model(KARVEN_DEMO_COEFFICIENTS));
  try {
    geomodel::read_spline_model(KARVEN_DEMO_COEFFICIENTS);
    ADD_FAILURE() << "the regional coefficient file was read as a global model";
  } catch (const geomodel::ModelFileError& e) {
    EXPECT_EQ(std::string(e.what()), "the model file " + std::string(KARVEN_DEMO_COEFFICIENTS) +
                                         ": line 1: the span 27.4901087 to 1 does not run "
                                         "forward in time");
  }
  EXPECT_FALSE(geomodel::file_looks_like_spline_model(MODELS / "no such file"));
  EXPECT_THROW(geomodel::read_spline_model(MODELS / "no such file"), geomodel::ModelFileError);
  EXPECT_TRUE(geomodel::looks_like_spline_model(small_model()));
}

}  // namespace
