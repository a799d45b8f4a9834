#include "cap/cap_basis.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "cap/tests/reference_types.hpp"
#include "console/records.hpp"
#include "legendre/xdlegf.hpp"
#include "testsupport/testsupport.hpp"

namespace {

using testsupport::CoutCapture;

struct Basis {
  double P = 0.0;
  double dP_dtheta = 0.0;
  double m_P_over_sin = 0.0;
};

Basis basis(std::int32_t m, double n, double theta) {
  Basis b;
  cap::cap_basis_function(m, n, theta, b.P, b.dP_dtheta, b.m_P_over_sin);
  return b;
}

// One unit in the last of `digits` significant digits of a quoted value.
double last_digit(double quoted, int digits) {
  return std::pow(10.0, std::floor(std::log10(std::abs(quoted))) - (digits - 1));
}

std::array<double, cap::CAP_DEGREE_COUNT> degree_table() {
  std::array<double, cap::CAP_DEGREE_COUNT> degrees;
  degrees.fill(-1.0);
  cap::load_cap_degrees(degrees);
  return degrees;
}

class CapBasisFunction : public testing::Test {
 protected:
  void SetUp() override { console::reset_console_cursor(); }
  // Every test here also checks that no warning reached the console.
  CoutCapture out;
};

TEST(LoadCapDegrees, HoldsTheStoredRootsAtKPlusThreeM) {
  const auto degrees = degree_table();
  EXPECT_EQ(degrees[1 + 3 * 1], 2.2753965854644775);
  EXPECT_EQ(degrees[2 + 3 * 2], 4.090468883514404);
  EXPECT_EQ(degrees[1 + 3 * 0], 2.9322760105133057);
  EXPECT_EQ(degrees[2 + 3 * 0], 5.012004852294922);
  EXPECT_EQ(degrees[2 + 3 * 1], degrees[2 + 3 * 0]);  // dP^0/dtheta and P^1 vanish together
  EXPECT_EQ(degrees[0], 0.0);
  for (const int unused : {3, 6, 7}) EXPECT_EQ(degrees[unused], 0.0) << unused;
}

// Each stored degree is a single-precision number, the one nearest to the
// root as quoted: within half a single-precision unit of it.
TEST(LoadCapDegrees, EachDegreeIsTheSinglePrecisionRoot) {
  const auto degrees = degree_table();
  const struct {
    int position;
    double root;
  } rows[] = {{1, 2.932276}, {2, 5.012005}, {4, 2.2753966}, {5, 5.012005}, {8, 4.090469}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.position);
    const double stored = degrees[row.position];
    EXPECT_EQ(double(float(stored)), stored);
    const double half_unit = std::ldexp(1.0, std::ilogb(stored) - 24);
    EXPECT_LE(std::abs(stored - row.root), half_unit);
  }
}

// The five functions the site set-up uses, by cap index k and order m.
struct KM {
  int k;
  std::int32_t m;
};
constexpr KM BASIS_PAIRS[] = {{1, 0}, {2, 0}, {1, 1}, {2, 1}, {2, 2}};

// The degrees are the roots rounded to single precision, within half a
// unit (1.2e-7 below 4, 2.4e-7 above), so the function or its derivative
// at the edge is of that size, not zero.
TEST_F(CapBasisFunction, MeetsTheBoundaryConditionsAtTheCapEdge) {
  const auto degrees = degree_table();
  for (const KM& km : BASIS_PAIRS) {
    SCOPED_TRACE(testing::Message() << "k = " << km.k << ", m = " << km.m);
    const Basis b = basis(km.m, degrees[km.k + 3 * km.m], 40.0);
    if ((km.k - km.m) % 2 == 1) {
      EXPECT_NEAR(b.P, 0.0, 3e-7);
      EXPECT_GT(std::abs(b.dP_dtheta), 0.5);
    } else {
      EXPECT_NEAR(b.dP_dtheta, 0.0, 3e-7);
      EXPECT_GT(std::abs(b.P), 0.1);
    }
  }
  EXPECT_EQ(out.text(), "");
}

// The quoted values have 6 significant digits: one unit in the last.
TEST_F(CapBasisFunction, MatchesTheQuotedValuesAt20And5Degrees) {
  const struct {
    std::int32_t m;
    double n, theta, P, dP_dtheta, m_P_over_sin;
  } rows[] = {
      {0, 2.932276, 20.0, 0.676829, -1.69639, 0.0},
      {0, 5.012005, 20.0, 0.269038, -3.22050, 0.0},
      {1, 2.2753966, 20.0, 0.606355, 1.36269, 1.77286},
      {1, 5.012005, 20.0, 0.829704, -0.191048, 2.42589},
      {2, 4.090469, 20.0, 0.350418, 1.60258, 2.04911},
      {0, 2.932276, 5.0, 0.978161, -0.497928, 0.0},
      {1, 2.2753966, 5.0, 0.167372, 1.89310, 1.92038},
      {2, 4.090469, 5.0, 0.0263346, 0.596312, 0.604311},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message()
                 << "m = " << row.m << ", n = " << row.n << ", theta = " << row.theta);
    // The degrees as the table stores them.
    const Basis b = basis(row.m, double(float(row.n)), row.theta);
    EXPECT_NEAR(b.P, row.P, last_digit(row.P, 6));
    EXPECT_NEAR(b.dP_dtheta, row.dP_dtheta, last_digit(row.dP_dtheta, 6));
    if (row.m == 0) {
      EXPECT_EQ(b.m_P_over_sin, 0.0);
    } else {
      EXPECT_NEAR(b.m_P_over_sin, row.m_P_over_sin, last_digit(row.m_P_over_sin, 6));
    }
  }
  EXPECT_EQ(out.text(), "");
}

