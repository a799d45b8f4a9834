// Radiocarbon calibration curves: the 14C age and its standard deviation
// against calendar years, read from the .14c text form in which the curves
// are published, and the catalogue of the curves that ship with the
// toolkit.
#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace radiocarbon {

/// A file that is not a calibration curve, or cannot be read: one line
/// naming the file and, where there is one, the line at fault.
class CurveFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// A calibration curve on calendar years. The rows' cal BP become years
/// AD, t = 1950 - cal BP (astronomical numbering, negative before 1 AD).
struct CalibrationCurve {
  std::string name;            // as reports show it ("IntCal20", or the file's name)
  std::string citation;        // empty for a curve given by path
  std::vector<double> years;   // strictly ascending, years AD
  std::vector<double> ages;    // 14C years BP, at each year
  std::vector<double> sigmas;  // 14C years, one standard deviation, positive
};

/// Largest .14c file read, bytes: the published curves are under 250 kB.
inline constexpr std::size_t MAX_CURVE_FILE_BYTES = 16u << 20;

/// Reads a curve from its .14c text: lines beginning with '#' are
/// comments, blank lines are skipped, and every other line is a row of at
/// least three comma-separated numbers, cal BP, 14C age and its sigma
/// (further columns, the curve in Delta 14C, are not used). The rows run
/// in either order of cal BP, strictly monotone; every number is finite
/// and every sigma positive; at least two rows.
///
/// @param[in] text  the whole file; a CR before a line end is ignored
/// @param[in] name  the file's name, for the messages (shown as is)
/// @return the curve, ascending in years AD, its name `name`
/// @throws CurveFileError "NAME, line N: ..." for the first fault
CalibrationCurve read_curve_text(std::string_view text, std::string_view name);

/// Reads a .14c file (see read_curve_text); the curve's name is the
/// file's name.
///
/// @throws CurveFileError when the file cannot be read or is not a curve
CalibrationCurve read_curve_file(const std::filesystem::path& path);

/// A curve that ships with the toolkit.
struct CatalogueEntry {
  std::string key;       // "intcal20"
  std::string file;      // "intcal20.14c", in the bundled folder "radiocarbon"
  std::string name;      // "IntCal20"
  std::string citation;  // the paper that publishes it
};

/// The bundled curves: intcal20 (Northern Hemisphere atmosphere), shcal20
/// (Southern Hemisphere atmosphere), marine20 (the global ocean).
const std::vector<CatalogueEntry>& catalogue();

/// The bundled curve of that name in any case ("IntCal20", "intcal20"),
/// or nothing.
std::optional<CatalogueEntry> catalogue_entry(std::string_view name);

/// A curve by the name of a bundled curve (any case), or else by the path
/// of a .14c file. A bundled curve carries its catalogue name and
/// citation. `extra` names a data folder of the caller's own where bundled
/// curves are looked for too (bundled::data_folders).
///
/// @throws CurveFileError when a bundled curve's file is not found, or
///         the file cannot be read or is not a curve
CalibrationCurve load_curve(std::string_view name_or_path, const std::filesystem::path& extra = {});

}  // namespace radiocarbon
