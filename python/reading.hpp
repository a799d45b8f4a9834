// The files the companions read, read from Python as they read them: a
// curve file of karven, and the .ref files of a reference curve.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "curve/curve_reader.hpp"
#include "curve/ref_file.hpp"
#include "python/models.hpp"

namespace karven_python {

Curve curve_of_file(const curve::Curve& read, const std::string& origin);
Curve curve_of_ref_files(curve::LoadedReference loaded);
Curve read_curve(const std::filesystem::path& path);
Curve read_ref(const std::optional<std::filesystem::path>& declination,
               const std::optional<std::filesystem::path>& inclination,
               const std::optional<std::filesystem::path>& intensity);

}  // namespace karven_python