// mpmath's Ferrers functions at 50 digits, the derivative by numerical
// differentiation in mpmath. The Schmidt factor comes through a gamma
// approximation that is within 3e-14 for the arguments of these degrees
// (below 8), so P and m P / sin(theta) are good to about 1e-14 relative
// (tolerance 1e-12; absolute near the roots at the edge); the derivative
// divides a difference of two such values by sin(theta), which near the
// pole multiplies their error.
TEST_F(CapBasisFunction, MatchesTheHighPrecisionReference) {
  const double pi = std::acos(-1.0);
  for (const auto& row : cap_test::BASIS_REFERENCE) {
    SCOPED_TRACE(testing::Message()
                 << "k = " << row.k << ", m = " << row.m << ", theta = " << row.theta);
    const Basis b = basis(row.m, row.n, row.theta);
    const double scale = 1e-12 / std::sin(pi * row.theta / 180.0);
    EXPECT_NEAR(b.P, row.P, 1e-12 * std::max(std::abs(row.P), 1e-3));
    EXPECT_NEAR(b.dP_dtheta, row.dP_dtheta, scale * std::max(std::abs(row.dP_dtheta), 1.0));
    if (row.m == 0) {
      EXPECT_EQ(b.m_P_over_sin, 0.0);
    } else {
      EXPECT_NEAR(b.m_P_over_sin, row.m_P_over_sin,
                  1e-12 * std::max(std::abs(row.m_P_over_sin), 1e-3));
    }
  }
  EXPECT_EQ(out.text(), "");
}

TEST(CapLegendre, MatchesTheQuotedValueOfPositiveOrder) {
  console::reset_console_cursor();
  CoutCapture out;
  double value = 0.0;
  cap::cap_legendre(2.5, 1, 0.5, value);
  EXPECT_NEAR(value, -1.676553618, 1e-9);  // 10 significant digits
  EXPECT_EQ(out.text(), "");
}

// Values beyond the double range come back as a mantissa and a power of 2;
// cap_legendre warns once per such value and goes on with the mantissa.
TEST(CapLegendre, WarnsWhenTheValueLeavesTheDoubleRange) {
  for (const auto& row : cap_test::OUT_OF_RANGE_REFERENCE) {
    SCOPED_TRACE(testing::Message() << "degree " << row.degree << ", order " << row.order
                                    << ", colatitude " << row.colatitude);
    console::reset_console_cursor();
    CoutCapture out;
    double value = 0.0;
    cap::cap_legendre(row.degree, row.order, row.colatitude, value);
    EXPECT_EQ(out.text(), "WARNING:TROUBLES IN COMPUTATION!");

    std::array<double, 1> mantissa{};
    std::array<std::int32_t, 1> index{};
    legendre::XDLEGF(row.degree, 0, row.order, row.order, row.colatitude, 3, mantissa, index);
    EXPECT_EQ(value, mantissa[0]);
    EXPECT_NE(index[0], 0);
    // The extended value itself is the function: sign and binary magnitude.
    EXPECT_EQ(value > 0.0 ? 1 : -1, row.sign);
    EXPECT_NEAR(std::log2(std::abs(value)) + index[0], row.log2_magnitude, 1e-8);
  }
}

TEST(CapLegendre, WarnsOncePerAffectedValue) {
  console::reset_console_cursor();
  CoutCapture out;
  double value = 0.0;
  cap::cap_legendre(0.5, 200, 1e-4, value);
  cap::cap_legendre(2.5, 1, 0.5, value);
  cap::cap_legendre(300.5, 250, 1.5, value);
  EXPECT_EQ(out.text(), "WARNING:TROUBLES IN COMPUTATION!\nWARNING:TROUBLES IN COMPUTATION!");
}

// Schmidt's factor sqrt(2 Gamma(n-m+1)/Gamma(n+m+1)) from mpmath's gamma;
// for these degrees the approximation of ln Gamma is within 3e-14.
TEST(SchmidtFactor, MatchesTheGammaFunction) {
  double log_factor = 0.0, factor = 0.0;
  cap::schmidt_factor(2.2753965854644775, 1, log_factor, factor);
  EXPECT_NEAR(factor, 0.518030, 1e-6);  // quoted to 6 decimals
  for (const auto& row : cap_test::SCHMIDT_REFERENCE) {
    SCOPED_TRACE(testing::Message() << "n = " << row.n << ", m = " << row.m);
    cap::schmidt_factor(row.n, row.m, log_factor, factor);
    EXPECT_NEAR(factor, row.factor, 1e-13 * row.factor);
    EXPECT_NEAR(log_factor, std::log(row.factor), 1e-13);
    EXPECT_EQ(factor, std::exp(log_factor));
  }
}

TEST(LogGamma, VanishesAtOneAndTwo) {
  EXPECT_NEAR(cap::log_gamma(1.0), 0.0, 1e-10);
  EXPECT_NEAR(cap::log_gamma(2.0), 0.0, 1e-10);
}

// mpmath's loggamma. The six-term Lanczos series is published as good to
// 2e-10 in the logarithm; it comes to that only for arguments near 100 and
// is within 1e-13 below 8, where the basis functions use it.
TEST(LogGamma, MatchesTheHighPrecisionReference) {
  for (const auto& row : cap_test::LOG_GAMMA_REFERENCE) {
    SCOPED_TRACE(row.x);
    EXPECT_NEAR(cap::log_gamma(row.x), row.log_gamma, row.x < 8.0 ? 1e-13 : 2e-10);
  }
}

}  // namespace
