// The global models that ship with the toolkit: their names, files, spans,
// degrees and the citations that travel with their values.
#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string_view>

#include "geomodel/spline_model.hpp"

namespace geomodel {

/// A bundled model.
struct BundledModel {
  std::string_view name;       // as users name it ("ARCH10k.1"), any case
  std::string_view file_name;  // in the bundled models' folder
  double first_year;           // the published span, years AD (negative
  double last_year;            // before 1 AD)
  int degree;
  std::string_view citation;  // the model's publication
};

/// The citation of the distribution all bundled models come from.
inline constexpr std::string_view DISTRIBUTION_CITATION =
    "Schanner, M. A., S. Mauerberger and M. Korte (2020): pymagglobal - Python interface for "
    "global geomagnetic field models. GFZ Data Services, doi:10.5880/GFZ.2.3.2020.005";

/// Every bundled model, in the catalogue's order.
std::span<const BundledModel> bundled_models();

/// The bundled model of a name, whatever its case ("arch10k.1"), or nothing.
const BundledModel* find_catalogue_entry(std::string_view name);

/// Where the file of a bundled model of that name lies (built or
/// installed), or nothing: not a bundled name, or its file is missing.
/// `extra`: a data folder of the caller's own (bundled::data_folders).
std::optional<std::filesystem::path> find_bundled_model(std::string_view name,
                                                        const std::filesystem::path& extra = {});

/// Reads a bundled model: named by its catalogue name, and holding for its
/// published span (which may be narrower than its file's: HFM.OL1.A1's file
/// gives -10010, the start of its splines, its publication 8000 BC).
///
/// @param[in] extra  a data folder of the caller's own (bundled::data_folders)
/// @throws ModelFileError when the file is missing or refused
SplineModel read_bundled_model(const BundledModel& entry, const std::filesystem::path& extra = {});

}  // namespace geomodel
