#include "companion/model_site.hpp"

#include <cmath>

#include "companion/command_line.hpp"
#include "console/numbers.hpp"
#include "curve/model_curve.hpp"

namespace companion {

void add_model_site_options(CLI::App& app, ModelSiteOptions& options) {
  app.add_option("-m,--model", options.model,
                 "the model's coefficient file: the curve computed at --lat, --lon")
      ->type_name("FILE");
  app.add_option("--lat", options.latitude,
                 "the site's geodetic latitude, degrees north (35 to 60)")
      ->type_name("LAT");
  app.add_option("--lon", options.longitude,
                 "the site's geodetic longitude, degrees east (-15 to 30)")
      ->type_name("LON");
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
