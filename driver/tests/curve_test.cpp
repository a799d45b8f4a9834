// The site basis, the epoch loop and the error estimates in-process: the
// worked example's intermediate values, and the properties that hold over
// whole coefficient files.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "cap/cap_basis.hpp"
#include "cap/cap_frame.hpp"
#include "driver/coefficients.hpp"
#include "driver/constants.hpp"
#include "driver/error_estimates.hpp"
#include "driver/run.hpp"
#include "driver/site_basis.hpp"
#include "driver/tests/coefficient_files.hpp"
#include "testsupport/testsupport.hpp"

namespace {

using driver_test::demo_rows;
using driver_test::Row;
using driver_test::write_coefficients;

struct Epoch {
  driver::EpochField field;
  driver::EpochErrors errors;
};

// The whole computation of a run for a typed site and a coefficient file,
// without the dialogue and the curve file.
std::vector<Epoch> curve_at(double latitude, double longitude, const std::vector<Row>& rows) {
  driver::reset_run_state();
  testsupport::ScopedWorkDir dir;
  write_coefficients(rows);
  cap::load_cap_degrees(driver::cap_degree_table());
  cap::set_cap_pole(driver::CAP_POLE_LAT, driver::CAP_POLE_LON, latitude, longitude);
  driver::set_site(latitude, longitude);
  driver::compute_site_basis();
  driver::load_coefficients();
  driver::compute_site_factors();
  std::vector<Epoch> epochs;
  for (int i = 1; i <= driver::N_EPOCHS; ++i) {
    const auto field = driver::evaluate_epoch(i);
    epochs.push_back({field, driver::estimate_errors(i, field)});
  }
  return epochs;
}

// n quoted significant digits: one unit in the last of them.
void expect_digits(double value, double quoted, int digits) {
  const double unit = std::pow(10.0, std::floor(std::log10(std::fabs(quoted))) - (digits - 1));
  EXPECT_NEAR(value, quoted, unit) << "quoted to " << digits << " digits";
}

TEST(WorkedExample, SiteGeometryBasisFieldAndErrors) {
  std::vector<Row> rows = demo_rows();
  rows[0] = driver_test::worked_example_row();
  const auto epochs = curve_at(40.4, -3.7, rows);

  const auto& g = driver::site_geometry();
  EXPECT_NEAR(g.geocentric_latitude, 40.210154, 1e-6);
  EXPECT_NEAR(g.radius, 6369.197870, 1e-6);
  EXPECT_NEAR(g.cap_latitude, 80.159688, 1e-6);
  EXPECT_NEAR(g.cap_longitude, -64.979714, 1e-6);
  EXPECT_NEAR(g.cap_colatitude, 9.840312, 1e-6);
  EXPECT_NEAR(g.radius_ratio, 1.00028432, 1e-8);

  const double basis[9][3] = {
      {0, 0, -1.00057},
      {-0.952329, 0, -3.60962},
      {0.756850, -1.71631, -0.448416},
      {-1.62157, -0.801066, 0.960744},
      {-2.32083, 0, -4.75649},
      {1.13969, -3.17029, -1.52034},
      {-2.44182, -1.47970, 3.25737},
      {-0.703618, -0.885371, 0.322694},
      {-0.839746, 0.741847, 0.385125},
  };
  const auto& b = driver::basis_rows();
  for (std::size_t j = 0; j < 9; ++j) {
    SCOPED_TRACE(testing::Message() << "basis function " << j + 1);
    const double computed[3] = {b.north[j], b.east[j], b.down[j]};
    for (int c = 0; c < 3; ++c) {
      if (basis[j][c] == 0) {
        EXPECT_EQ(computed[c], 0.0);
      } else {
        expect_digits(computed[c], basis[j][c], 6);
      }
    }
  }

  const auto& e = epochs[0].field;
  expect_digits(e.Xn, -0.317018, 6);
  expect_digits(e.Yn, 0.144934, 6);
  expect_digits(e.Zn, -0.297953, 6);
  expect_digits(e.Xp, -0.294089, 6);
  expect_digits(e.Yp, -0.187130, 6);
  expect_digits(e.Xg, -0.295075, 6);
  expect_digits(e.Zg, -0.296977, 6);
  expect_digits(e.D, 32.3819, 6);  // a four-quadrant arctangent would give -147.6181
  expect_digits(e.I, 40.3625, 6);
  expect_digits(e.F, 22.9282, 6);
  EXPECT_EQ(e.year, 0.0);

  const auto& s = driver::site_factors();
  expect_digits(s.psi / driver::DEG_TO_RAD, 57.037658, 8);
  expect_digits(s.geodetic_cos, 0.99999451, 8);
  expect_digits(s.geodetic_sin, 0.00331343, 6);
  const auto& err = epochs[0].errors;
  expect_digits(err.eD, 3.44246, 6);
  expect_digits(err.eI, 3.88449, 6);
  expect_digits(err.eF, 1.85823, 6);

  EXPECT_EQ(epochs[380].field.year, 1900.0);
}

TEST(CurveProperties, NegatedCoefficientsNegateOnlyTheInclination) {
  std::vector<Row> rows = demo_rows();
  const auto base = curve_at(48.85, 2.35, rows);
  for (Row& row : rows) {
    for (int p = 1; p <= 9; ++p) row[std::size_t(p)] = -row[std::size_t(p)];
  }
  const auto negated = curve_at(48.85, 2.35, rows);
  for (std::size_t k = 0; k < base.size(); ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(negated[k].field.D, base[k].field.D);
    EXPECT_EQ(negated[k].field.I, -base[k].field.I);
    EXPECT_EQ(negated[k].field.F, base[k].field.F);
    EXPECT_EQ(negated[k].errors.eD, base[k].errors.eD);
    EXPECT_EQ(negated[k].errors.eI, base[k].errors.eI);
    EXPECT_EQ(negated[k].errors.eF, base[k].errors.eF);
  }
}

TEST(CurveProperties, TheScaleEntersOnlyTheIntensity) {
  std::vector<Row> rows = demo_rows();
  const auto base = curve_at(37.98, 23.73, rows);
  for (Row& row : rows) {
    row[0] *= 2.0;
    row[10] *= 3.0;
  }
  const auto changed = curve_at(37.98, 23.73, rows);
  for (std::size_t k = 0; k < base.size(); ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(changed[k].field.D, base[k].field.D);
    EXPECT_EQ(changed[k].field.I, base[k].field.I);
    EXPECT_EQ(changed[k].field.F, 2.0 * base[k].field.F);
    EXPECT_EQ(changed[k].errors.eD, base[k].errors.eD);
    EXPECT_EQ(changed[k].errors.eI, base[k].errors.eI);
  }
}

TEST(CurveProperties, ErrorsFollowTheErrorColumnsWithoutAConfidenceFactor) {
  std::vector<Row> rows = demo_rows();
  const auto base = curve_at(41.9, 12.5, rows);

  std::vector<Row> halved = rows, zero = rows, scale_only = rows, scale_doubled = rows;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    for (std::size_t p = 10; p < 20; ++p) {
      halved[i][p] = rows[i][p] / 2.0;
      zero[i][p] = 0.0;
      scale_only[i][p] = (p == 10) ? rows[i][p] : 0.0;
      scale_doubled[i][p] = (p == 10) ? 2.0 * rows[i][p] : 0.0;
    }
  }
  const auto with_halved = curve_at(41.9, 12.5, halved);
  const auto with_zero = curve_at(41.9, 12.5, zero);
  const auto with_scale_only = curve_at(41.9, 12.5, scale_only);
  const auto with_scale_doubled = curve_at(41.9, 12.5, scale_doubled);
  for (std::size_t k = 0; k < base.size(); ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(with_halved[k].errors.eD, base[k].errors.eD / 2.0);
    EXPECT_EQ(with_halved[k].errors.eI, base[k].errors.eI / 2.0);
    EXPECT_EQ(with_halved[k].errors.eF, base[k].errors.eF / 2.0);
    EXPECT_EQ(with_zero[k].errors.eD, 0.0);
    EXPECT_EQ(with_zero[k].errors.eI, 0.0);
    EXPECT_EQ(with_zero[k].errors.eF, 0.0);
    EXPECT_EQ(with_scale_only[k].errors.eD, 0.0);
    EXPECT_EQ(with_scale_only[k].errors.eI, 0.0);
    EXPECT_GT(with_scale_only[k].errors.eF, 0.0);
    EXPECT_EQ(with_scale_doubled[k].errors.eF, 2.0 * with_scale_only[k].errors.eF);
  }
}

