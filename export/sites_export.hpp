// karven-export --model FILE --sites SITES.csv: the model's curve at every
// site of a sites file, computed one after another in one process, written
// as one long CSV table or as files named after the sites.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "field_model/field_model.hpp"

namespace curve_export {

/// The export formats.
enum class Format { ref, csv, dat };

/// What a run over many sites is asked.
struct SitesRequest {
  std::filesystem::path model;  // the coefficient file, or the global model as given
  std::filesystem::path sites;  // the sites file: name,lat,lon
  Format format = Format::ref;
  /// With ref and dat, a pattern of the files' names with {name}, the
  /// prefix of the .ref files or the curve file's name (".dat" added
  /// unless it ends so); "{name}" by default. With csv, the table's name
  /// (".csv" added unless it ends so, or "-" for standard output);
  /// sites_table_name() by default.
  std::optional<std::string> output;
  /// A global model (opened by the caller) in place of the coefficient
  /// file; its curve at the years given, with the sigma where one is given
  /// (needed for ref).
  const field_model::FieldModel* global = nullptr;
  std::vector<double> years{};
  std::optional<field_model::ModelSigma> sigma{};
};

/// The long table's name when --output gives none: the sites file's name
/// with "_curves.csv" in place of its extension, beside it ("runs/sites.csv"
/// gives "runs/sites_curves.csv"), so that it is never the sites file.
std::string sites_table_name(const std::filesystem::path& sites);

/// Exports the curve of every site of the sites file, reading it row by row
/// in bounded memory. A pattern's folder that does not exist is said once,
/// before any site is computed, and the run fails. A row that is no site (a bad field, a site
/// outside the model's region), a second site of a name, a site whose files would have the name of
/// another's, and an output that is refused or cannot be written are each said in one line on
/// standard error naming the file and the line, and the other sites are still exported; the run
/// then fails. Each file written is said on standard output ("Exported to Paris.dat"), unless the
/// table goes there. The signals that end a run stop it between two sites, with the earlier files
/// written and no partial one.
///
/// @param[in] request  what to export
/// @param[in] program  the command's name, for its messages
/// @return the exit status: 0 when every site was exported, 1 otherwise
///         (also when the model or the sites file cannot be read)
int export_sites(const SitesRequest& request, std::string_view program);

}  // namespace curve_export
