#include "bundled/bundled_data.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

TEST(BundledData, KarvenDataComesFirstAndMissingFilesAreNotFound) {
  const auto root = std::filesystem::temp_directory_path() / "karven-bundled-test";
  std::filesystem::remove_all(root);
  std::filesystem::create_directories(root / "models");
  std::ofstream(root / "models" / "M1") << "x";
  ASSERT_EQ(setenv("KARVEN_DATA", root.c_str(), 1), 0);

  const auto folders = bundled::data_folders("models");
  ASSERT_FALSE(folders.empty());
  EXPECT_EQ(folders.front(), root / "models");
  EXPECT_EQ(bundled::find_data_file("models", "M1"), root / "models" / "M1");
  EXPECT_EQ(bundled::find_data_file("models", "no such model"), std::nullopt);
  EXPECT_EQ(bundled::find_data_file("no such kind", "M1"), std::nullopt);

  unsetenv("KARVEN_DATA");
  std::filesystem::remove_all(root);
}

}  // namespace