TEST(CurveProperties, ThePurelyVerticalFieldOfTheFirstTermHasFiniteErrors) {
  std::vector<Row> rows = demo_rows();
  Row& row = rows[0];
  row.fill(0.0);
  row[0] = 10.0;  // U, the weakest field a file may hold
  row[1] = 1.0;   // c_1
  row[10] = 0.1;  // sigma_U
  row[11] = 0.01;
  const auto epochs = curve_at(45.0, 9.0, rows);
  const auto& e = epochs[0].field;
  EXPECT_EQ(e.Xn, 0.0);
  EXPECT_EQ(e.Yn, 0.0);
  const double rho = driver::site_geometry().radius_ratio;
  EXPECT_EQ(e.Zn, -rho * rho);
  EXPECT_EQ(e.F, 10.0 * rho * rho);
  EXPECT_NEAR(e.F, 10.011, 1e-3);  // r is about 6367.5 km at 45 N
  EXPECT_GT(e.I, 89.0);
  EXPECT_LT(e.I, 90.0);
  // Only the radial term's variance remains: U sqrt(Zn^2 G_1^2 Z_1^2) / F,
  // with G_1^2 = c_1^2 sigma_U^2 + s_1^2 U^2.
  const double G1 = std::sqrt(0.1 * 0.1 + 0.01 * 0.01 * 10.0 * 10.0);
  EXPECT_DOUBLE_EQ(epochs[0].errors.eF, G1 * rho * rho);
}

