// karven-date: dates burnt structures against the palaeosecular variation
// curve of their site.
#pragma once

#include <span>
#include <string_view>

#include "curve/reference_curve.hpp"
#include "date/options.hpp"

namespace date {

/// The reference curve that the options name: a curve file written by
/// karven, its source the model and the site; or the .ref files given, its
/// source their names, with what their reading noted said on standard error.
///
/// @throws curve::CurveFileError  when the file cannot be read or is not a
///                                curve file
/// @throws curve::RefFileError    when a .ref file cannot be read or is not
///                                a reference curve
curve::ReferenceCurve load_reference(const DateOptions& options);

/// Runs the command on the arguments after the program's name: the report
/// or the JSON on standard output, messages on standard error. Whether
/// standard output took what was written is the caller's to check
/// (companion::finish_output).
///
/// @return 0 when every sample was dated, 1 when an input was bad or a
///         sample could not be dated, 2 for a wrong command line
int run_date_command(std::span<const std::string_view> arguments);

}  // namespace date
