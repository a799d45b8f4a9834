#include "figures/gmt_text.hpp"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

TEST(MapGmtText, EveryCharacterIsDrawnAsItStands) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"York, UK", "York, UK"},
      {"Kiln `touch x` $(id); a|b & c", "Kiln `touch x` $(id); a|b & c"},
      {"a@%1%b@@", "a@@%1%b@@@@"},       // '@' starts GMT's font and symbol escapes
      {"C:\\251\\", "C:\\134251\\134"},  // "\251" would be an octal character code
      {"L\xC3\xBC"
       "beck \xC3\x86r\xC3\xB8",
       "L\\374beck \\306r\\370"},  // Latin-1 by octal code
      {"\xC5\x81\xC3\xB3"
       "d\xC5\xBA",
       "?\\363d?"},                     // beyond Latin-1
      {"bad \xFC byte", "bad ? byte"},  // no UTF-8
      {"tab\there\nnew", "tab?here?new"},
      {"\xE2\x82\xAC \xF0\x9F\x8F\xBA", "? ?"},
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(figures::gmt_text(text), expected);
  }
}

}  // namespace
