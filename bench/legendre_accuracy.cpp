// Accuracy of XDLEGF against the stored high-precision references: for each
// function kind the number of values, the largest and the median relative
// error, and where the largest occurs; also the error measured against the
// conditioning of each value, the quantity the reference test bounds.
//
//   legendre_accuracy [--list UNITS] [reference file]
//
// Without a file it reads the one of the source tree it was built from.
// --list also prints every value whose scaled error exceeds UNITS.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "errors/xerror.hpp"
#include "legendre/tests/reference/reference_data.hpp"
#include "legendre/xdlegf.hpp"

namespace {

using legendre::reference::ReferenceCase;
using legendre::reference::ReferenceEntry;

constexpr double UNIT_ROUNDOFF = 0x1p-53;
// The reference test's bound, in units of UNIT_ROUNDOFF * (1 + condition).
constexpr double ALLOWED_UNITS = 200.0;
// Values whose condition numbers add up to at most this are far from any
// zero and not at a small angle: their error is the routine's own.
constexpr double WELL_CONDITIONED = 10.0;

/// Where an error was measured.
struct Place {
  const ReferenceCase* call = nullptr;
  const ReferenceEntry* entry = nullptr;
  double error = -1.0;
  double mantissa = 0.0;
  std::int32_t index = 0;
};

/// Errors of one function kind.
struct KindSummary {
  std::vector<double> errors;   // relative errors of the non-zero references
  std::vector<double> scaled;   // the same in units of the conditioned rounding
  int zeros = 0;                // exact zeros expected
  int wrong_zeros = 0;          // ... and not delivered
  int beyond_range = 0;         // references outside the plain double range
  int aborted = 0;              // calls that ended with a fatal report
  double largest_beyond = 0.0;  // largest error among those
  Place largest;                // largest relative error
  Place largest_well;           // ... among well-conditioned values (condition <= 10)
  Place largest_scaled;         // largest error in units of the conditioned rounding
};

double median(std::vector<double> values) {
  if (values.empty()) return 0.0;
  const std::size_t middle = values.size() / 2;
  std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle),
                   values.end());
  const double upper = values[middle];
  if (values.size() % 2 == 1) return upper;
  return 0.5 * (upper + *std::max_element(values.begin(),
                                          values.begin() + static_cast<std::ptrdiff_t>(middle)));
}

void print_place(const char* label, const Place& p, double value) {
  if (p.call == nullptr) return;
  const ReferenceCase& c = *p.call;
  const ReferenceEntry& e = *p.entry;
  std::printf(
      "    %s %.3g: DNU1 %.17g NUDIFF %d MU1 %d MU2 %d THETA %.17g, entry %d (degree %.17g, "
      "order %d)\n",
      label, value, c.DNU1, c.NUDIFF, c.MU1, c.MU2, c.THETA, e.entry, c.degree(e.entry),
      c.order(e.entry));
  std::printf("      expected %c10^%.15g, got %.17g * 2^%d\n", e.sign > 0 ? '+' : '-',
              e.log10_magnitude, p.mantissa, p.index);
  std::printf("      kappa_theta %.3g, kappa_nu %.3g, kappa_x %.3g\n", e.kappa_theta, e.kappa_nu,
              e.kappa_x);
}

}  // namespace

