// Fuzz target: whatever arguments XDLEGF is given, it either reports
// through the error handler (which ends the run by throwing RunAborted) or
// returns finite results in admissible extended-range form; it never
// writes outside the run it was asked for.
//
// Input layout, 35 bytes (a shorter input is padded with zeros, a longer
// one cut):
//   0  DNU1    kind byte, 8 payload bytes
//   9  NUDIFF  kind byte, 4 payload bytes
//  14  MU1     kind byte, 4 payload bytes
//  19  MU2     kind byte, 4 payload bytes
//  24  THETA   kind byte, 8 payload bytes
//  33  ID      one byte
//  34  arrays  one byte: their length against the run length
// The kind bytes choose between the raw bits of the payload and values
// near the ones that matter (whole and half degrees, -1, pi/2, 0), so that
// the fuzzer reaches the computing paths as often as the rejections.
//
// Bounds on the work of one call: a call that passes the argument checks
// runs only when the top degree DNU1 + NUDIFF and the highest order MU2
// are at most 2000 and the run at most 2048 entries. The recurrences step
// through every degree from -1 to the top degree and every order up to
// MU2 (twice MU2 factors for the gamma ratios), so the slowest calls
// (2000 orders at a degree near 2000) take about 5 ms under the sanitizers
// and a typical one well under 1 ms; a degree of 10^9 is a valid argument,
// but takes minutes. A top degree of 2^52 or more is rejected.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <limits>
#include <span>
#include <string>
#include <vector>

#include "console/records.hpp"
#include "errors/message_table.hpp"
#include "errors/xerror.hpp"
#include "fuzz/fuzz_support.hpp"
#include "legendre/extended_range.hpp"
#include "legendre/xdlegf.hpp"

namespace {

constexpr std::size_t INPUT_SIZE = 35;
constexpr double MAX_DEGREE = 2000.0;
constexpr std::int32_t MAX_ORDER = 2000;
constexpr std::int64_t MAX_RUN = 2048;

// Marks the array entries that XDLEGF must leave alone.
constexpr double UNTOUCHED_VALUE = 12345.5;
constexpr std::int32_t UNTOUCHED_INDEX = 987654;

class Bytes {
 public:
  explicit Bytes(const std::uint8_t* data) : data_(data) {}
  std::uint8_t byte() { return data_[at_++]; }
  std::int32_t int32() {
    std::int32_t v = 0;
    std::memcpy(&v, data_ + at_, sizeof v);
    at_ += sizeof v;
    return v;
  }
  double real() {
    double v = 0.0;
    std::memcpy(&v, data_ + at_, sizeof v);
    at_ += sizeof v;
    return v;
  }

