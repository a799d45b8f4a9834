// A curve of karven (read from its curve file, or computed by the model at
// a site) in the forms that other tools read: .ref files for Bayesian
// chronology tools (one component a file, sigma one standard deviation),
// one CSV table for Python, R and spreadsheets, or the curve file itself;
// and the long table of many sites.
#pragma once

#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "curve/curve_reader.hpp"
#include "curve/reference_curve.hpp"
#include "geomodel/spline_model.hpp"
#include "model/model.hpp"

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

/// Where an exported curve came from, in words.
struct CurveOrigin {
  std::string name;     // how notes name the curve: "runs/paris.dat"
  std::string comment;  // the .ref files' last comment line without "# ":
                        // "From the curve file paris.dat"
};

/// A curve file's curve: notes name the path, the comment line the file's
/// name without its folders, which are the user's own (the files go to
/// other laboratories).
CurveOrigin curve_file_origin(std::string_view curve_path);

/// A curve computed by the model at a site: notes name the coefficient
/// file and the site as the curve shows it ("demo_coeff.inp at 48.85 N,
/// 2.35 E"), the comment line the coefficient file's name without its
/// folders ("From the coefficient file demo_coeff.inp").
CurveOrigin model_origin(std::string_view model_path, const curve::Curve& curve);

/// "PREFIX_d.ref", "PREFIX_i.ref" or "PREFIX_f.ref": the lower-case suffix
/// by which the chronology tools tell the component.
std::string ref_file_name(std::string_view prefix, curve::Component component);

/// The three .ref files of a curve: a block of "#" comment lines (model,
/// site as curve::site_comment writes it, component and unit, that sigma
/// is the 95% error divided by 1.96, where the curve came from), then
/// "year,value,sigma" for each epoch where the component has a value;
/// ASCII, LF line ends, a point as decimal mark. A component with values
/// at fewer than curve::MIN_REF_POINTS epochs gets no file but a line in
/// `failures`.
///
/// @param[in] curve   the curve, as its curve file holds it
/// @param[in] origin  where it came from, for the comments and notes
/// @param[in] prefix  the files' names before "_d.ref"
/// @throws ExportError when a year is not a whole year
Export export_ref(const curve::Curve& curve, const CurveOrigin& origin, std::string_view prefix);

/// The same for a curve read from the curve file at `curve_name`.
Export export_ref(const curve::Curve& curve, std::string_view curve_name, std::string_view prefix);

/// The header of the CSV table.
inline constexpr std::string_view CSV_HEADER =
    "year,declination,inclination,intensity,declination_error_95,inclination_error_95,"
    "intensity_error_95";

/// The name of the CSV table for an --output: the name itself when it
/// already ends in ".csv" (in any case) or is "-" (standard output), else
/// the name with ".csv" added.
std::string csv_file_name(std::string_view output);

/// The CSV table of a curve, the file `file_name`: the header, then a row
/// for each epoch with the values as the curve file holds them; a gap is
/// an empty field.
///
/// @throws ExportError when a year is not a whole year
Export export_csv(const curve::Curve& curve, const CurveOrigin& origin, std::string_view file_name);

/// The same for a curve read from the curve file at `curve_name`.
Export export_csv(const curve::Curve& curve, std::string_view curve_name,
                  std::string_view file_name);

/// The name of the curve file for an --output: the name itself when it
/// already ends in ".dat" (in any case) or is "-" (standard output), else
/// the name with ".dat" added.
std::string dat_file_name(std::string_view output);

/// The curve file that karven writes for a site, byte for byte: the title
/// block, the site block with the site as given, the headings and a line
/// of 72 characters for each epoch, LF line ends.
///
/// @param[in] site_curve  the model's curve at the site (model::Model::curve)
std::string curve_file_text(const model::SiteCurve& site_curve);

/// The header of the long table of many sites: the site's name and its
/// latitude and longitude before the columns of CSV_HEADER.
inline constexpr std::string_view SITES_CSV_HEADER =
    "name,lat,lon,year,declination,inclination,intensity,declination_error_95,"
    "inclination_error_95,intensity_error_95";

/// A text as a field of a CSV table: as it is, or in double quotes (a
/// quote doubled) when it holds a comma, a quote, a line end or blanks at
/// either end, which a reader would otherwise split or drop.
std::string csv_field(std::string_view text);

/// Appends one site's rows to the long table: for each epoch the site's
/// name (as csv_field writes it), its latitude and longitude as the curve's
/// site line gives them, then the row of export_csv; the numbers written
/// by std::to_chars into the text, with no string of their own.
///
/// @param[in,out] text        the table so far
/// @param[in]     name_field  the site's name as csv_field writes it
/// @param[in]     curve       the site's curve, as its curve file holds it
/// @param[in]     origin      where it came from, for the notes
/// @param[in]     table_name  the table's file name, for the notes
/// @return the notes of the components with gaps, one each (usually none)
/// @throws ExportError when a year is not a whole year
std::vector<std::string> append_site_rows(std::string& text, std::string_view name_field,
                                          const curve::Curve& curve, const CurveOrigin& origin,
                                          std::string_view table_name);

/// The comment line that opens a global model's CSV table: the source of
/// the curve (the model and its citation), the site, and what its errors
/// are: "# ARCH10k.1 (Constable, ...) at 31.78 N, 35.22 E; no errors: the
/// model gives none".
///
/// @param[in] source  the model and its citation (FieldModel::source)
/// @param[in] site    the site, when the table is of one
/// @param[in] errors  whether the table has error columns
std::string model_csv_comment(std::string_view source, const std::optional<curve::Site>& site,
                              bool errors);

/// A global model's curve at a site as one CSV table, the file
/// `file_name`: the comment line, the header of curve::curve_table_header
/// and a row a year; a note when the declination is undefined (a
/// geographic pole) and its fields are empty, naming the model by `title`.
Export export_model_csv(const curve::ReferenceCurve& curve, std::string_view title,
                        std::string_view file_name);

/// A global model's curve at a site, with the sigmas the user gave it, as
/// three .ref files (curve::model_ref_text); a component with values at
/// fewer than curve::MIN_REF_POINTS years gets no file but a line in
/// `failures`.
///
/// @param[in] curve   the curve, with sigmas
/// @param[in] title   the model's name, for the first comment line
/// @param[in] prefix  the files' names before "_d.ref"
Export export_model_ref(const curve::ReferenceCurve& curve, std::string_view title,
                        std::string_view prefix);

/// The header of the dipole table.
inline constexpr std::string_view DIPOLE_CSV_HEADER =
    "year,dipole_moment,pole_latitude,pole_longitude";

/// The dipole of a global model over years of its span as a CSV table: a
/// comment line naming the source and the units, DIPOLE_CSV_HEADER, then
/// the year, the moment (10^22 A m^2) and the geomagnetic north pole's
/// latitude and longitude (geocentric degrees, east positive) a row.
///
/// @throws geomodel::YearOutsideSpan for a year outside the span
std::string dipole_table(const geomodel::SplineModel& model, std::span<const double> years,
                         std::string_view source);

}  // namespace curve_export
