#include "field_model/field_model.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "driver/coefficients.hpp"
#include "geomodel/field.hpp"

namespace {

const std::string ARCH_CITATION =
    "Constable, C., M. Korte and S. Panovska (2016): Persistent high paleosecular variation "
    "activity in Southern hemisphere for at least 10 000 years. Earth Planet. Sci. Lett. 453, "
    "78-86";

TEST(FieldModel, OpensABundledNameInAnyCaseAndAPathByItsContent) {
  const auto arch = field_model::FieldModel::open("arch10K.1");
  EXPECT_EQ(arch.family(), field_model::Family::global);
  EXPECT_EQ(arch.name(), "ARCH10k.1");
  EXPECT_EQ(arch.citation(), ARCH_CITATION);
  EXPECT_EQ(arch.source(), "ARCH10k.1 (" + ARCH_CITATION + ")");
  EXPECT_EQ(arch.first_year(), -8000.0);
  EXPECT_EQ(arch.last_year(), 1990.0);
  EXPECT_FALSE(arch.gives_errors());
  EXPECT_EQ(arch.regional(), nullptr);

  const std::string arhimag = KARVEN_MODELS_DIR "/arhimag1k";
  const auto by_path = field_model::FieldModel::open(arhimag);
  EXPECT_EQ(by_path.family(), field_model::Family::global);
  EXPECT_EQ(by_path.source(), "the global model in " + arhimag);
  EXPECT_EQ(by_path.unread_numbers(), 14760u);

  const auto regional = field_model::FieldModel::open(KARVEN_DEMO_COEFFICIENTS);
  EXPECT_EQ(regional.family(), field_model::Family::regional);
  EXPECT_TRUE(regional.gives_errors());
  EXPECT_EQ(regional.source(),
            std::string(model::MODEL_NAME) + " (coefficient file " KARVEN_DEMO_COEFFICIENTS ")");
  EXPECT_EQ(regional.first_year(), 0.0);
  EXPECT_EQ(regional.last_year(), 1900.0);
  EXPECT_EQ(regional.unread_numbers(), 0u);
}

TEST(FieldModel, RefusesWhatIsNeitherFamilyOrABrokenGlobalFile) {
  EXPECT_THROW(field_model::FieldModel::open(KARVEN_MODELS_DIR "/no such model"),
               driver::CoefficientFileError);
  const auto broken = std::filesystem::temp_directory_path() / "karven-field-model-broken";
  std::ofstream(broken) << "0.0 30.0 4\n 1 0 6\n-30 -20 -10 0\n";
  EXPECT_THROW(field_model::FieldModel::open(broken.string()), geomodel::ModelFileError);
  std::filesystem::remove(broken);
}

TEST(FieldModel, GlobalCurveGivesValuesAndOnlyTheSigmasAsked) {
  const auto gufm = field_model::FieldModel::open("GUFM1");
  const std::vector<double> years = {1590, 1700.5, 1800, 1990};
  const auto bare = gufm.curve(48.85, 2.35, years);
  const auto field = geomodel::field_curve(*gufm.global(), 48.85, 2.35, years);
  ASSERT_TRUE(bare.site.has_value());
  EXPECT_EQ(bare.site->latitude, 48.85);
  EXPECT_EQ(bare.source, gufm.source());
  for (const curve::Component c : curve::COMPONENTS) {
    const auto& series = *bare[c];
    EXPECT_EQ(series.years, years);
    EXPECT_TRUE(series.sigmas.empty());
    for (std::size_t k = 0; k < years.size(); ++k) {
      const double expected = c == curve::Component::declination   ? field[k].declination
                              : c == curve::Component::inclination ? field[k].inclination
                                                                   : field[k].intensity;
      EXPECT_EQ(series.values[k], expected);
    }
  }
  const auto with_sigma = gufm.curve(48.85, 2.35, years, field_model::ModelSigma{2.0, 1.5, 3.0});
  EXPECT_EQ(with_sigma[curve::Component::declination]->sigmas, std::vector<double>(4, 2.0));
  EXPECT_EQ(with_sigma[curve::Component::inclination]->sigmas, std::vector<double>(4, 1.5));
  EXPECT_EQ(with_sigma[curve::Component::intensity]->sigmas, std::vector<double>(4, 3.0));

  // At the pole the declination is a gap, the rest a value.
  const std::vector<double> one = {1900};
  const auto pole = gufm.curve(90.0, 0.0, one);
  EXPECT_TRUE(std::isnan(pole[curve::Component::declination]->values[0]));
  EXPECT_TRUE(std::isfinite(pole[curve::Component::inclination]->values[0]));

  const std::vector<double> backwards = {1700, 1600};
  EXPECT_THROW(gufm.curve(0, 0, backwards), std::invalid_argument);
  const std::vector<double> late = {1991};
  EXPECT_THROW(gufm.curve(0, 0, late), geomodel::YearOutsideSpan);
  EXPECT_THROW(gufm.curve(0, 0, one, field_model::ModelSigma{-1, 0, 0}), std::invalid_argument);
}

TEST(FieldModel, RegionalCurveGivesItsEpochsWithErrors) {
  const auto regional = field_model::FieldModel::open(KARVEN_DEMO_COEFFICIENTS);
  const auto all = regional.curve(48.85, 2.35, {});
  const auto& d = *all[curve::Component::declination];
  ASSERT_EQ(d.years.size(), 381u);
  EXPECT_EQ(d.years.front(), 0.0);
  EXPECT_EQ(d.years.back(), 1900.0);
  ASSERT_EQ(d.sigmas.size(), 381u);
  EXPECT_GT(d.sigmas[200], 0.0);

  const std::vector<double> years = {0, 1000, 1900};
  const auto some = regional.curve(48.85, 2.35, years);
  for (const curve::Component c : curve::COMPONENTS) {
    EXPECT_EQ(some[c]->years, years);
    for (std::size_t k = 0; k < years.size(); ++k) {
      const std::size_t epoch = static_cast<std::size_t>(years[k] / 5.0);
      EXPECT_EQ(some[c]->values[k], all[c]->values[epoch]);
      EXPECT_EQ(some[c]->sigmas[k], all[c]->sigmas[epoch]);
    }
  }
  const std::vector<double> between = {1002};
  EXPECT_THROW(regional.curve(48.85, 2.35, between), model::NotAnEpoch);
}

}  // namespace
