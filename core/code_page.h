#pragma once
// Characters of an ANSI code page: which bytes lead a double-byte character.

#include <array>
#include <cstddef>
#include <utility>

namespace velmori {

class CodePage {
 public:
  // The lead-byte ranges of the Windows ANSI code pages 932, 936, 949, 950 and 1361;
  // every other code page is treated as single-byte.
  static CodePage ForId(unsigned id);

  // For code pages described by the system (Windows' CPINFO): inclusive lead-byte ranges.
  // Lead bytes lie at 0x80 and above in every code page of Windows, and the text
  // scanning relies on it (an ASCII byte is always a character of its own), so
  // a range below 0x80 counts only from there.
  template <typename Range>
  static CodePage FromLeadRanges(unsigned id, const Range& ranges) {
    CodePage page(id);
    for (const auto& [first, last] : ranges) page.MarkLead(first, last);
    return page;
  }

  unsigned id() const { return id_; }
  bool IsLead(unsigned char byte) const { return lead_[byte]; }
  bool HasLeadBytes() const { return hasLeadBytes_; }

  // Length in bytes of the character at p, given that the line ends at end.
  // A lead byte takes the next byte with it unless that is CR, LF or the end.
  std::size_t CharLength(const char* p, const char* end) const {
    if (!lead_[static_cast<unsigned char>(*p)] || p + 1 == end) return 1;
    const char next = p[1];
    return (next == '\r' || next == '\n') ? 1 : 2;
  }

 private:
  explicit CodePage(unsigned id) : id_(id) {}
  void MarkLead(unsigned first, unsigned last);

  unsigned id_;
  std::array<bool, 256> lead_{};
  bool hasLeadBytes_ = false;
};

}  // namespace velmori
