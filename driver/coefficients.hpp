// The coefficient file KARVEN_coeff.inp: for each of the 381 epochs (the
// years 0, 5, ..., 1900 AD, one row each, in that order) the intensity
// scale, the nine relative coefficients, and their errors at 95%
// confidence.
#pragma once

#include <array>
#include <cstddef>
#include <filesystem>

#include "console/records.hpp"
#include "driver/constants.hpp"

namespace driver {

inline constexpr const char* COEFFICIENT_FILE_NAME = "KARVEN_coeff.inp";
inline constexpr int COEFFICIENT_COLUMNS = 20;
inline constexpr int COEFFICIENT_COUNT = N_EPOCHS * COEFFICIENT_COLUMNS;  // 7620

/// Bounds of a row's structure. The intensity scale is the strength of the
/// field in microtesla: the Earth's field at its surface lies between about
/// 22 and 67 today and has not left 10 to 300 (a few times either bound)
/// in the archaeological past. The relative coefficients are fractions of
/// the scale (c_1 about 1): an error of half the scale or more in one of
/// them would make a curve errors of tens of degrees.
inline constexpr double MIN_SCALE = 10.0;
inline constexpr double MAX_SCALE = 300.0;
inline constexpr double MAX_COEFFICIENT_ERROR = 0.5;

/// The coefficient file cannot be opened or read, ends early, or holds
/// something that is not a number.
class CoefficientFileError : public console::RunFailure {
 public:
  using console::RunFailure::RunFailure;
};

/// The 7620 numbers of the file, row after row; columns of a row:
/// 1 scale U (microtesla), 2-10 relative coefficients c_1..c_9,
/// 11 error of U (microtesla), 12-20 errors of c_1..c_9.
struct CoefficientTable {
  std::array<double, COEFFICIENT_COUNT> values{};
  // Numbers after the 7620th, which the model's file may carry in a
  // trailer: not read as coefficients, only counted.
  std::size_t ignored_numbers = 0;
};

/// Reads the first 7620 numbers of a coefficient file in one pass, counts
/// the numbers that follow them, and closes the file. Numbers are ordinary
/// decimal numbers (optional sign, decimal point and exponent letter E or D
/// in either case), separated by blanks, tabs, commas or line breaks (LF or
/// CR LF), spread over lines in any way; a byte order mark at the start is
/// skipped. Whatever follows the 7620th number is never an error.
///
/// Each row must keep the model's structure: its intensity scale (column
/// 1) from MIN_SCALE to MAX_SCALE, the scale's error (column 11) from 0 to
/// the scale, the errors of the relative coefficients (columns 12 to 20)
/// from 0 to MAX_COEFFICIENT_ERROR. A row that breaks it is what a missing
/// or extra number, a year column or decimal commas make of a file, all of
/// which shift the numbers into other columns: a number missing in a row
/// moves the next row's scale into its last column, whatever follows. The
/// report names the first such row's epoch, the column and the value, and
/// the shift that would explain it where one does.
///
/// @param[in] path  the file; messages name it as given, escaped as
///                  console::shown_text shows a name
/// @return the table, and the count of the numbers after the 7620th
/// @throws CoefficientFileError naming the file and what is wrong; also
///         for a file that is not a regular file (a pipe, a device or a
///         directory), which is not read
CoefficientTable read_coefficient_file(const std::filesystem::path& path);

/// Reads KARVEN_coeff.inp in the current directory into the run's table.
///
/// @throws CoefficientFileError naming the file and what is wrong
void load_coefficients();

const CoefficientTable& coefficient_table();

/// Makes a table read earlier the run's table, for evaluating a model
/// loaded once at site after site.
void set_coefficient_table(const CoefficientTable& table);

/// Readers of row i (1 to 381) and basis function j (1 to 9).
double scale(int i);
double coef(int i, int j);
double scale_error(int i);
double coef_error(int i, int j);

/// For tests: an empty table.
void reset_coefficient_table();

}  // namespace driver
