#include "bundled/bundled_data.hpp"

#include <cstdlib>
#include <system_error>

namespace bundled {

namespace {

bool is_folder(const std::filesystem::path& folder) {
  std::error_code error;
  return !folder.empty() && std::filesystem::is_directory(folder, error);
}

// The folder of the running program; empty where the system does not say.
std::filesystem::path program_folder() {
  std::error_code error;
  const auto program = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path{} : program.parent_path();
}

}  // namespace

std::vector<std::filesystem::path> data_folders(std::string_view kind,
                                                const std::filesystem::path& extra) {
  std::vector<std::filesystem::path> candidates;
  if (const char* data = std::getenv("KARVEN_DATA"); data != nullptr && *data != '\0') {
    candidates.push_back(std::filesystem::path(data) / kind);
  }
  if (!extra.empty()) candidates.push_back(extra / kind);
  if (const auto program = program_folder(); !program.empty()) {
    candidates.push_back(program.parent_path() / "share" / "karven" / kind);
  }
  candidates.push_back(std::filesystem::path(KARVEN_SOURCE_DATA_DIR) / kind);
  candidates.push_back(std::filesystem::path(KARVEN_INSTALL_DATA_DIR) / kind);

  std::vector<std::filesystem::path> folders;
  for (const auto& folder : candidates) {
    if (is_folder(folder)) folders.push_back(folder.lexically_normal());
  }
  return folders;
}

std::optional<std::filesystem::path> find_data_file(std::string_view kind,
                                                    std::string_view file_name,
                                                    const std::filesystem::path& extra) {
  for (const auto& folder : data_folders(kind, extra)) {
    const auto file = folder / file_name;
    std::error_code error;
    if (std::filesystem::is_regular_file(file, error)) return file;
  }
  return std::nullopt;
}

}  // namespace bundled
