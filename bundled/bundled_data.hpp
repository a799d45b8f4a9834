// Data files that ship with the toolkit (global field models, radiocarbon
// calibration curves), found by their kind and file name both where the
// toolkit is built and where it is installed.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

namespace bundled {

/// The folders searched for the bundled files of a kind ("models",
/// "radiocarbon"), in order:
/// - $KARVEN_DATA/<kind>, when the environment names a data folder;
/// - `extra`/<kind>, for a caller that knows where its own data lies (the
///   Python module, beside itself);
/// - <folder of the running program>/../share/karven/<kind>, an installed
///   tree wherever it was moved;
/// - the source tree's data/<kind>, where the toolkit was built;
/// - <install prefix>/share/karven/<kind>, where it was installed.
/// Folders that do not exist are left out.
std::vector<std::filesystem::path> data_folders(std::string_view kind,
                                                const std::filesystem::path& extra = {});

/// The first file of that name in the folders of its kind, or nothing.
std::optional<std::filesystem::path> find_data_file(std::string_view kind,
                                                    std::string_view file_name,
                                                    const std::filesystem::path& extra = {});

}  // namespace bundled
