// A global field model of the spline family: Gauss coefficients of the
// internal field (Schmidt semi-normalised, nT, reference radius 6371.2 km)
// that run in time on B-splines, read from its coefficient file. Pure
// computation and file reading: nothing reaches the console.
//
// The file gives, as whitespace-separated numbers in this order:
//   line 1   the span of years the model holds for, then the splines' order
//            (absent in some files: order 4 then) and fit parameters, unread;
//   then     the degree, a zero, the number of splines;
//            the knots (splines + order of them, never decreasing);
//            the coefficients, spline after spline, each spline's block in
//            the order g(1,0), g(1,1), h(1,1), g(2,0), ... to the degree.
// Line breaks after line 1 carry no meaning. Numbers after the coefficients
// (a trailer) are counted and never read as coefficients.
#pragma once

#include <cstddef>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace geomodel {

/// The splines' order that every model of the family has: cubic.
inline constexpr int SPLINE_ORDER = 4;

/// The highest degree read: far above any model of the family (14).
inline constexpr int MAX_DEGREE = 30;

/// A file that is not a model of the family, or one whose numbers would
/// make a wrong field; the message is one line naming the file and what
/// was found where.
class ModelFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// The number of Gauss coefficients up to a degree: degree (degree + 2).
constexpr int coefficient_count(int degree) { return degree * (degree + 2); }

/// A model as read from its file.
struct SplineModel {
  std::string name;         // as messages name it: a bundled name or a path
  double first_year = 0.0;  // the span the model holds for, years AD
  double last_year = 0.0;   // (negative before 1 AD), first < last
  int degree = 0;           // highest degree of the Gauss coefficients
  int order = SPLINE_ORDER;
  std::vector<double> knots;         // spline_count() + order, never decreasing
  std::vector<double> coefficients;  // spline_count() blocks of coefficient_count(degree)
  std::size_t unread_numbers = 0;    // numbers of a trailer, left unread

  int spline_count() const { return static_cast<int>(knots.size()) - order; }
  /// Where the splines sum to one: knots[order - 1] to knots[spline_count()].
  double basis_start() const { return knots[static_cast<std::size_t>(order - 1)]; }
  double basis_end() const { return knots[static_cast<std::size_t>(spline_count())]; }
};

/// Reads a model from the text of its file.
///
/// @param[in] text  the file's contents
/// @param[in] name  how messages name the file ("ARCH10k.1", a path)
/// @throws ModelFileError when the text is not a model of the family: too
///         few numbers for its counts, a count that is no count, knots that
///         decrease, a number that is not finite, a span outside the
///         splines' basis ("the model file NAME: line 2: ...")
SplineModel parse_spline_model(std::string_view text, std::string_view name);

/// Reads a model from its file; messages name the path as given.
///
/// @throws ModelFileError also when the file cannot be read
SplineModel read_spline_model(const std::filesystem::path& path);

/// Whether a text begins as a model of the family does (a span on line 1,
/// then the degree, a zero and a count of splines): a cheap test that tells
/// a model file from the regional coefficient file or a curve file. A text
/// that passes may still be refused by parse_spline_model.
bool looks_like_spline_model(std::string_view text);

/// The same test on the first few kilobytes of a file; false when it
/// cannot be read.
bool file_looks_like_spline_model(const std::filesystem::path& path);

}  // namespace geomodel
