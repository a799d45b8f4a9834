// A site in words, as reports, figures and exported files name it.
#pragma once

#include <string>

namespace curve {

/// The site as a figure's title shows it: the curve file's two decimals,
/// hemispheres by letter, e.g. "40.40 N, 3.70 W". A value that the file
/// shows as zero counts as north or east.
///
/// @param[in] latitude   degrees, north positive
/// @param[in] longitude  degrees, east positive
std::string site_text(double latitude, double longitude);

}  // namespace curve
