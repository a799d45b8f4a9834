#include "field_model/field_model.hpp"

#include <array>
#include <cmath>
#include <stdexcept>
#include <utility>

#include "curve/model_curve.hpp"
#include "geomodel/catalogue.hpp"
#include "geomodel/field.hpp"

namespace field_model {

FieldModel FieldModel::open(std::string_view argument, const std::filesystem::path& extra) {
  if (const geomodel::BundledModel* entry = geomodel::find_catalogue_entry(argument))
    return FieldModel(geomodel::read_bundled_model(*entry, extra), std::string(entry->citation));
  const std::filesystem::path path{std::string(argument)};
  if (geomodel::file_looks_like_spline_model(path))
    return FieldModel(geomodel::read_spline_model(path), std::string());
  return FieldModel(model::Model(path), path.string());
}

FieldModel::FieldModel(geomodel::SplineModel model, std::string citation)
    : family_(Family::global),
      name_(model.name),
      citation_(std::move(citation)),
      first_year_(model.first_year),
      last_year_(model.last_year),
      global_(std::make_shared<const geomodel::SplineModel>(std::move(model))) {
  source_ = citation_.empty() ? "the global model in " + name_ : name_ + " (" + citation_ + ")";
}

FieldModel::FieldModel(model::Model model, std::string file)
    : family_(Family::regional),
      name_(model::MODEL_NAME),
      first_year_(model::epoch_year(0)),
      last_year_(model::epoch_year(model::EPOCHS - 1)),
      regional_(std::make_shared<const model::Model>(std::move(model))) {
  source_ = name_ + " (coefficient file " + file + ")";
}

std::size_t FieldModel::unread_numbers() const { return global_ ? global_->unread_numbers : 0; }

namespace {

void check_increasing(std::span<const double> years) {
  for (std::size_t k = 1; k < years.size(); ++k)
    if (!(years[k] > years[k - 1]))
      throw std::invalid_argument("the years of a curve must increase");
}

// The epochs of a regional curve at the years asked for (all when none).
curve::ComponentSeries epochs_of(const curve::ComponentSeries& all, std::span<const double> years) {
  if (years.empty()) return all;
  curve::ComponentSeries some;
  for (double year : years) {
    const auto k = static_cast<std::size_t>(model::epoch_index(year));
    some.years.push_back(all.years[k]);
    some.values.push_back(all.values[k]);
    some.sigmas.push_back(all.sigmas[k]);
  }
  return some;
}

}  // namespace

curve::ReferenceCurve FieldModel::curve(double latitude, double longitude,
                                        std::span<const double> years,
                                        const std::optional<ModelSigma>& sigma) const {
  check_increasing(years);
  curve::ReferenceCurve result;
  if (regional_) {
    const curve::ReferenceCurve all =
        curve::reference_curve(curve::curve_of_model(regional_->curve(latitude, longitude)));
    for (const curve::Component c : curve::COMPONENTS) result[c] = epochs_of(*all[c], years);
  } else {
    if (sigma) {
      for (double s : {sigma->declination, sigma->inclination, sigma->intensity})
        if (!(s >= 0.0 && std::isfinite(s)))
          throw std::invalid_argument("a model sigma must be finite and not negative");
    }
    const auto field = geomodel::field_curve(*global_, latitude, longitude, years);
    const std::array<double, 3> sigmas =
        sigma ? std::array<double, 3>{sigma->declination, sigma->inclination, sigma->intensity}
              : std::array<double, 3>{};
    for (std::size_t c = 0; c < 3; ++c) {
      curve::ComponentSeries series;
      series.years.assign(years.begin(), years.end());
      for (const geomodel::FieldValues& f : field)
        series.values.push_back(c == 0 ? f.declination : c == 1 ? f.inclination : f.intensity);
      if (sigma) series.sigmas.assign(years.size(), sigmas[c]);
      result.components[c] = std::move(series);
    }
  }
  result.source = source_;
  result.site = curve::Site{latitude, longitude};
  return result;
}

}  // namespace field_model
