// --model FILE --lat LAT --lon LON on a companion's command line: the curve
// of a site computed in the process from the model's coefficient file, in
// place of a curve file that karven wrote for that site.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "companion/model_span.hpp"
#include "curve/curve_reader.hpp"
#include "field_model/field_model.hpp"
#include "model/model.hpp"

namespace companion {

/// The options as given; the coordinates stay text until the run reads
/// them, since a value that is not a number is bad input (exit status 1),
/// not a wrong command line.
struct ModelSiteOptions {
  std::optional<std::string> model;        // the coefficient file, under any name
  std::optional<std::string> latitude;     // geodetic, degrees north
  std::optional<std::string> longitude;    // geodetic, degrees east
  std::optional<std::string> span;         // a global model's years, FROM:TO[:STEP]
  std::optional<std::string> model_sigma;  // a global model's sigma, D,I,F

  bool any() const { return model || latitude || longitude; }
};

/// Adds --model, --lat, --lon, --span and --model-sigma to a companion's
/// command line.
void add_model_site_options(CLI::App& app, ModelSiteOptions& options);

/// Checks that the options go together: --model with both --lat and --lon
/// (or with the option that gives many sites instead), and no curve file
/// beside them.
///
/// @param[in] options           as read
/// @param[in] curve_file_given  whether the command line names a curve file
/// @param[in] sites_option      the option that gives many sites instead of
///                              --lat and --lon (karven-export's "--sites"),
///                              or empty where there is none
/// @param[in] sites_given       whether that option is given
/// @throws UsageError for a curve file with --model, --lat, --lon or the
///         sites without --model, --model without a site, a site both ways,
///         or an empty --model
void check_model_site_options(const ModelSiteOptions& options, bool curve_file_given,
                              std::string_view sites_option = {}, bool sites_given = false);

/// A site's coordinate is not a number; the message names the option.
class SiteValueError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// Reads the value of --lat or --lon: a decimal number of degrees.
///
/// @param[in] option  "--lat" or "--lon", for the message
/// @param[in] text    the value as given
/// @throws SiteValueError "--lat: expected a number of degrees, read \"4x.85\""
///         for text that is not a finite decimal number
double site_coordinate(std::string_view option, std::string_view text);

/// The model's curve at the site of --lat and --lon.
struct ModelSite {
  model::SiteCurve site_curve;  // the model's values
  curve::Curve curve;           // what reading karven's curve file of the site gives
};

/// Loads the model of --model and evaluates it at the site of --lat and
/// --lon (the options checked by check_model_site_options).
///
/// @throws driver::CoefficientFileError when the coefficient file cannot be
///         read or is none, SiteValueError when a coordinate is not a
///         number, model::SiteOutsideRegion when the site lies outside the
///         model's region (the message names the region's bounds)
ModelSite model_site(const ModelSiteOptions& options);

/// A --model argument that names neither a bundled model nor a file; the
/// message lists the bundled models.
class UnknownModel : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// Whether a --model argument names a global model: a bundled model's name,
/// or a file that begins as a global model's does.
bool is_global_model(std::string_view argument);

/// Checks a --model argument that is no file, has no folder and does not
/// end in ".inp" (the regional model's coefficient files): it is taken as
/// a model's name, and one that is not bundled is refused.
///
/// @throws UnknownModel "--model: \"ARCH10k\" is neither a bundled model nor
///         a file; the bundled models are ARCH10k.1, CALS10k.2, ..."
void check_model_name(std::string_view argument);

/// Opens the model of --model (field_model::FieldModel::open), its name
/// checked first by check_model_name. An argument
/// taken as a model's name and not bundled is refused.
///
/// @throws UnknownModel, and as field_model::FieldModel::open
field_model::FieldModel open_model(std::string_view argument);

/// Checks that --span and --model-sigma, which only a global model takes,
/// are not given with the regional model.
///
/// @throws UsageError naming the option, and that the regional model's
///         curve comes at its own epochs with its own errors
void check_regional_options(const ModelSiteOptions& options);

/// The years and the sigma of a global model's curve as --span and
/// --model-sigma ask for them.
struct CurveYears {
  std::vector<double> years;
  std::optional<field_model::ModelSigma> sigma;
};

/// Reads --span (default: the model's whole span) and --model-sigma of a
/// global model.
///
/// @param[in] options       as read
/// @param[in] model         a global model
/// @param[in] default_step  the step of the span when --span gives none
/// @throws OptionValueError for a value that cannot be taken, or a span
///         outside the model's
CurveYears curve_years(const ModelSiteOptions& options, const field_model::FieldModel& model,
                       int default_step);

/// The line that says a global model's file had numbers after its
/// coefficients, left unread: "arhimag1k: 14760 numbers after the
/// coefficients are left unread and not used"; empty when it had none.
std::string unread_numbers_note(const field_model::FieldModel& model);

/// How outputs that leave the machine (files, figures) name a model: its
/// source (FieldModel::source), a global model's file by its name without
/// its folders, which are the user's own: "the global model in gufm1".
std::string shared_source(const field_model::FieldModel& model);

/// The site of --lat and --lon, read as numbers (any value: the model
/// checks its range).
///
/// @throws SiteValueError when a coordinate is not a number
curve::Site site_of(const ModelSiteOptions& options);

}  // namespace companion
