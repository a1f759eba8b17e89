// Worked examples of project lines. Line order, the key-alone failure and the
// path-part functions are checked against an independent reading by
// fuzz/fuzz_project_file.cpp.

#include <gtest/gtest.h>

#include <optional>

#include "project_file.h"

namespace velmori {
namespace {

const CodePage kShiftJis = CodePage::ForId(932);

// Shift-JIS characters whose second byte is a backslash.
#define SO "\x83\x5C"         // ソ
#define HYOU "\x95\x5C"       // 表
#define IDEO_SPACE "\x81\x40" // ideographic space

struct LineCase {
  const char* line;
  std::optional<SourceCategory> category;  // none: the line adds no entry
  const char* folder;
  const char* name;
};

class SingleLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(SingleLine, GivesTheExpectedEntry) {
  const LineCase& c = GetParam();
  const ParsedProject parsed = ParseProjectText(c.line, kShiftJis);
  ASSERT_FALSE(parsed.valuelessKey);
  SourceLists expected;
  if (c.category) expected[*c.category].push_back({c.name, c.folder});
  EXPECT_TRUE(parsed.lists == expected) << c.line;
}

using C = SourceCategory;
INSTANTIATE_TEST_SUITE_P(
    ProjectLines, SingleLine,
    ::testing::Values(
        LineCase{"Form=frmMain.frm", C::Form, "", "frmMain.frm"},
        LineCase{"Module=basMain; basMain.bas", C::Module, "", "basMain.bas"},
        LineCase{"Class=clsLog; ..\\Common\\clsLog.cls", C::Class, "..\\Common", "clsLog.cls"},
        LineCase{"UserControl=ctlGrid.ctl", C::UserControl, "", "ctlGrid.ctl"},
        LineCase{"PropertyPage=Sub\\ppgGen.pag", C::PropertyPage, "Sub", "ppgGen.pag"},
        LineCase{"form=FRMA.FRM", C::Form, "", "FRMA.FRM"},
        LineCase{"FormX=frmB.frm", C::Form, "", "frmB.frm"},
        LineCase{"Form=a=b.frm", C::Form, "", "b.frm"},
        LineCase{"Form=\"Sub\\frmQ.frm\"", C::Form, "Sub", "frmQ.frm"},
        LineCase{"Form=", C::Form, "", ""},
        LineCase{"Module= basNoSeparator.bas ", C::Module, "", "basNoSeparator.bas"},
        LineCase{"Class=c; a....b.cls", std::nullopt, "", ""},
        LineCase{" Form=a.frm", std::nullopt, "", ""},
        LineCase{"", std::nullopt, "", ""},
        LineCase{"Type=Exe", std::nullopt, "", ""},
        LineCase{"UserDocument=udMain.dob", std::nullopt, "", ""},
        // Full-width letters are other characters, not letters of the key.
        LineCase{"\x82\x65orm=a.frm", std::nullopt, "", ""},
        // Second bytes 0x5C are no separators.
        LineCase{"Form=" SO "\\" HYOU ".frm", C::Form, SO, HYOU ".frm"},
        LineCase{"Module=m; " HYOU "\\" SO, C::Module, HYOU, SO},
        // The character after the key is skipped whole, also a double-byte one.
        LineCase{"Module" SO "ab\\c.bas", C::Module, "ab", "c.bas"},
        // A quote that is the second byte of a character (invalid text) stays.
        LineCase{"Form=\x81\"a.frm", C::Form, "", "\x81\"a.frm"},
        // Only ASCII spaces are trimmed.
        LineCase{"Form=" IDEO_SPACE "a.frm", C::Form, "", IDEO_SPACE "a.frm"}));

}  // namespace
}  // namespace velmori
