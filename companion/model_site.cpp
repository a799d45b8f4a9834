#include "companion/model_site.hpp"

#include <cmath>
#include <filesystem>

#include "companion/command_line.hpp"
#include "console/numbers.hpp"
#include "curve/model_curve.hpp"
#include "geomodel/catalogue.hpp"

namespace companion {

void add_model_site_options(CLI::App& app, ModelSiteOptions& options) {
  app.add_option("-m,--model", options.model,
                 "a bundled global model's name (ARCH10k.1, ...), a global model's file, or the "
                 "regional model's coefficient file: the curve computed at --lat, --lon")
      ->type_name("MODEL");
  app.add_option("--lat", options.latitude,
                 "the site's geodetic latitude, degrees north (regional model: 35 to 60; "
                 "global: -90 to 90)")
      ->type_name("LAT");
  app.add_option("--lon", options.longitude,
                 "the site's geodetic longitude, degrees east (regional model: -15 to 30; "
                 "global: -180 to 360)")
      ->type_name("LON");
  app.add_option("--span", options.span,
                 "a global model's years, whole years AD (negative before 1 AD), every STEP "
                 "years (default: the model's whole span, every 5 years)")
      ->type_name("FROM:TO[:STEP]");
  app.add_option("--model-sigma", options.model_sigma,
                 "one standard deviation given to a global model's curve, which has no errors: "
                 "declination and inclination in degrees, intensity in microtesla")
      ->type_name("D,I,F");
}

void check_model_site_options(const ModelSiteOptions& options, bool curve_file_given,
                              std::string_view sites_option, bool sites_given) {
  const std::string sites(sites_option);
  if (options.model && options.model->empty()) throw UsageError("option --model needs a value");
  if (!options.model) {
    if (options.latitude || options.longitude || sites_given) {
      const std::string given = options.latitude ? "--lat" : options.longitude ? "--lon" : sites;
      throw UsageError(given + (given == sites ? " gives the sites" : " gives the site") +
                       " of --model: give the coefficient file with --model FILE");
    }
    return;
  }
  if (curve_file_given) {
    throw UsageError("a curve file and --model exclude each other: give one or the other");
  }
  if (sites_given) {
    if (options.latitude || options.longitude) {
      throw UsageError(std::string(options.latitude ? "--lat" : "--lon") + " and " + sites +
                       " exclude each other: give one site with --lat and --lon, or many with " +
                       sites);
    }
    return;
  }
  if (!options.latitude || !options.longitude) {
    std::string message = "--model needs the site: ";
    if (options.latitude || options.longitude) {
      message += options.latitude ? "give --lon as well" : "give --lat as well";
    } else {
      message += "give --lat and --lon";
      if (!sites.empty()) message += ", or many sites with " + sites + " FILE";
    }
    throw UsageError(message);
  }
}

double site_coordinate(std::string_view option, std::string_view text) {
  const std::optional<double> value = console::parse_real(text, console::NumberForm::decimal);
  if (!value || !std::isfinite(*value)) {
    constexpr std::size_t SHOWN = 40;
    throw SiteValueError(std::string(option) + ": expected a number of degrees, read " +
                         console::quoted_token(text.substr(0, SHOWN), text.size() > SHOWN));
  }
  return *value;
}

bool is_global_model(std::string_view argument) {
  return geomodel::find_catalogue_entry(argument) ||
         geomodel::file_looks_like_spline_model(std::filesystem::path(std::string(argument)));
}

void check_model_name(std::string_view argument) {
  const std::filesystem::path path{std::string(argument)};
  std::string extension = path.extension().string();
  for (char& c : extension) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  std::error_code error;
  if (!geomodel::find_catalogue_entry(argument) && !std::filesystem::exists(path, error) &&
      !path.has_parent_path() && extension != ".inp") {
    std::string names;
    for (const geomodel::BundledModel& entry : geomodel::bundled_models()) {
      names += (names.empty() ? "" : ", ") + std::string(entry.name);
    }
    constexpr std::size_t SHOWN = 40;
    throw UnknownModel(
        "--model: " + console::quoted_token(argument.substr(0, SHOWN), argument.size() > SHOWN) +
        " is neither a bundled model nor a file; the bundled models are " + names);
  }
}

field_model::FieldModel open_model(std::string_view argument) {
  check_model_name(argument);
  return field_model::FieldModel::open(argument);
}

void check_regional_options(const ModelSiteOptions& options) {
  if (options.span || options.model_sigma) {
    throw UsageError(std::string(options.span ? "--span" : "--model-sigma") +
                     " is for a global model: the regional model's curve comes at its own "
                     "epochs, 0 to 1900 AD, with its own errors");
  }
}

CurveYears curve_years(const ModelSiteOptions& options, const field_model::FieldModel& model,
                       int default_step) {
  const YearSpan span =
      options.span ? parse_span(*options.span, default_step) : model_span(model, default_step);
  check_span(span, model);
  CurveYears result{span_years(span), std::nullopt};
  if (options.model_sigma) result.sigma = parse_model_sigma(*options.model_sigma);
  return result;
}

std::string unread_numbers_note(const field_model::FieldModel& model) {
  const std::size_t unread = model.unread_numbers();
  if (unread == 0) return {};
  return console::shown_text(model.name()) + ": " + std::to_string(unread) +
         (unread == 1 ? " number" : " numbers") +
         " after the coefficients are left unread and not used";
}

std::string shared_source(const field_model::FieldModel& model) {
  if (model.family() == field_model::Family::regional || !model.citation().empty()) {
    return model.source();
  }
  return "the global model in " + std::filesystem::path(model.name()).filename().string();
}

curve::Site site_of(const ModelSiteOptions& options) {
  return {site_coordinate("--lat", options.latitude.value_or("")),
          site_coordinate("--lon", options.longitude.value_or(""))};
}

ModelSite model_site(const ModelSiteOptions& options) {
  const double latitude = site_coordinate("--lat", options.latitude.value_or(""));
  const double longitude = site_coordinate("--lon", options.longitude.value_or(""));
  const model::Model model(*options.model);
  ModelSite site;
  site.site_curve = model.curve(latitude, longitude);
  site.curve = curve::curve_of_model(site.site_curve);
  return site;
}

}  // namespace companion
