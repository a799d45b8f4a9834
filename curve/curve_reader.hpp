// Reading a palaeosecular variation curve file, as karven writes it, for
// drawing: the model's name, the site and the curve lines.
#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace curve {

/// Lines before the first curve line: title block, site block, headings.
inline constexpr int CURVE_HEADER_LINES = 17;

/// Widths of the seven fixed fields of a curve line: year, D, I, F, and the
/// errors of D, I and F; 72 characters in all.
inline constexpr std::array<int, 7> CURVE_FIELD_WIDTHS = {7, 10, 10, 10, 13, 11, 11};
inline constexpr int CURVE_LINE_WIDTH = 72;

/// Fewest curve lines that make a figure: a curve cut short by a failed
/// run is still worth a look, a single epoch is not a curve.
inline constexpr std::size_t MIN_CURVE_LINES = 2;

/// A complete curve file holds this many epochs, 0, 5, ..., 1900 AD: one
/// for each row of the coefficient file.
inline constexpr std::size_t CURVE_EPOCHS = 381;
inline constexpr double CURVE_LAST_YEAR = 1900.0;

/// Longest file taken for a curve file: a complete one holds about 29 kB.
/// A longer one is not a curve file, and reading stops there.
inline constexpr std::size_t MAX_CURVE_FILE_BYTES = std::size_t{1} << 20;

/// The quantities of a curve line after the year, in the order of its
/// fields.
enum Quantity : std::size_t {
  DECLINATION,
  INCLINATION,
  INTENSITY,
  DECLINATION_ERROR,
  INCLINATION_ERROR,
  INTENSITY_ERROR,
};

/// One curve line: the epoch and six values. A value that the file shows
/// as NaN, an infinity or asterisks is a gap, held as a quiet NaN.
struct CurvePoint {
  double year = 0.0;               // years AD
  std::array<double, 6> values{};  // by Quantity: degrees, degrees, microtesla
};

/// What a figure needs from a curve file.
struct Curve {
  std::string model;               // the model's name, from the title line
  double latitude = 0.0;           // the site line's geodetic latitude (degrees, north positive)
  double longitude = 0.0;          // and longitude (degrees, east positive)
  std::vector<CurvePoint> points;  // years strictly increasing
};

/// The text is not a curve file, or the file cannot be read. The message
/// names the file and, where there is one, the line.
class CurveFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// Reads a curve file from its text.
///
/// The header is recognised by its structure: line 1 is the title, the
/// model's name followed by "Regional Archaeomagnetic Model"; lines 11, 14
/// and 16 are blank; line 12 is the site heading, line 13 holds the site's
/// latitude and longitude, line 15 the heading of the errors and line 17
/// the column heading. Lines 2 to 10 (subtitle and citation) are free.
/// Every later line is a curve line of seven fields, right-justified in
/// their widths; blank lines at the very end are ignored, and so is a
/// carriage return before a line end.
///
/// @param[in] text  the whole file
/// @param[in] name  the file's name, for the messages
/// @return the curve, with at least MIN_CURVE_LINES points
/// @throws CurveFileError when the text is not a curve file
Curve read_curve_text(std::string_view text, std::string_view name);

/// What the companions say of a curve that ends before CURVE_LAST_YEAR,
/// as a run that did not finish or a file cut short in transfer leaves it
/// (cut at a line end, it is still a curve file): "NAME: the curve ends
/// early, at the year 1495, not 1900 (300 of 381 epochs): ...". Empty for
/// a curve that runs to its end.
std::string early_end_note(const Curve& curve, std::string_view name);

/// Reads a curve file from disk (see read_curve_text).
///
/// @throws CurveFileError when the file cannot be read or is not a curve
///         file
Curve read_curve_file(const std::filesystem::path& path);

}  // namespace curve
