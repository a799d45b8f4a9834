// A curve file of karven in the forms that other tools read: .ref files
// for Bayesian chronology tools (one component a file, sigma one standard
// deviation) and one CSV table for Python, R and spreadsheets.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "curve/curve_reader.hpp"
#include "curve/reference_curve.hpp"

namespace curve_export {

/// A file to write: its name and its whole text.
struct ExportFile {
  std::string name;
  std::string text;
};

/// The files of an export, and one line for each component that has gaps,
/// naming its years: the user must know what the export leaves out. A
/// component without the values a reference curve needs is not exported:
/// one line for it in `failures`, and the export fails.
struct Export {
  std::vector<ExportFile> files;
  std::vector<std::string> notes;
  std::vector<std::string> failures;
};

/// The curve cannot be exported: a year that is not a whole year.
class ExportError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// "PREFIX_d.ref", "PREFIX_i.ref" or "PREFIX_f.ref": the lower-case suffix
/// by which the chronology tools tell the component.
std::string ref_file_name(std::string_view prefix, curve::Component component);

/// The three .ref files of a curve: a block of "#" comment lines (model,
/// site, component and unit, that sigma is the 95% error divided by 1.96,
/// the curve file's name without its folders, which are the user's own),
/// then "year,value,sigma" for each epoch where the component has a value;
/// ASCII, LF line ends, a point as decimal mark. A component with values
/// at fewer than curve::MIN_REF_POINTS epochs gets no file but a line in
/// `failures`.
///
/// @param[in] curve       the curve file's content
/// @param[in] curve_name  the curve file's path, for the comments and notes
/// @param[in] prefix      the files' names before "_d.ref"
/// @throws ExportError when a year is not a whole year
Export export_ref(const curve::Curve& curve, std::string_view curve_name, std::string_view prefix);

/// The header of the CSV table.
inline constexpr std::string_view CSV_HEADER =
    "year,declination,inclination,intensity,declination_error_95,inclination_error_95,"
    "intensity_error_95";

/// The name of the CSV table for an --output: the name itself when it
/// already ends in ".csv" (in any case), else the name with ".csv" added.
std::string csv_file_name(std::string_view output);

/// The CSV table of a curve, the file `file_name`: the header, then a row
/// for each epoch with the values as the curve file holds them; a gap is
/// an empty field.
///
/// @throws ExportError when a year is not a whole year
Export export_csv(const curve::Curve& curve, std::string_view curve_name,
                  std::string_view file_name);

}  // namespace curve_export
