// A global model's curve (values at whole years, with sigmas only where
// the user gave the model some) as the exports write it: the rows of a CSV
// table and the text of a .ref file. The regional model's curve keeps the
// tables of its curve file.
#pragma once

#include <string>
#include <string_view>

#include "curve/reference_curve.hpp"

namespace curve {

/// Whether every component of the curve has its sigmas.
bool has_sigmas(const ReferenceCurve& curve);

/// Decimals of a global model's values in its tables: a millionth of a
/// degree or of a microtesla, far below what any model resolves, and few
/// enough that two evaluations whose mathematical libraries round sines
/// differently in the last bit (the browser's and the system's) write the
/// same digits.
inline constexpr int MODEL_DECIMALS = 6;

/// A value as a global model's tables write it: MODEL_DECIMALS decimals,
/// without trailing zeros ("62.277744", "2", "-0.5"; never "-0").
void append_model_value(std::string& text, double value);

/// The CSV columns of a curve: year, declination, inclination, intensity,
/// and their 95% errors (1.96 sigma) when the curve has sigmas.
std::string curve_table_header(bool errors);

/// Appends a row for each year of the curve, each starting with
/// `row_start`: the year, the three values and, when the curve has sigmas,
/// the three 95% errors; a value that is NaN (the declination at a
/// geographic pole) is an empty field.
///
/// @param[in,out] text       the table so far
/// @param[in]     row_start  the fields before the year, with their comma
/// @param[in]     curve      components of the same years, whole years
void append_curve_table_rows(std::string& text, std::string_view row_start,
                             const ReferenceCurve& curve);

/// The .ref file of one component of a curve with sigmas: the comment
/// lines ("# TITLE palaeosecular variation curve: declination", the site as
/// site_comment writes it, component and unit, columns, what sigma is, the
/// source), then "year,value,sigma" for each year where the component has
/// a value.
///
/// @param[in]  curve      a curve with a site and sigmas
/// @param[in]  component  the component of the file
/// @param[in]  title      the model's name for the first line
/// @param[out] lines      the number of data lines written
std::string model_ref_text(const ReferenceCurve& curve, Component component, std::string_view title,
                           std::size_t& lines);

}  // namespace curve