int main(int argc, char** argv) {
  std::string path = KARVEN_XDLEGF_REFERENCE;
  double list_above = -1.0;  // no list
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--list" && i + 1 < argc) {
      list_above = std::strtod(argv[++i], nullptr);
    } else {
      path = argument;
    }
  }
  std::vector<ReferenceCase> cases;
  try {
    cases = legendre::reference::read_reference_cases(path);
  } catch (const std::exception& e) {
    (void)std::fprintf(stderr, "legendre_accuracy: %s\n", e.what());
    return 1;
  }

  KindSummary summaries[5];
  for (const ReferenceCase& c : cases) {
    if (c.ID < 1 || c.ID > 4) continue;
    KindSummary& s = summaries[c.ID];
    std::vector<double> values(c.entries.size());
    std::vector<std::int32_t> indices(c.entries.size());
    try {
      legendre::XDLEGF(c.DNU1, c.NUDIFF, c.MU1, c.MU2, c.THETA, c.ID, values, indices);
    } catch (const errors::RunAborted&) {
      ++s.aborted;
      std::printf("XDLEGF ended the run: ID %d DNU1 %.17g NUDIFF %d MU1 %d MU2 %d THETA %.17g\n",
                  c.ID, c.DNU1, c.NUDIFF, c.MU1, c.MU2, c.THETA);
      continue;
    }
    for (const ReferenceEntry& e : c.entries) {
      const double mantissa = values[static_cast<std::size_t>(e.entry - 1)];
      const std::int32_t index = indices[static_cast<std::size_t>(e.entry - 1)];
      if (e.sign == 0) {
        ++s.zeros;
        s.wrong_zeros += !(mantissa == 0.0 && index == 0);
        continue;
      }
      const double error = legendre::reference::relative_error(e, mantissa, index);
      s.errors.push_back(error);
      if (!legendre::reference::in_plain_range(e)) {
        ++s.beyond_range;
        s.largest_beyond = std::max(s.largest_beyond, error);
      }
      if (error > s.largest.error) s.largest = {&c, &e, error, mantissa, index};
      if (e.condition() <= WELL_CONDITIONED && error > s.largest_well.error) {
        s.largest_well = {&c, &e, error, mantissa, index};
      }
      const double scaled = error / (UNIT_ROUNDOFF * (1.0 + e.condition()));
      s.scaled.push_back(scaled);
      if (list_above >= 0.0 && scaled > list_above) {
        print_place("scaled error (units)", {&c, &e, scaled, mantissa, index}, scaled);
      }
      if (scaled > s.largest_scaled.error) s.largest_scaled = {&c, &e, scaled, mantissa, index};
    }
  }

  std::printf("Accuracy of XDLEGF against %s\n", path.c_str());
  std::printf("relative error |got - ref| / |ref|; scaled: the error in units of\n");
  std::printf(
      "2^-53 * (1 + kappa_theta + kappa_nu + kappa_x), the bound the reference test puts\n");
  std::printf("on it (it allows %g such units)\n\n", ALLOWED_UNITS);
  std::printf(
      "ID  kind            values  zeros  beyond range  largest    median     scaled (units)\n");
  for (int ID = 1; ID <= 4; ++ID) {
    const KindSummary& s = summaries[ID];
    std::printf("%-3d %-14s %7zu %6d %13d  %.2e   %.2e   %.3g\n", ID,
                legendre::reference::kind_name(ID), s.errors.size(), s.zeros, s.beyond_range,
                std::max(s.largest.error, 0.0), median(s.errors),
                std::max(s.largest_scaled.error, 0.0));
  }
  for (int ID = 1; ID <= 4; ++ID) {
    const KindSummary& s = summaries[ID];
    std::printf("\nID %d (%s):\n", ID, legendre::reference::kind_name(ID));
    print_place("largest error", s.largest, s.largest.error);
    print_place("largest error where the condition is at most 10", s.largest_well,
                s.largest_well.error);
    print_place("largest scaled error (units)", s.largest_scaled, s.largest_scaled.error);
    const auto above = [&s](double units) {
      return std::count_if(s.scaled.begin(), s.scaled.end(),
                           [units](double u) { return u > units; });
    };
    std::printf("    scaled errors above 10 units: %td, above 100: %td, above %g (failing): %td\n",
                above(10.0), above(100.0), ALLOWED_UNITS, above(ALLOWED_UNITS));
    std::printf("    largest error beyond the double range %.2e (%d values)\n", s.largest_beyond,
                s.beyond_range);
    if (s.aborted > 0) std::printf("    calls ended by a fatal report %d\n", s.aborted);
    if (s.zeros > 0) {
      std::printf("    exact zeros expected %d, delivered wrongly %d\n", s.zeros, s.wrong_zeros);
    }
  }
  return 0;
}
