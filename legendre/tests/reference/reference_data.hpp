// The stored high-precision references of XDLEGF, and the relative error of
// one result pair against them. Shared by the reference test and the
// accuracy report; the file format is described in its own header lines.
#pragma once

#include <charconv>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace legendre::reference {

/// One expected result entry: |value| = mantissa * 2^exponent, or zero.
struct ReferenceEntry {
  int entry = 0;          // from 1, as in the file
  int sign = 0;           // -1, +1, or 0 for an exact zero
  double mantissa = 0.0;  // 0.5 <= mantissa < 1 for a non-zero value
  std::int64_t exponent = 0;
  double log10_magnitude = 0.0;  // -inf for zero
  double kappa_theta = 0.0;      // |theta f_theta / f|
  double kappa_nu = 0.0;         // |max(1, |nu|) f_nu / f|
  double kappa_x = 0.0;          // |x h_x / h|, h = f without its power of sin(theta)

  /// The condition of the value with respect to the routine's own inputs,
  /// 1 + kappa_theta + kappa_nu: how many units of a relative rounding of
  /// the degree and the angle its relative error may reach. kappa_x, the
  /// condition in cos(theta), is no part of it: the routine is given
  /// theta, not its cosine.
  double condition() const { return 1.0 + kappa_theta + kappa_nu; }
};

/// One XDLEGF call and the entries it must deliver.
struct ReferenceCase {
  int number = 0;
  std::int32_t ID = 0;
  double DNU1 = 0.0;
  std::int32_t NUDIFF = 0, MU1 = 0, MU2 = 0;
  double THETA = 0.0;
  std::vector<ReferenceEntry> entries;

  /// How many entries the call delivers; long runs store only some.
  int count() const { return NUDIFF + MU2 - MU1 + 1; }

  /// Degree and order of entry i (from 1).
  double degree(int i) const { return NUDIFF > 0 ? DNU1 + (i - 1) : DNU1; }
  std::int32_t order(int i) const { return NUDIFF > 0 ? MU1 : MU1 + i - 1; }
};

namespace detail {

inline double parse_double(const std::string& field) {
  double value = 0.0;
  const char* first = field.data();
  if (!field.empty() && field[0] == '+') ++first;
  const auto [end, error] = std::from_chars(first, field.data() + field.size(), value);
  if (error != std::errc() || end != field.data() + field.size()) {
    throw std::runtime_error("not a number: " + field);
  }
  return value;
}

inline std::int64_t parse_integer(const std::string& field) {
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
  if (error != std::errc() || end != field.data() + field.size()) {
    throw std::runtime_error("not an integer: " + field);
  }
  return value;
}

}  // namespace detail

/// Reads the reference file: '#' lines are comments, every other line is
/// one entry; consecutive lines with the same case number form one call,
/// their entry numbers rising within the call's count (a long run may
/// skip entries).
/// Throws std::runtime_error when the file is missing or malformed.
inline std::vector<ReferenceCase> read_reference_cases(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot open " + path);
  std::vector<ReferenceCase> cases;
  std::string line;
  int line_number = 0;
  while (std::getline(in, line)) {
    ++line_number;
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::vector<std::string> f;
    for (std::string field; fields >> field;) f.push_back(field);
    if (f.size() != 15) {
      throw std::runtime_error(path + ":" + std::to_string(line_number) + ": 15 fields expected");
    }
    using detail::parse_double, detail::parse_integer;
    const int number = static_cast<int>(parse_integer(f[0]));
    if (cases.empty() || cases.back().number != number) {
      ReferenceCase c;
      c.number = number;
      c.ID = static_cast<std::int32_t>(parse_integer(f[1]));
      c.DNU1 = parse_double(f[2]);
      c.NUDIFF = static_cast<std::int32_t>(parse_integer(f[3]));
      c.MU1 = static_cast<std::int32_t>(parse_integer(f[4]));
      c.MU2 = static_cast<std::int32_t>(parse_integer(f[5]));
      c.THETA = parse_double(f[6]);
      cases.push_back(c);
    }
    ReferenceEntry e;
    e.entry = static_cast<int>(parse_integer(f[7]));
    e.sign = f[8] == "+" ? 1 : f[8] == "-" ? -1 : 0;
    e.mantissa = parse_double(f[9]);
    e.exponent = parse_integer(f[10]);
    e.log10_magnitude = parse_double(f[11]);
    e.kappa_theta = parse_double(f[12]);
    e.kappa_nu = parse_double(f[13]);
    e.kappa_x = parse_double(f[14]);
    ReferenceCase& c = cases.back();
    const int last = c.entries.empty() ? 0 : c.entries.back().entry;
    if (e.entry <= last || e.entry > c.count()) {
      throw std::runtime_error(path + ":" + std::to_string(line_number) + ": entry out of order");
    }
    c.entries.push_back(e);
  }
  return cases;
}

/// Whether the reference lies where the routine must deliver a plain double
/// (index 0): magnitudes from 2^-1022 up to 2^1022.
inline bool in_plain_range(const ReferenceEntry& e) {
  return e.sign != 0 && e.exponent >= -1021 && e.exponent <= 1022;
}

/// The value as a double, for references in the plain range.
inline double plain_value(const ReferenceEntry& e) {
  return e.sign * std::ldexp(e.mantissa, static_cast<int>(e.exponent));
}

/// log10 |mantissa * 2^index| of a result pair; -inf for a zero mantissa.
inline double log10_magnitude(double mantissa, std::int32_t index) {
  return std::log10(std::fabs(mantissa)) + index * std::log10(2.0);
}

/// Relative error |got - ref| / |ref| of the result pair (mantissa, index)
/// against a non-zero reference. A plain result (index 0) is compared as a
/// double; an extended pair through its sign and the difference of the
/// logarithms, taken from the mantissas and the difference of the binary
/// exponents so that no precision is lost however large the exponents. A
/// result of the wrong sign has an error of at least 1, a zero result 1.
inline double relative_error(const ReferenceEntry& ref, double mantissa, std::int32_t index) {
  if (mantissa == 0.0) return 1.0;
  if (index == 0 && in_plain_range(ref)) {
    const double expected = plain_value(ref);
    return std::fabs(mantissa - expected) / std::fabs(expected);
  }
  const int sign = mantissa > 0 ? 1 : -1;
  const std::int64_t binary_shift = static_cast<std::int64_t>(index) - ref.exponent;
  const double log10_ratio = std::log10(std::fabs(mantissa) / ref.mantissa) +
                             static_cast<double>(binary_shift) * std::log10(2.0);
  const double magnitude_error = std::fabs(std::expm1(log10_ratio * std::log(10.0)));
  return sign == ref.sign ? magnitude_error : 1.0 + std::fabs(std::pow(10.0, log10_ratio));
}

/// The name of a function kind, for messages and reports.
inline const char* kind_name(std::int32_t ID) {
  switch (ID) {
    case 1:
      return "P^(-mu)_nu";
    case 2:
      return "Q^(mu)_nu";
    case 3:
      return "P^(mu)_nu";
    case 4:
      return "normalised P";
    default:
      return "unknown kind";
  }
}

}  // namespace legendre::reference
