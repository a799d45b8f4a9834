// Accuracy of XDLEGF against the stored high-precision references: for each
// function kind the number of values, the largest and the median relative
// error, and the same in units of the value's condition with respect to the
// routine's inputs, kappa = 1 + kappa_theta + kappa_nu, one unit being
// kappa * 2^-53; then the worst errors by region of angle and degree, and
// where the worst of each kind occurs.
//
//   legendre_accuracy [--list UNITS] [reference file...]
//
// Without files it reads the two of the source tree it was built from: the
// grid to degree 1000 and the wide set to degree 10^4. --list also prints
// every value whose error exceeds UNITS condition units.
#include <algorithm>
#include <array>
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
// Values whose condition is at most this are counted in the table of plain
// relative errors: far from any zero of the value.
constexpr double MODERATE_CONDITION = 100.0;

// Regions of the angle and of the entry's degree.
constexpr int REGIONS = 6;
constexpr std::array<const char*, REGIONS> REGION_NAMES = {"theta >= 0.3",
                                                           "0.01 <= theta < 0.3",
                                                           "theta < 0.01, nu < 20",
                                                           "theta < 0.01, nu 20-300",
                                                           "theta < 0.01, nu 300-3000",
                                                           "theta < 0.01, nu 3000-10^4"};

int region(double THETA, double degree) {
  if (THETA >= 0.3) return 0;
  if (THETA >= 0.01) return 1;
  if (degree < 20.0) return 2;
  if (degree < 300.0) return 3;
  if (degree < 3000.0) return 4;
  return 5;
}

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
  std::vector<double> errors;                    // relative errors of the non-zero references
  std::vector<double> units;                     // the same in condition units
  int zeros = 0;                                 // exact zeros expected
  int wrong_zeros = 0;                           // ... and not delivered
  int aborted = 0;                               // calls that ended with a fatal report
  Place largest;                                 // largest relative error
  Place largest_units;                           // largest error in condition units
  std::array<double, REGIONS> worst_moderate{};  // largest relative error, condition <= 100
  std::array<double, REGIONS> worst_units{};     // largest error in condition units
  std::array<int, REGIONS> count{};
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
  std::printf("      kappa_theta %.3g, kappa_nu %.3g (kappa_x %.3g)\n", e.kappa_theta, e.kappa_nu,
              e.kappa_x);
}

void print_region_table(const char* title, const KindSummary* summaries,
                        std::array<double, REGIONS> KindSummary::*column) {
  std::printf("\n%s\n", title);
  std::printf("%-28s %10s %10s %10s %10s\n", "region", "P^-mu", "Q^mu", "P^mu", "normalised");
  for (int r = 0; r < REGIONS; ++r) {
    std::printf("%-28s", REGION_NAMES[std::size_t(r)]);
    for (int ID = 1; ID <= 4; ++ID) {
      const KindSummary& s = summaries[ID];
      if (s.count[std::size_t(r)] == 0) {
        std::printf(" %10s", "-");
      } else {
        std::printf(" %10.2g", (s.*column)[std::size_t(r)]);
      }
    }
    std::printf("\n");
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> paths;
  double list_above = -1.0;  // no list
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--list" && i + 1 < argc) {
      list_above = std::strtod(argv[++i], nullptr);
    } else {
      paths.push_back(argument);
    }
  }
  if (paths.empty()) paths = {KARVEN_XDLEGF_REFERENCE, KARVEN_XDLEGF_WIDE_REFERENCE};
  std::vector<std::vector<ReferenceCase>> files;
  try {
    for (const std::string& path : paths) {
      files.push_back(legendre::reference::read_reference_cases(path));
    }
  } catch (const std::exception& e) {
    (void)std::fprintf(stderr, "legendre_accuracy: %s\n", e.what());
    return 1;
  }

  KindSummary summaries[5];
  for (const auto& cases : files) {
    for (const ReferenceCase& c : cases) {
      if (c.ID < 1 || c.ID > 4) continue;
      KindSummary& s = summaries[c.ID];
      const auto count = static_cast<std::size_t>(c.count());
      std::vector<double> values(count);
      std::vector<std::int32_t> indices(count);
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
        const double units = error / (UNIT_ROUNDOFF * e.condition());
        s.errors.push_back(error);
        s.units.push_back(units);
        const auto r = static_cast<std::size_t>(region(c.THETA, c.degree(e.entry)));
        ++s.count[r];
        s.worst_units[r] = std::max(s.worst_units[r], units);
        if (e.condition() <= MODERATE_CONDITION) {
          s.worst_moderate[r] = std::max(s.worst_moderate[r], error);
        }
        if (error > s.largest.error) s.largest = {&c, &e, error, mantissa, index};
        if (units > s.largest_units.error) s.largest_units = {&c, &e, units, mantissa, index};
        if (list_above >= 0.0 && units > list_above) {
          print_place("error (condition units)", {&c, &e, units, mantissa, index}, units);
        }
      }
    }
  }

  std::printf("Accuracy of XDLEGF against");
  for (const std::string& path : paths) std::printf(" %s", path.c_str());
  std::printf("\nrelative error |got - ref| / |ref|; units: the error in units of\n");
  std::printf("kappa * 2^-53, kappa = 1 + kappa_theta + kappa_nu, the value's condition\n");
  std::printf("with respect to the degree and the angle\n\n");
  std::printf("ID  kind            values  zeros   largest    median     units: largest  median\n");
  for (int ID = 1; ID <= 4; ++ID) {
    const KindSummary& s = summaries[ID];
    std::printf("%-3d %-14s %7zu %6d   %.2e   %.2e   %14.3g  %6.2f\n", ID,
                legendre::reference::kind_name(ID), s.errors.size(), s.zeros,
                std::max(s.largest.error, 0.0), median(s.errors),
                std::max(s.largest_units.error, 0.0), median(s.units));
  }
  print_region_table("Largest relative error where kappa <= 100:", summaries,
                     &KindSummary::worst_moderate);
  print_region_table("Largest error in condition units:", summaries, &KindSummary::worst_units);
  for (int ID = 1; ID <= 4; ++ID) {
    const KindSummary& s = summaries[ID];
    std::printf("\nID %d (%s):\n", ID, legendre::reference::kind_name(ID));
    print_place("largest error", s.largest, s.largest.error);
    print_place("largest error in condition units", s.largest_units, s.largest_units.error);
    const auto above = [&s](double units) {
      return std::count_if(s.units.begin(), s.units.end(), [units](double u) { return u > units; });
    };
    std::printf("    errors above 10 condition units: %td, above 100: %td, above 500: %td\n",
                above(10.0), above(100.0), above(500.0));
    if (s.aborted > 0) std::printf("    calls ended by a fatal report %d\n", s.aborted);
    if (s.zeros > 0) {
      std::printf("    exact zeros expected %d, delivered wrongly %d\n", s.zeros, s.wrong_zeros);
    }
  }
  return 0;
}
