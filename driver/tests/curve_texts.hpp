// The fixed lines of the curve file, as the tests expect them.
#pragma once

#include <string>

namespace driver_test {

/// Lines 1 to 10: the model's name and region, and the citation block.
inline const std::string TITLE_BLOCK =
    "      KARVEN.EU.26 Regional Archaeomagnetic Model\n"
    "          for Europe for the last 2000 years\n"
    " \n"
    "Authors (year): see the reference distributed with KARVEN_coeff.inp\n"
    "Title: the publication of the KARVEN.EU.26 model, cited in full in\n"
    "       the reference distributed with the model's coefficient file\n"
    "Journal, volume (issue), pages: as given in that reference\n"
    "Identifier: as given in that reference\n"
    " \n"
    " \n";

/// Lines 14 to 17: the error heading and the column heading.
inline const std::string HEADINGS =
    " \n"
    "                       *Errors at 95% of confidence\n"
    " \n"
    "Time(yrs) Dec.(deg) Inc.(deg) Int.(microT) eDec.(deg) eInc.(deg) eInt(microT)\n";

}  // namespace driver_test
