#include "code_page.h"

namespace velmori {

void CodePage::MarkLead(unsigned first, unsigned last) {
  for (unsigned b = first < 0x80 ? 0x80 : first; b <= last && b < lead_.size(); ++b) {
    lead_[b] = true;
    hasLeadBytes_ = true;
  }
}

CodePage CodePage::ForId(unsigned id) {
  using Range = std::pair<unsigned, unsigned>;
  static constexpr Range kShiftJis[] = {{0x81, 0x9F}, {0xE0, 0xFC}};
  static constexpr Range kDoubleByte[] = {{0x81, 0xFE}};  // GBK, UHC, Big5
  static constexpr Range kJohab[] = {{0x84, 0xD3}, {0xD8, 0xDE}, {0xE0, 0xF9}};
  switch (id) {
    case 932: return FromLeadRanges(id, kShiftJis);
    case 936:
    case 949:
    case 950: return FromLeadRanges(id, kDoubleByte);
    case 1361: return FromLeadRanges(id, kJohab);
    default: return CodePage(id);
  }
}

}  // namespace velmori