TEST(CurveProperties, ASiteOnTheCapPolesMeridianHasFiniteErrors) {
  // Within 1e-6 degrees of 8 E, but not exactly 8: the cosine of the
  // meridian angle rounds past 1 for some of these sites.
  const std::vector<Row> rows = demo_rows();
  for (const double longitude : {8.0000001, 7.9999999, 8.000000001, 8.0 + 1e-12}) {
    for (const double latitude : {35.0, 40.0, 44.9, 45.1, 50.0, 60.0}) {
      SCOPED_TRACE(testing::Message() << latitude << " " << longitude);
      const auto epochs = curve_at(latitude, longitude, rows);
      for (const Epoch& e : epochs) {
        ASSERT_TRUE(std::isfinite(e.errors.eD) && std::isfinite(e.errors.eI));
      }
    }
  }
}

// The cap's pole lies at 45 degrees geocentric latitude, 8 E: geodetic
// 45.19242321692673. The inclination changes there by about 1.4 degrees
// per degree of latitude, so within 1e-3 degrees of the pole the curve may
// change by 2e-3 degrees at most, on the pole itself too (which is
// evaluated 0.001 degrees east of it).
TEST(CurveProperties, SitesAroundTheCapPoleGiveTheFieldOfThePole) {
  const std::vector<Row> rows = demo_rows();
  const double pole_latitude = 45.19242321692673;
  const auto reference = curve_at(pole_latitude, 8.0000001, rows);
  for (const double d : {1e-4, 1e-5, 1e-6, 1e-7, 1e-9, 0.0}) {
    for (const double bearing : {0.0, 90.0, 200.0, 300.0}) {
      const double latitude = pole_latitude + d * std::cos(bearing * driver::DEG_TO_RAD);
      const double longitude = 8.0000001 + d * std::sin(bearing * driver::DEG_TO_RAD);
      SCOPED_TRACE(testing::Message() << latitude << " " << longitude);
      const auto epochs = curve_at(latitude, longitude, rows);
      for (std::size_t k : {0u, 200u, 380u}) {
        EXPECT_NEAR(epochs[k].field.D, reference[k].field.D, 2e-3);
        EXPECT_NEAR(epochs[k].field.I, reference[k].field.I, 2e-3);
        EXPECT_NEAR(epochs[k].field.F, reference[k].field.F, 2e-3);
        EXPECT_NEAR(epochs[k].errors.eD, reference[k].errors.eD, 2e-3);
        EXPECT_NEAR(epochs[k].errors.eI, reference[k].errors.eI, 2e-3);
      }
    }
  }
}

TEST(CurveProperties, TheCapPoleItselfIsEvaluatedJustBesideIt) {
  const auto epochs = curve_at(45.0, 8.0, demo_rows());
  const auto& s = driver::site();
  EXPECT_EQ(s.latitude, 45.001);
  EXPECT_EQ(s.longitude, 8.001);
  EXPECT_GT(driver::site_geometry().cap_colatitude, 0.0);
  for (const Epoch& e : epochs) {
    ASSERT_TRUE(std::isfinite(e.field.D) && std::isfinite(e.field.I) && std::isfinite(e.field.F));
    ASSERT_TRUE(std::isfinite(e.errors.eD) && std::isfinite(e.errors.eI) &&
                std::isfinite(e.errors.eF));
  }
}

}  // namespace
