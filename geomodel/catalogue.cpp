#include "geomodel/catalogue.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

#include "bundled/bundled_data.hpp"

namespace geomodel {

namespace {

constexpr std::string_view CONSTABLE_2016 =
    "Constable, C., M. Korte and S. Panovska (2016): Persistent high paleosecular variation "
    "activity in Southern hemisphere for at least 10 000 years. Earth Planet. Sci. Lett. 453, "
    "78-86";

constexpr std::array<BundledModel, 8> CATALOGUE = {{
    {"ARCH10k.1", "ARCH10k.1", -8000.0, 1990.0, 10, CONSTABLE_2016},
    {"CALS10k.2", "CALS10k.2", -8000.0, 1990.0, 10, CONSTABLE_2016},
    {"HFM.OL1.A1", "HFM.OL1.A1", -8000.0, 1990.0, 10,
     "Panovska, S., M. Korte, C. C. Finlay and C. G. Constable (2015): Limitations in "
     "paleomagnetic data and modelling techniques and their impact on Holocene geomagnetic field "
     "models. Geophys. J. Int. 202, 402-418"},
    {"pfm9k.1a", "pfm9k.1a", -7000.0, 1900.0, 10,
     "Nilsson, A., R. Holme, M. Korte, N. Suttie and M. Hill (2014): Reconstructing Holocene "
     "geomagnetic field variation: new methods, models and implications. Geophys. J. Int. 198, "
     "229-248"},
    {"arhimag1k", "arhimag1k", 800.0, 2000.0, 10,
     "Senftleben, R. (2020): Earth's magnetic field over the last 1000 years. PhD thesis, "
     "University of Potsdam"},
    {"gufm1", "gufm1", 1590.0, 1990.0, 14,
     "Jackson, A., A. R. T. Jonkers and M. R. Walker (2000): Four centuries of geomagnetic "
     "secular variation from historical records. Phil. Trans. R. Soc. A 358, 957-990"},
    {"LSMOD.2", "LSMOD.2", -48000.0, -28000.0, 10,
     "Korte, M., M. C. Brown, S. Panovska and I. Wardinski (2019): Robust characteristics of the "
     "Laschamp and Mono Lake geomagnetic excursions: results from global field models. Front. "
     "Earth Sci. 7:86"},
    {"GGF100k", "GGF100k", -98050.0, 1990.0, 10,
     "Panovska, S., C. G. Constable and M. Korte (2018): Extending global continuous geomagnetic "
     "field reconstructions on timescales beyond human civilization. Geochem. Geophys. Geosyst. "
     "19, 4757-4772"},
}};

bool same_name(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

}  // namespace

std::span<const BundledModel> bundled_models() { return CATALOGUE; }

const BundledModel* find_catalogue_entry(std::string_view name) {
  for (const BundledModel& entry : CATALOGUE)
    if (same_name(entry.name, name)) return &entry;
  return nullptr;
}

std::optional<std::filesystem::path> find_bundled_model(std::string_view name,
                                                        const std::filesystem::path& extra) {
  const BundledModel* entry = find_catalogue_entry(name);
  if (!entry) return std::nullopt;
  return bundled::find_data_file("models", entry->file_name, extra);
}

SplineModel read_bundled_model(const BundledModel& entry, const std::filesystem::path& extra) {
  const auto path = bundled::find_data_file("models", entry.file_name, extra);
  if (!path)
    throw ModelFileError("the model file " + std::string(entry.file_name) +
                         " of the bundled model " + std::string(entry.name) +
                         " is not in the toolkit's data folders");
  SplineModel model = read_spline_model(*path);
  model.name = std::string(entry.name);
  if (entry.first_year < model.first_year || entry.last_year > model.last_year ||
      model.degree != entry.degree)
    throw ModelFileError("the model file " + path->string() + " is not the bundled model " +
                         std::string(entry.name) + " (its span or degree differ)");
  model.first_year = entry.first_year;
  model.last_year = entry.last_year;
  return model;
}

}  // namespace geomodel
