// Doubles to text and back, by std::to_chars and std::from_chars where the
// C++ library has them for floating point, and by a fallback of our own
// where it has not (libc++ before version 14, as WebAssembly builds have).
// Every place that turns a double into text, or text into a double,
// without a format string goes through here.
#pragma once

#include <charconv>

namespace console {

/// The fallback, compiled wherever the header-only fast_float parser is
/// found (so that the host's tests compare it with the C++ library).
/// Output and results are those of the standard functions: the shortest
/// text that reads back to the same double, choosing fixed or scientific
/// notation as they choose; with a precision, the text printf writes for
/// %.Nf, %.Ne or %.Ng; errc::value_too_large when the text does not fit.
/// Reading takes what std::from_chars takes (no leading '+'), and a
/// magnitude beyond the double range, or a nonzero one below its least
/// subnormal, is errc::result_out_of_range with the value left as it was.
namespace fallback {
std::to_chars_result to_chars(char* first, char* last, double value);
std::to_chars_result to_chars(char* first, char* last, double value, std::chars_format format);
std::to_chars_result to_chars(char* first, char* last, double value, std::chars_format format,
                              int precision);
std::from_chars_result from_chars(const char* first, const char* last, double& value);
}  // namespace fallback

#if defined(_LIBCPP_VERSION) && _LIBCPP_VERSION < 14000
// libc++ 13 declares the floating-point overloads of to_chars but has no
// definitions for them, and has no floating-point from_chars at all.
using fallback::from_chars;
using fallback::to_chars;
#else
inline std::to_chars_result to_chars(char* first, char* last, double value) {
  return std::to_chars(first, last, value);
}
inline std::to_chars_result to_chars(char* first, char* last, double value,
                                     std::chars_format format) {
  return std::to_chars(first, last, value, format);
}
inline std::to_chars_result to_chars(char* first, char* last, double value,
                                     std::chars_format format, int precision) {
  return std::to_chars(first, last, value, format, precision);
}
inline std::from_chars_result from_chars(const char* first, const char* last, double& value) {
  return std::from_chars(first, last, value);
}
#endif

}  // namespace console
