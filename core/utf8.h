#pragma once
// UTF-8 as RFC 3629 defines it: the one reading of it for file names (POSIX)
// and velmori-cli's JSON.

#include <cstddef>
#include <string_view>
#include <utility>

namespace velmori {

// The code point of the UTF-8 sequence at the start of `text` and its length;
// length 0 when the bytes are no UTF-8 (a stray byte, an overlong form, a
// surrogate or a code point above U+10FFFF).
inline std::pair<char32_t, std::size_t> DecodeUtf8(std::string_view text) {
  const auto at = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  if (text.empty()) return {0, 0};
  const unsigned char lead = at(0);
  const std::size_t length = lead < 0x80   ? 1
                             : lead < 0xC2 ? 0
                             : lead < 0xE0 ? 2
                             : lead < 0xF0 ? 3
                             : lead < 0xF5 ? 4
                                           : 0;
  if (length == 0 || text.size() < length) return {0, 0};
  char32_t code = length == 1 ? lead : lead & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    if ((at(i) & 0xC0) != 0x80) return {0, 0};
    code = (code << 6) | (at(i) & 0x3F);
  }
  static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < kLeast[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
    return {0, 0};
  }
  return {code, length};
}

}  // namespace velmori
