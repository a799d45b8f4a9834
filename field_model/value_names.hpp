// The names under which the bindings (the Python and the web modules) give
// a curve's values and a global model's field, each with the member that
// holds it.
#pragma once

#include <array>

#include "geomodel/field.hpp"
#include "model/model.hpp"

namespace field_model {

// The six quantities of a curve, in the order of a curve file's fields
// (curve::Quantity) and of karven-export's CSV columns.
constexpr std::array<const char*, 6> QUANTITY_NAMES = {
    "declination",          "inclination",          "intensity",
    "declination_error_95", "inclination_error_95", "intensity_error_95"};

constexpr std::array<double model::CurveValues::*, 6> QUANTITY_MEMBERS = {
    &model::CurveValues::declination,       &model::CurveValues::inclination,
    &model::CurveValues::intensity,         &model::CurveValues::declination_error,
    &model::CurveValues::inclination_error, &model::CurveValues::intensity_error};

// What a global model's field gives, in FieldValues' order.
constexpr std::array<const char*, 7> GLOBAL_FIELD_NAMES = {
    "north", "east", "down", "horizontal", "declination", "inclination", "intensity"};
constexpr std::array<double geomodel::FieldValues::*, 7> GLOBAL_FIELD_MEMBERS = {
    &geomodel::FieldValues::north,       &geomodel::FieldValues::east,
    &geomodel::FieldValues::down,        &geomodel::FieldValues::horizontal,
    &geomodel::FieldValues::declination, &geomodel::FieldValues::inclination,
    &geomodel::FieldValues::intensity};

}  // namespace field_model
