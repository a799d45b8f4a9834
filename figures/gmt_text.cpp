#include "figures/gmt_text.hpp"

namespace figures {

namespace {

// Appends one code point as GMT draws it.
void append_code_point(std::string& text, char32_t c) {
  if (c == U'@') {
    text += "@@";
  } else if (c == U'\\') {
    text += "\\134";
  } else if (c >= 0x20 && c < 0x7f) {
    text += static_cast<char>(c);
  } else if (c >= 0xa0 && c <= 0xff) {
    // The octal code of a Latin-1 letter, which GMT's default character
    // set places where Latin-1 does.
    text += '\\';
    text += static_cast<char>('0' + ((c >> 6) & 7));
    text += static_cast<char>('0' + ((c >> 3) & 7));
    text += static_cast<char>('0' + (c & 7));
  } else {
    text += '?';
  }
}

}  // namespace

std::string gmt_text(std::string_view utf8) {
  std::string text;
  std::size_t at = 0;
  while (at < utf8.size()) {
    const auto lead = static_cast<unsigned char>(utf8[at]);
    const int length = lead < 0x80         ? 1
                       : (lead >> 5) == 6  ? 2
                       : (lead >> 4) == 14 ? 3
                       : (lead >> 3) == 30 ? 4
                                           : 0;
    char32_t c = length == 1   ? lead
                 : length == 2 ? lead & 0x1f
                 : length == 3 ? lead & 0x0f
                               : lead & 0x07;
    bool valid = length > 0 && at + static_cast<std::size_t>(length) <= utf8.size();
    for (int k = 1; valid && k < length; ++k) {
      const auto next = static_cast<unsigned char>(utf8[at + static_cast<std::size_t>(k)]);
      valid = (next >> 6) == 2;
      c = (c << 6) | (next & 0x3f);
    }
    if (!valid) {
      text += '?';
      ++at;
      continue;
    }
    append_code_point(text, c);
    at += static_cast<std::size_t>(length);
  }
  return text;
}

}  // namespace figures
