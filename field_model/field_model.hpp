// One interface over both families of field models for the companions:
// the regional model (a coefficient file, its curve with errors at its 381
// epochs) and the global spline models (bundled by name or a file, values
// at any year of their span, without errors). A `--model` argument is
// opened here: a bundled model's name in any case, else a path whose
// family is told by its content.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "curve/reference_curve.hpp"
#include "geomodel/spline_model.hpp"
#include "model/model.hpp"

namespace field_model {

enum class Family { regional, global };

/// The standard deviation (one sigma) a caller gives a global model's curve,
/// since the model gives none: degrees, degrees and microtesla, each >= 0.
struct ModelSigma {
  double declination = 0.0;
  double inclination = 0.0;
  double intensity = 0.0;
};

/// A field model, opened once; copies share it.
class FieldModel {
 public:
  /// Opens a --model argument: a bundled global model by its name, whatever
  /// its case ("ARCH10k.1", "arch10k.1"); any other argument is a path,
  /// read as a global model when its text begins as one, else as the
  /// regional model's coefficient file.
  /// `extra` names a data folder of the caller's own where bundled models
  /// are looked for too (bundled::data_folders).
  ///
  /// @throws geomodel::ModelFileError for a bundled model whose file is
  ///         missing, or a global model's file that is refused
  /// @throws driver::CoefficientFileError for any other file that is not a
  ///         regional coefficient file (or cannot be read)
  static FieldModel open(std::string_view argument, const std::filesystem::path& extra = {});

  /// A global model already read; `citation` may be empty.
  FieldModel(geomodel::SplineModel model, std::string citation);

  /// The regional model already loaded; `file` names its coefficient file.
  FieldModel(model::Model model, std::string file);

  Family family() const { return family_; }

  /// The model's name: a bundled model's name, the regional model's name,
  /// or the path of a global model's file.
  const std::string& name() const { return name_; }

  /// The model's publication for a bundled global model, else empty.
  const std::string& citation() const { return citation_; }

  /// Words that name the model where a report, figure or file names its
  /// source: "ARCH10k.1 (Constable, C., ... 78-86)", "the global model in
  /// PATH", "KARVEN.EU.26 (coefficient file PATH)".
  const std::string& source() const { return source_; }

  /// The years the model can be asked for, years AD (negative BC): a
  /// global model's span; the regional model's first and last epoch.
  double first_year() const { return first_year_; }
  double last_year() const { return last_year_; }

  /// Whether the model's curve comes with its own errors (the regional one).
  bool gives_errors() const { return family_ == Family::regional; }

  /// Numbers of a trailer of a global model's file, left unread: commands
  /// say so in one line on standard error. 0 for the regional model.
  std::size_t unread_numbers() const;

  /// The global model, or nullptr for the regional one.
  const geomodel::SplineModel* global() const { return global_.get(); }
  /// The regional model, or nullptr for a global one.
  const model::Model* regional() const { return regional_.get(); }

  /// The model's curve at a site as dating and the exports take it.
  ///
  /// Regional model: its epochs, values and sigmas (the curve file's 95%
  /// errors over 1.96, every value as the curve file gives it); `years`
  /// empty gives all 381 epochs, else those years, each an epoch; `sigma`
  /// is not used.
  /// Global model: D, I, F at each of `years` (whole years or not, in
  /// increasing order, within the span); sigmas all `sigma`'s where one is
  /// given, else the series' sigmas are EMPTY (the model gives none; a
  /// caller that needs them refuses). At a geographic pole D is a gap (NaN).
  ///
  /// The curve's source is source(); its site the site as given.
  ///
  /// @param[in] latitude   geodetic degrees north
  /// @param[in] longitude  degrees east
  /// @throws model::SiteOutsideRegion, model::NotAnEpoch (regional)
  /// @throws geomodel::SiteOutsideRange, geomodel::YearOutsideSpan (global)
  /// @throws std::invalid_argument for years that do not increase, or a
  ///         negative or non-finite sigma
  curve::ReferenceCurve curve(double latitude, double longitude, std::span<const double> years,
                              const std::optional<ModelSigma>& sigma = std::nullopt) const;

 private:
  Family family_;
  std::string name_, citation_, source_;
  double first_year_ = 0.0, last_year_ = 0.0;
  std::shared_ptr<const geomodel::SplineModel> global_;
  std::shared_ptr<const model::Model> regional_;
};

}  // namespace field_model
