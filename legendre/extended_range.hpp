// Extended-range arithmetic: a number is a double mantissa x and an integer
// auxiliary index ix, standing for x * R^ix with the radix R (2 by
// default). Series and recurrences that pass far beyond the range of a
// double keep their values in this form and turn them back into plain
// doubles at the end.
#pragma once

#include <cstdint>

namespace legendre {

/// x * R^ix. Producers keep the two halves side by side (the Legendre
/// routines in parallel arrays); the operations take them as a mantissa
/// argument and an index argument.
///
/// A pair is adjusted when x = 0 and ix = 0, or R^-L <= |x| < R^L; and
/// |ix| <= KMAX in both cases.
struct ExtendedReal {
  double x = 0.0;
  std::int32_t ix = 0;
};

/// The constants of the arithmetic, filled by the first call of XDSET and
/// only read afterwards. Until then the window holds the values of the
/// default set-up, so that an operation called before XDSET cannot divide
/// by a zero window width.
struct ExtendedRangeParameters {
  bool initialised = false;
  int IRAD = 0;                   // the radix, one of 2, 4, 8, 16
  int NRADPL = 0;                 // radix places carried by a mantissa
  double DZERO = 0.0;             // a caller's bound for the window, 0 for the default
  int NBITS = 0;                  // bits of an index, sign excluded
  int mantissa_bits = 53;         // NRADPL * log2(IRAD)
  double radix = 2.0;             // R = IRAD
  int L = 511;                    // half-width of the window in powers of R
  int two_l = 1022;               // 2L
  double radix_to_l = 0x1p511;    // R^L
  double radix_to_2l = 0x1p1022;  // R^(2L)
  int KMAX = 1073740802;          // largest admissible magnitude of an index: 2^30 - 2L
};

/// The parameter record of the run.
const ExtendedRangeParameters& extended_range_parameters();

/// For tests: a run sets the parameters once and never resets them.
void reset_extended_range_parameters();

/// Sets up the arithmetic. Only the first call of a run does anything;
/// later calls return at once whatever their arguments. A zero argument
/// asks for the default: radix 2, 53 radix places, the window of a double,
/// 31-bit indices. Invalid values are reported through XERROR (level 1,
/// which ends the run); the record then stays partly filled.
///
/// @param[in] IRAD    radix: 2, 4, 8 or 16
/// @param[in] NRADPL  radix places of a mantissa; 1 to 120 bits in all,
///                    fewer places than L
/// @param[in] DZERO   when positive, the window is about sqrt(DZERO) wide;
///                    must not be negative
/// @param[in] NBITS   bits of an index, sign excluded: 15 to 31
void XDSET(int IRAD, int NRADPL, double DZERO, int NBITS);

/// Makes (x, ix) adjusted: scales the mantissa by one factor R^(2L) into
/// the window when it lies outside, moving the index to match. Reports
/// "ERR IN XDADJ...OVERFLOW IN AUXILIARY INDEX" when the index would pass
/// KMAX.
///
/// @param[in,out] x   mantissa
/// @param[in,out] ix  auxiliary index
void XDADJ(double& x, std::int32_t& ix);

/// (z, iz) = (x, ix) + (y, iy), adjusted. The operands are adjusted pairs
/// and come by value, so the sum may be stored into either operand's
/// variables. An operand more than about 2L places of R below the other is
/// negligible and leaves the other unchanged.
void extended_add(double x, std::int32_t ix, double y, std::int32_t iy, double& z,
                  std::int32_t& iz);

/// Turns (x, ix) into the plain double (x * R^ix, 0) when its magnitude
/// lies between R^-(2L) and R^(2L) (2^-1022 and 2^1022 by default), zero
/// included; leaves the pair exactly as it was otherwise.
///
/// @param[in,out] x   mantissa
/// @param[in,out] ix  auxiliary index
void extended_reduce(double& x, std::int32_t& ix);

namespace detail {

/// The last two checks of XDSET, in this order: fewer radix places than L,
/// and six half-widths of the window within KMAX; reports the first that
/// fails. With indices of at most 31 bits and a window of at most 511
/// binary places the second cannot fail from XDSET's own arguments; it
/// stays as a guard, and this entry lets tests reach it.
void check_window(int NRADPL, int L, std::int64_t KMAX);

}  // namespace detail

}  // namespace legendre
