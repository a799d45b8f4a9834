// Text for GMT's text module, which reads escapes of its own in a label:
// every character drawn as it stands.
#pragma once

#include <string>
#include <string_view>

namespace figures {

/// A text as GMT's text module draws it literally: '@' doubled and '\'
/// written as its octal code, so that neither starts an escape; letters of
/// Latin-1 written as their octal codes (GMT's character set); any other
/// character, and bytes that are no UTF-8, drawn as '?'.
std::string gmt_text(std::string_view utf8);

}  // namespace figures
