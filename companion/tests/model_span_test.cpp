#include "companion/model_span.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using companion::OptionValueError;

std::string message_of(auto&& call) {
  try {
    call();
  } catch (const OptionValueError& error) {
    return error.what();
  }
  return "no error";
}

TEST(Span, ReadsWholeYearsAndEndsWhereAsked) {
  const auto span = companion::parse_span("-1000:0", 5);
  EXPECT_EQ(span.first, -1000);
  EXPECT_EQ(span.last, 0);
  EXPECT_EQ(span.step, 5);
  EXPECT_EQ(companion::span_years(companion::parse_span("-10:3:5")),
            (std::vector<double>{-10, -5, 0, 3}));
  EXPECT_EQ(companion::span_years(companion::parse_span("1:2")), (std::vector<double>{1, 2}));
  EXPECT_EQ(companion::span_years(companion::parse_span("1990:1990")), (std::vector<double>{1990}));

  const std::string form = "--span: expected FROM:TO or FROM:TO:STEP in whole years, read ";
  EXPECT_EQ(message_of([] { companion::parse_span("1000"); }), form + "\"1000\"");
  EXPECT_EQ(message_of([] { companion::parse_span("0:1000.5"); }), form + "\"0:1000.5\"");
  EXPECT_EQ(message_of([] { companion::parse_span("0:10:2:1"); }), form + "\"0:10:2:1\"");
  EXPECT_EQ(message_of([] { companion::parse_span("500:100"); }),
            "--span: the first year must not come after the last, read \"500:100\"");
  EXPECT_EQ(message_of([] { companion::parse_span("0:100:0"); }),
            "--span: the step must be a positive whole number of years, read \"0:100:0\"");
}

TEST(ModelSigma, ReadsThreeStandardDeviationsNotBelowZero) {
  const auto sigma = companion::parse_model_sigma("2,2.5,0");
  EXPECT_EQ(sigma.declination, 2.0);
  EXPECT_EQ(sigma.inclination, 2.5);
  EXPECT_EQ(sigma.intensity, 0.0);
  const std::string form =
      "--model-sigma: expected D,I,F, one standard deviation of the model's curve in degrees, "
      "degrees and microtesla, each 0 or more, read ";
  EXPECT_EQ(message_of([] { companion::parse_model_sigma("2,2"); }), form + "\"2,2\"");
  EXPECT_EQ(message_of([] { companion::parse_model_sigma("2,-1,3"); }), form + "\"2,-1,3\"");
  EXPECT_EQ(message_of([] { companion::parse_model_sigma("2,nan,3"); }), form + "\"2,nan,3\"");
}

}  // namespace
