#include "geomodel/field.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "geomodel/catalogue.hpp"

namespace {

constexpr double DEG = 0.017453292519943295;

const geomodel::SplineModel& bundled(const std::string& name) {
  static std::map<std::string, geomodel::SplineModel> models;
  auto it = models.find(name);
  if (it == models.end())
    it = models.emplace(name, geomodel::read_bundled_model(*geomodel::find_catalogue_entry(name)))
             .first;
  return it->second;
}

// The field by geomodel/tests/reference_field.py, an independent numpy
// evaluation that reproduces the check values of data/models/README.md:
// model, geodetic latitude, longitude, year, X, Y, Z (nT), D, I (degrees),
// F (microtesla). The README's sites first, then sites near and at the
// poles, either side of the date line and at the ends of spans.
struct FieldRow {
  const char* model;
  double latitude, longitude, year;
  double x, y, z, d, i, f;
};

const FieldRow FIELD_ROWS[] = {
    {"CALS10k.2", 40.4, -3.7, 0, 31168.144362016548, -228.01176096530267, 50196.317216557269,
     -0.41914200560883652, 58.162136473819182, 59.086169908362535},
    {"CALS10k.2", 40.4, -3.7, 500, 32280.862448687421, 2476.2154996197987, 50993.340687928227,
     4.3864812915267395, 57.588516390345156, 60.402868459591808},
    {"CALS10k.2", 40.4, -3.7, 1000, 35223.532195675813, 10797.131383431488, 44909.262978332597,
     17.041965658221287, 50.636332487483919, 58.08715148557318},
    {"CALS10k.2", 40.4, -3.7, 1500, 28271.53776437958, 1829.4476830777101, 39695.911274848739,
     3.7024406778924965, 54.484840813171338, 48.768761500867768},
    {"CALS10k.2", 40.4, -3.7, 1900, 22028.986113921626, -6327.4885943899644, 37675.589995755596,
     -16.025900748708203, 58.68601509786744, 44.099471908944288},
    {"CALS10k.2", 48.85, 2.35, 1000, 29316.663677166933, 9784.3539974457781, 59161.799149302635,
     18.456286969134759, 62.417287361827441, 66.748174738264396},
    {"CALS10k.2", 48.85, 2.35, 1900, 18964.647412917635, -5141.0694210822376, 41859.294199688957,
     -15.167608120264456, 64.854212367897659, 46.241636618796093},
    {"CALS10k.2", 41.9, 12.5, 1000, 31734.23280550287, 9052.9859061489715, 54766.666061000149,
     15.922127959930377, 58.928459339739661, 63.940642763487233},
    {"CALS10k.2", 41.9, 12.5, 1900, 23001.426425043821, -4076.0496436963681, 36837.542474636415,
     -10.048980263756347, 57.61999073413488, 43.619769988563945},
    {"CALS10k.2", 37.98, 23.73, 1000, 32647.332018723668, 6267.2786268779728, 52974.159952214613,
     10.866817297371513, 57.890047914063295, 62.541096024698184},
    {"CALS10k.2", 37.98, 23.73, 1900, 25795.467194723093, -2551.2578823921076, 33316.17026637237,
     -5.6483745793277178, 52.115644490050592, 42.212347077536656},
    {"ARCH10k.1", 48.85, 2.35, 1000, 28110.845447515057, 10270.420095990938, 59490.609850883135,
     20.069996785477475, 63.294152838341482, 66.594547983691626},
    {"ARCH10k.1", 53.87, 10.81, 1300, 26729.787218709305, 4427.6007631602906, 53813.114165282794,
     9.4052432745098162, 63.275507043515312, 60.248953762212103},
    {"ARCH10k.1", 31.78, 35.22, -1000, 30861.292217149978, 2117.8576475015711, 58864.7836592858,
     3.9257706458031838, 62.277744327062003, 66.497875406526504},
    {"ARCH10k.1", 39.9, 116.4, 1000, 28150.093355339086, -4039.6001657698712, 50210.442075946856,
     -8.1663186285418039, 60.473416918893712, 57.704719208012861},
    {"ARCH10k.1", -12.05, -77.04, 1000, 33178.510928475909, -1477.8883005591067,
     -37062.044512267537, -2.5504708703053769, -48.136386388752399, 49.765378373817526},
    {"HFM.OL1.A1", 31.78, 35.22, 0, 34853.748681817262, -2937.2772319496871, 37461.189604907187,
     -4.8171823063489176, 46.963883505839945, 51.251849930782157},
    {"pfm9k.1a", 48.85, 2.35, 1500, 25616.354019235594, 2570.0729008951671, 47311.850723671261,
     5.7292777242374227, 61.446977449348424, 53.86291940522419},
    {"arhimag1k", 53.87, 10.81, 1500, 22970.725213144611, 3796.8015978547151, 52441.226967131697,
     9.3854879421649109, 66.060156817249066, 57.377279519070008},
    {"gufm1", 48.85, 2.35, 1900, 19001.169394023964, -5064.0110387009681, 42104.98132056732,
     -14.92306287042404, 64.965890209594534, 46.470615426802787},
    {"gufm1", 19.6, -155.5, 1900, 29739.790910574207, 5031.5669130464057, 23370.421401368549,
     9.6027304084181289, 37.769207181862598, 38.156892240887238},
    {"GGF100k", 48.85, 2.35, 1000, 26796.003342700587, 8015.4575630096333, 57309.754898733518,
     16.65344111916589, 63.986017524223136, 63.770536783371519},
    {"ARCH10k.1", 89.9, 30.0, 1000, -4803.6588940204092, 1532.1216408540779, 73249.947938080382,
     162.30997542065424, 86.062321655569676, 73.423275658499207},
    {"ARCH10k.1", -89.5, 140.0, -5000, 2320.3449401985254, -361.09413270540739, -53803.033671583005,
     -8.8454691819508309, -87.500868839086195, 53.854255373922619},
    {"ARCH10k.1", 90.0, 0.0, 1000, -3444.7328319434005, 3749.2181144702472, 73217.982051260231,
     132.57639225213461, 86.02215873046049, 73.394793523873375},
    {"ARCH10k.1", -90.0, 0.0, 1000, 6134.3882416934484, 5026.7164595108989, -58343.555218401809,
     39.332301345183495, -82.2590112382033, 58.880124260966411},
    {"ARCH10k.1", -17.7, 179.99, 500, 30133.209846619746, 1231.3575968752091, -41502.942215143725,
     2.3400216181622779, -53.995748260252547, 51.3032239698965},
    {"ARCH10k.1", -17.7, -179.99, 500, 30133.734877286828, 1234.6331698998238, -41501.896105129643,
     2.3461986023016488, -53.994466526705061, 51.30276480892433},
    {"ARCH10k.1", -17.7, 190.0, 500, 30484.03169762974, 2980.8123570140301, -40615.698936242828,
     5.5847842923171012, -52.979044492527308, 50.870388547064771},
    {"ARCH10k.1", 10.0, 359.5, -8000, 27001.04232338291, 139.88778528052171, 21195.720691154238,
     0.29683698492718996, 38.131412155341124, 34.326876216151824},
    {"ARCH10k.1", 0.0, -180.0, 1990, 33855.921958350307, 6377.3928665164622, -2777.8226821551307,
     10.667725013527374, -4.6098051135831684, 34.563143524241212},
    {"gufm1", 64.1, -21.9, 1590, 11974.85465401088, -399.61368426841784, 55944.059662910629,
     -1.9113120454553019, 77.911600246635373, 57.212714029738571},
    {"gufm1", -77.85, 166.67, 1990, -7775.1102463708294, 5270.1949247057109, -63021.980407423784,
     145.86944338083714, -81.522908760283698, 63.718108166841567},
    {"LSMOD.2", 45.0, 3.0, -39000, -2927.8185432070554, -4808.2327483576273, -12964.231351171422,
     -121.33797941407413, -66.52792802941434, 14.133736877097359},
    {"GGF100k", -33.9, 18.4, -98050, 5114.4199789737222, 1338.4171190446186, -11335.270058573487,
     14.665134898309363, -64.996158657078311, 12.507477739603212},
    {"HFM.OL1.A1", 35.0, 140.0, -8000, 18831.931719023207, 1191.2841652865804, 23922.341499831655,
     3.6196354426766564, 51.734168593613958, 30.468659850196609},
    {"pfm9k.1a", 60.0, -150.0, -7000, 24141.419682359501, -8103.4705562522167, 72049.365028130211,
     -18.55518707409421, 70.534531508771494, 76.417179876599818},
    {"arhimag1k", 30.0, 31.2, 2000, 30593.328008988748, 1496.2347667553981, 29434.293476245344,
     2.7999465713016765, 43.859655817402597, 42.480207974874162},
    {"CALS10k.2", 51.5, -0.1, 1650.25, 16437.317377123287, 521.64006797663296, 52774.837544420341,
     1.8176777996120763, 72.692022721171938, 55.277852606236038},
};

// g(1,0), g(1,1), h(1,1), g(2,0) (nT) and the dipole (10^22 A m^2, pole
// latitude and longitude, degrees), by the same script.
struct CoefficientRow {
  const char* model;
  double year;
  double g10, g11, h11, g20;
  double moment, pole_latitude, pole_longitude;
};

const CoefficientRow COEFFICIENT_ROWS[] = {
    {"CALS10k.2", -1000, -36907.139241368859, -1141.5374221626691, -3084.2510969127916,
     -386.37675532867252, 9.5827794576330092, 84.907930962483789, 69.689570342118159},
    {"CALS10k.2", 1990, -29772.801806191586, -1834.5291155546327, 5341.8674722210817,
     -2119.2949611301929, 7.8371998078420404, 79.258251180956478, -71.046263673718357},
    {"ARCH10k.1", 1990, -29772.801806644391, -1834.5291156062815, 5341.8674724824332,
     -2119.2949614439008, 7.8371998079698155, 79.258251180625777, -71.04626367408396},
    {"gufm1", 1990, -29770.151836899997, -1855.9264898633332, 5404.1733467916665,
     -2144.0137634366665, 7.8397200876356843, 79.134983700612153, -71.046263679327097},
    {"gufm1", 1900, -31492.488196533333, -2302.9577872816662, 5930.3900285416667,
     -702.01376285183335, 8.3091414265824053, 78.579282946266957, -68.777235930268859},
    {"pfm9k.1a", 1900, -33446.437015791613, -2225.0398550178702, 5246.9729100636459,
     677.90337067151074, 8.7746309233991422, 80.329708474050904, -67.02006278006084},
};

TEST(GlobalField, AgreesWithTheIndependentEvaluationToOneBillionthOfF) {
  for (const FieldRow& r : FIELD_ROWS) {
    SCOPED_TRACE(std::string(r.model) + " " + std::to_string(r.latitude) + " " +
                 std::to_string(r.longitude) + " " + std::to_string(r.year));
    const auto v = geomodel::field_at(bundled(r.model), r.latitude, r.longitude, r.year);
    const double tolerance = 1e-9 * r.f * 1000.0;  // nT
    const double horizontal = std::hypot(r.x, r.y);
    EXPECT_NEAR(v.intensity, r.f, 1e-9 * r.f);
    EXPECT_NEAR(v.down, r.z, tolerance);
    EXPECT_NEAR(v.horizontal, horizontal, tolerance);
    EXPECT_NEAR(v.inclination, r.i, 1e-9 / DEG);
    if (std::abs(r.latitude) == 90.0) {
      // North has no direction at a pole: X, Y and D are undefined.
      EXPECT_FALSE(v.direction_defined);
      EXPECT_TRUE(std::isnan(v.north) && std::isnan(v.east) && std::isnan(v.declination));
    } else {
      EXPECT_TRUE(v.direction_defined);
      EXPECT_NEAR(v.north, r.x, tolerance);
      EXPECT_NEAR(v.east, r.y, tolerance);
      EXPECT_NEAR(v.declination, r.d, tolerance / horizontal / DEG);
    }
  }
}

TEST(GlobalField, CoefficientsAndDipoleAgreeAndTheDipoleOf1990IsNearDgrf1990) {
  for (const CoefficientRow& r : COEFFICIENT_ROWS) {
    SCOPED_TRACE(std::string(r.model) + " " + std::to_string(r.year));
    const auto g = geomodel::gauss_coefficients(bundled(r.model), r.year);
    EXPECT_NEAR(g.values[0], r.g10, 1e-9 * std::abs(r.g10));
    EXPECT_NEAR(g.values[1], r.g11, 1e-9 * std::abs(r.g10));
    EXPECT_NEAR(g.values[2], r.h11, 1e-9 * std::abs(r.g10));
    EXPECT_NEAR(g.values[3], r.g20, 1e-9 * std::abs(r.g10));
    const auto d = geomodel::dipole(g.values);
    EXPECT_NEAR(d.moment, r.moment, 1e-12 * r.moment);
    EXPECT_NEAR(d.pole_latitude, r.pole_latitude, 1e-9);
    EXPECT_NEAR(d.pole_longitude, r.pole_longitude, 1e-9);
  }
  // DGRF 1990: g10 -29775, g11 -1848, h11 5406 nT: a moment of 7.84e22 A m^2
  // and the geomagnetic north pole at 79.14 N, 71.13 W. The models that end
  // on the historical field meet it (GGF100k, smooth over centuries, does not).
  const double dgrf[] = {-29775.0, -1848.0, 5406.0};
  const auto reference = geomodel::dipole(dgrf);
  EXPECT_NEAR(reference.moment, 7.840, 0.001);
  EXPECT_NEAR(reference.pole_latitude, 79.14, 0.01);
  EXPECT_NEAR(reference.pole_longitude, -71.13, 0.01);
  for (const char* name : {"ARCH10k.1", "CALS10k.2", "gufm1"}) {
    SCOPED_TRACE(name);
    const auto d = geomodel::dipole(geomodel::gauss_coefficients(bundled(name), 1990).values);
    EXPECT_NEAR(d.moment, reference.moment, 0.005 * reference.moment);
    EXPECT_NEAR(d.pole_latitude, reference.pole_latitude, 0.2);
    EXPECT_NEAR(d.pole_longitude, reference.pole_longitude, 0.2);
  }
}

TEST(GlobalField, ACurveIsTheSameAsItsYearsOneByOne) {
  const auto& model = bundled("ARCH10k.1");
  std::vector<double> years;
  for (double year = -8000; year <= 1990; year += 7.25) years.push_back(year);
  years.push_back(1990);
  const auto curve = geomodel::field_curve(model, 31.78, 35.22, years);
  ASSERT_EQ(curve.size(), years.size());
  for (std::size_t k = 0; k < years.size(); ++k) {
    const auto one = geomodel::field_at(model, 31.78, 35.22, years[k]);
    ASSERT_EQ(curve[k].north, one.north) << years[k];
    ASSERT_EQ(curve[k].east, one.east) << years[k];
    ASSERT_EQ(curve[k].down, one.down) << years[k];
    ASSERT_EQ(curve[k].intensity, one.intensity) << years[k];
  }
}

TEST(GlobalField, TheDateLineAndLongitudesPast180AreOneMeridian) {
  const auto& model = bundled("CALS10k.2");
  const auto east = geomodel::field_at(model, -17.7, 190.0, 500);
  const auto west = geomodel::field_at(model, -17.7, -170.0, 500);
  EXPECT_NEAR(east.north, west.north, 1e-8);
  EXPECT_NEAR(east.east, west.east, 1e-8);
  EXPECT_NEAR(east.down, west.down, 1e-8);
  const auto at_180 = geomodel::field_at(model, 60.0, 180.0, 1000);
  const auto at_minus_180 = geomodel::field_at(model, 60.0, -180.0, 1000);
  EXPECT_NEAR(at_180.declination, at_minus_180.declination, 1e-10);
  // Close to the pole the field stays finite and continuous.
  const auto near_pole = geomodel::field_at(model, 89.999999, 0.0, 1000);
  const auto pole = geomodel::field_at(model, 90.0, 0.0, 1000);
  EXPECT_NEAR(near_pole.down, pole.down, 1e-2);
  EXPECT_NEAR(near_pole.horizontal, pole.horizontal, 1e-2);
}

TEST(GlobalField, RefusesYearsOutsideTheSpanAndSitesOffTheEarth) {
  const auto& model = bundled("HFM.OL1.A1");
  auto refusal = [&](double latitude, double longitude, double year) -> std::string {
    try {
      geomodel::field_at(model, latitude, longitude, year);
    } catch (const std::domain_error& e) {
      return e.what();
    }
    return "accepted";
  };
  EXPECT_EQ(refusal(45, 0, -8001),
            "the year -8001 is outside the span of HFM.OL1.A1, -8000 to 1990");
  EXPECT_EQ(refusal(45, 0, 1990.5),
            "the year 1990.5 is outside the span of HFM.OL1.A1, -8000 to 1990");
  EXPECT_EQ(refusal(45, 0, NAN), "the year nan is outside the span of HFM.OL1.A1, -8000 to 1990");
  EXPECT_EQ(refusal(90.5, 0, 0), "the latitude 90.5 is not -90 to 90 degrees");
  EXPECT_EQ(refusal(0, -180.5, 0), "the longitude -180.5 is not -180 to 360 degrees");
  EXPECT_EQ(refusal(0, 360.5, 0), "the longitude 360.5 is not -180 to 360 degrees");
  EXPECT_EQ(refusal(45, 0, -8000), "accepted");
}

}  // namespace