 private:
  const std::uint8_t* data_;
  std::size_t at_ = 0;
};

double step_ulps(double v, int steps) {
  const double toward = steps < 0 ? -std::numeric_limits<double>::infinity()
                                  : std::numeric_limits<double>::infinity();
  for (int i = 0; i < std::abs(steps); ++i) v = std::nextafter(v, toward);
  return v;
}

// A kind byte and eight payload bytes, read as whatever the kind needs.
struct RealField {
  std::uint8_t kind = 0;
  std::uint8_t payload[8] = {};
  template <class T>
  T as() const {
    T v{};
    std::memcpy(&v, payload, sizeof v);
    return v;
  }
};

RealField read_real_field(Bytes& in) {
  RealField f;
  f.kind = in.byte();
  for (auto& b : f.payload) b = in.byte();
  return f;
}

double decode_degree(Bytes& in) {
  const RealField f = read_real_field(in);
  const double whole = f.as<std::int16_t>();
  switch (f.kind % 4) {
    case 0:
      return f.as<double>();
    case 1:  // whole degrees, -1 among them
      return whole;
    case 2:  // 16 binary places: half degrees and finer
      return f.as<std::int32_t>() / 65536.0;
    default:  // a few units in the last place beside a whole degree
      return step_ulps(whole, static_cast<std::int8_t>(f.payload[2]));
  }
}

double decode_angle(Bytes& in, double pi2) {
  const RealField f = read_real_field(in);
  const std::uint32_t fraction = f.as<std::uint32_t>();
  switch (f.kind % 4) {
    case 0:
      return f.as<double>();
    case 1:  // within [0, pi/2)
      return pi2 * (fraction / 4294967296.0);
    case 2:  // a few units in the last place beside pi/2 or 0
      return step_ulps(f.payload[4] % 2 == 0 ? pi2 : 0.0, static_cast<std::int8_t>(f.payload[5]));
    default:  // within [0, 2)
      return fraction / 2147483648.0;
  }
}

std::int32_t decode_integer(Bytes& in) {
  const std::uint8_t kind = in.byte();
  const std::int32_t raw = in.int32();
  switch (kind % 4) {
    case 0:
      return raw;
    case 1:
      return raw % 8;
    case 2:
      return raw % 512;
    default:
      return raw % 4096;
  }
}

struct Arguments {
  double DNU1 = 0.0;
  std::int32_t NUDIFF = 0, MU1 = 0, MU2 = 0;
  double THETA = 0.0;
  std::int32_t ID = 0;
  std::size_t capacity = 0;  // entries of VALUES and INDICES
};

enum class Outcome {
  argument_error,  // "XDLEGF: DNU1,NUDIFF,MU1,MU2, OR ID NOT VALID", number 1
  angle_error,     // "XDLEGF: THETA OUT OF RANGE", number 2
  either,          // a report or results: the degree -1 of Q, a pole
  computed,        // results, or a report from deeper down
};

// The argument checks of XDLEGF, in their order.
Outcome expected_outcome(const Arguments& a, double pi2) {
  const std::int64_t run = std::int64_t{a.MU2} - a.MU1 + a.NUDIFF + 1;
  if (a.NUDIFF < 0) return Outcome::argument_error;
  if (!(a.DNU1 >= -1.0) || !std::isfinite(a.DNU1) || a.DNU1 + a.NUDIFF >= 0x1p52) {
    return Outcome::argument_error;
  }
  if (a.MU2 < a.MU1) return Outcome::argument_error;
  if (a.MU1 < 0) return Outcome::argument_error;
  if (!(a.THETA > 0.0 && a.THETA <= pi2)) return Outcome::angle_error;
  if (a.ID < 1 || a.ID > 4) return Outcome::argument_error;
  if (a.MU2 != a.MU1 && a.NUDIFF > 0) return Outcome::argument_error;
  if (static_cast<std::int64_t>(a.capacity) < run) return Outcome::argument_error;
  if (a.ID == 4 && std::fmod(a.DNU1, 1.0) != 0.0) return Outcome::argument_error;
  if (a.ID == 2 && a.DNU1 == -1.0) return Outcome::either;
  return Outcome::computed;
}

// Whether extended_reduce would have turned the pair into a plain double:
// a magnitude from 2^-1022 to 2^1022 with the default arithmetic.
bool within_plain_range(double x, std::int32_t ix) {
  int e = 0;
  const double m = std::frexp(std::fabs(x), &e);  // |x| = m 2^e, 0.5 <= m < 1
  const std::int64_t top = std::int64_t{e} + ix;  // value < 2^top, >= 2^(top - 1)
  return top >= -1021 && (top <= 1022 || (top == 1023 && m == 0.5));
}

// A check of entry i (from 0); a finding shows the entry.
void check_entry(bool holds, const char* what, std::size_t i, double x, std::int32_t ix) {
  if (!holds) {
    char entry[96];
    std::snprintf(entry, sizeof entry, "; entry %zu: mantissa %.17g, index %d", i, x, ix);
    fuzz::input_description() += entry;
  }
  fuzz::check(holds, what);
}

void check_results(const std::vector<double>& values, const std::vector<std::int32_t>& indices,
                   std::int64_t run) {
  const auto& p = legendre::extended_range_parameters();
  const double low = std::ldexp(1.0, -p.L);
  const double high = std::ldexp(1.0, p.L);
  for (std::size_t i = 0; i < values.size(); ++i) {
    const double x = values[i];
    const std::int32_t ix = indices[i];
    if (static_cast<std::int64_t>(i) >= run) {
      check_entry(x == UNTOUCHED_VALUE && ix == UNTOUCHED_INDEX,
                  "entries beyond the run are left alone", i, x, ix);
      continue;
    }
    check_entry(std::isfinite(x), "a result's mantissa is finite", i, x, ix);
    check_entry(std::abs(std::int64_t{ix}) <= p.KMAX, "a result's index lies within KMAX", i, x,
                ix);
    if (x == 0.0) {
      check_entry(ix == 0, "a zero result has index 0", i, x, ix);
    } else if (ix != 0) {
      check_entry(std::fabs(x) >= low && std::fabs(x) < high,
                  "a result in extended form has an adjusted mantissa", i, x, ix);
      check_entry(!within_plain_range(x, ix),
                  "a result within the double range comes back as a plain double", i, x, ix);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::uint8_t padded[INPUT_SIZE] = {};
  std::memcpy(padded, data, std::min(size, INPUT_SIZE));
  Bytes in(padded);
  const double pi2 = 2.0 * std::atan(1.0);

  Arguments a;
  a.DNU1 = decode_degree(in);
  a.NUDIFF = decode_integer(in);
  a.MU1 = decode_integer(in);
  a.MU2 = decode_integer(in);
  a.THETA = decode_angle(in, pi2);
  const std::uint8_t id = in.byte();
  a.ID = id < 240 ? 1 + id % 4 : id - 245;
  const std::uint8_t length = in.byte();
  char description[160];
  std::snprintf(description, sizeof description,
                "DNU1 %.17g, NUDIFF %d, MU1 %d, MU2 %d, THETA %.17g, ID %d", a.DNU1, a.NUDIFF,
                a.MU1, a.MU2, a.THETA, a.ID);
  fuzz::input_description() = description;

  // The arrays hold the run, a few entries fewer, or a few more; never
  // more than the bound of the run and a few.
  const std::int64_t run = std::int64_t{a.MU2} - a.MU1 + a.NUDIFF + 1;
  std::int64_t capacity = std::min(std::max<std::int64_t>(run, 0), MAX_RUN);
  if (length >= 240) {
    capacity += 1 + length % 4;
  } else if (length >= 224) {
    capacity -= 1 + length % 4;
  }
  a.capacity = static_cast<std::size_t>(std::max<std::int64_t>(capacity, 0));
  fuzz::input_description() += ", arrays of " + std::to_string(a.capacity);

  const Outcome expected = expected_outcome(a, pi2);
  if (expected == Outcome::computed || expected == Outcome::either) {
    if (a.DNU1 + a.NUDIFF > MAX_DEGREE || a.MU2 > MAX_ORDER || run > MAX_RUN) return 0;
  }

  std::vector<double> values(a.capacity, UNTOUCHED_VALUE);
  std::vector<std::int32_t> indices(a.capacity, UNTOUCHED_INDEX);

  errors::reset_message_table();
  legendre::reset_extended_range_parameters();
  console::reset_console_cursor();
  fuzz::StreamCapture output(std::cout);
  bool reported = false;
  try {
    legendre::XDLEGF(a.DNU1, a.NUDIFF, a.MU1, a.MU2, a.THETA, a.ID, values, indices);
  } catch (const errors::RunAborted&) {
    reported = true;
  }

  const auto& first = errors::message_table().entries[0];
  switch (expected) {
    case Outcome::argument_error:
    case Outcome::angle_error: {
      const bool angle = expected == Outcome::angle_error;
      fuzz::check(reported, "invalid arguments are reported");
      fuzz::check(first.key == (angle ? "XDLEGF: THETA OUT OF" : "XDLEGF: DNU1,NUDIFF,") &&
                      first.NERR == (angle ? 2 : 1) && first.LEVEL == 1,
                  "the report names the argument error");
      fuzz::check(!angle || output.text().find("THETA: ") != std::string::npos,
                  "an angle error shows the angle");
      // The run's entries were cleared before the checks, and no more.
      for (std::size_t i = 0; i < a.capacity; ++i) {
        if (static_cast<std::int64_t>(i) < run) {
          fuzz::check(values[i] == 0.0 && indices[i] == 0, "a rejected run is cleared");
        } else {
          fuzz::check(values[i] == UNTOUCHED_VALUE && indices[i] == UNTOUCHED_INDEX,
                      "entries beyond the run are left alone");
        }
      }
      break;
    }
    case Outcome::either:
    case Outcome::computed:
      if (reported) {
        // Only the arithmetic may stop a valid call: an index overflow.
        fuzz::check(expected == Outcome::either || first.key == "ERR IN XDADJ...OVERF",
                    "a valid call is reported only for an index overflow");
      } else {
        check_results(values, indices, run);
      }
      break;
  }
  return 0;
}
