// Worked examples of comment removal in a module's code part. The whole rules
// (header lines, line ends, every byte value, code pages) are checked against
// an independent reading by fuzz/fuzz_cleaner.cpp.

#include <gtest/gtest.h>

#include "source_cleaner.h"

namespace velmori {
namespace {

const CodePage kShiftJis = CodePage::ForId(932);

std::string Clean(std::string_view source) {
  std::string cleaned;
  StripComments(source, kShiftJis, cleaned);
  return cleaned;
}

// A header that puts every following line into the code part.
constexpr char kHeader[] = "Attribute VB_Name = \"basMain\"\r\n";

struct CodeCase {
  const char* name;
  const char* code;      // lines after kHeader
  const char* expected;  // their cleaned form
};

class CodeLines : public ::testing::TestWithParam<CodeCase> {};

TEST_P(CodeLines, AreCutBeforeTheirComment) {
  const CodeCase& c = GetParam();
  EXPECT_EQ(Clean(std::string(kHeader) + c.code), std::string(kHeader) + c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Comments, CodeLines,
    ::testing::Values(
        CodeCase{"Trailing", "x = 1 ' note\r\n", "x = 1 \r\n"},
        CodeCase{"WholeLine", "' note\r\n", "\r\n"},
        CodeCase{"FurtherApostrophes", "a ' b ' c\r\n", "a \r\n"},
        CodeCase{"RemStays", "Rem note\r\n", "Rem note\r\n"},
        CodeCase{"NoComment", "Dim a As Long\r\n", "Dim a As Long\r\n"},
        CodeCase{"CodeAttributeLine", "Option Explicit\r\nAttribute Count.VB_UserMemId = 0 ' c\r\n",
                 "Option Explicit\r\nAttribute Count.VB_UserMemId = 0 \r\n"},
        // Apostrophes inside string literals open no comment.
        CodeCase{"ApostropheInLiteral", "s = \"it's\"\r\n", "s = \"it's\"\r\n"},
        CodeCase{"CommentAfterLiteral", "s = \"it's\" ' c\r\n", "s = \"it's\" \r\n"},
        CodeCase{"DoubledQuotes", "s = \"say \"\"hi'\"\"\" ' c\r\n", "s = \"say \"\"hi'\"\"\" \r\n"},
        CodeCase{"EmptyLiteral", "s = \"\" ' c\r\n", "s = \"\" \r\n"},
        CodeCase{"UnterminatedLiteral", "s = \"abc'def\r\n", "s = \"abc'def\r\n"},
        CodeCase{"LiteralEndsAtLineEnd", "s = \"a'\r\nt = 1 ' c\r\n", "s = \"a'\r\nt = 1 \r\n"},
        // A comment continued by " _" takes the next lines with it.
        CodeCase{"ContinuedComment", "x = 1 ' a _\r\nmore text\r\ny = 2\r\n",
                 "x = 1 \r\n\r\ny = 2\r\n"},
        CodeCase{"ContinuedTwice", "' a _\r\n b _\r\nc\r\nd ' e\r\n", "\r\n\r\n\r\nd \r\n"},
        CodeCase{"ContinuationWithTabsAndTrailingBlanks", "' a\t_ \t\r\nnext\r\n", "\r\n\r\n"},
        CodeCase{"UnderscoreRightAfterApostrophe", "'_\r\nnext\r\n", "\r\nnext\r\n"},
        CodeCase{"UnderscoreInWord", "' x_\r\nnext\r\n", "\r\nnext\r\n"},
        CodeCase{"UnderscoreThenText", "' a _x\r\nnext\r\n", "\r\nnext\r\n"},
        CodeCase{"ContinuationEndsAtFileEnd", "' a _", "\r\n"},
        CodeCase{"ContinuedLineWithoutBlank", "' a _\r\n_\r\nz ' c\r\n", "\r\n\r\nz \r\n"},
        CodeCase{"CodeContinuationIsNoComment", "x = a _\r\n  + b ' c\r\n",
                 "x = a _\r\n  + b \r\n"},
        // Characters, not bytes: Shift-JIS text around comments.
        CodeCase{"JapaneseComment", "s = \"\x95\x5C\x8E\xA6\" ' \x95\x5C\x8E\xA6\r\n",
                 "s = \"\x95\x5C\x8E\xA6\" \r\n"},
        CodeCase{"FullWidthApostropheStays", "x = 1 \x81\x66 c\r\n", "x = 1 \x81\x66 c\r\n"},
        CodeCase{"LeadByteTakesApostrophe", "x = \x81'y\r\n", "x = \x81'y\r\n"},
        CodeCase{"LeadByteTakesQuote", "x = \x81\"' c\r\n", "x = \x81\"\r\n"},
        CodeCase{"LeadByteTakesContinuationBlank", "' a\x81 _\r\nnext\r\n", "\r\nnext\r\n"},
        CodeCase{"SecondByteUnderscore", "' \x83\x5F _\r\nnext\r\n", "\r\n\r\n"},
        CodeCase{"LeadByteBeforeLineEnd", "x = \x83\r\n' c\x83\r\n", "x = \x83\r\n\r\n"}),
    [](const auto& test) { return std::string(test.param.name); });

struct FileCase {
  const char* name;
  const char* source;
  const char* expected;
};

class Files : public ::testing::TestWithParam<FileCase> {};

TEST_P(Files, KeepTheirHeader) { EXPECT_EQ(Clean(GetParam().source), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    AttributeLines, Files,
    ::testing::Values(
        // A designer whose caption, property and control names hold the word:
        // none of its lines is an Attribute line, so VB6's 'False note stays.
        FileCase{"DesignerWordsAreNoAttributeLines",
                 "VERSION 5.00\r\n"
                 "Begin VB.Form frmMain \r\n"
                 "   Caption         =   \"Attribute\"\r\n"
                 "   OtherAttributes = \"\"\r\n"
                 "   Begin VB.TextBox txtAttribute \r\n"
                 "      Underline       =   0   'False\r\n"
                 "   End\r\n"
                 "End\r\n"
                 "Attribute VB_Name = \"frmMain\"\r\n"
                 "x = 1 ' c\r\n",
                 "VERSION 5.00\r\n"
                 "Begin VB.Form frmMain \r\n"
                 "   Caption         =   \"Attribute\"\r\n"
                 "   OtherAttributes = \"\"\r\n"
                 "   Begin VB.TextBox txtAttribute \r\n"
                 "      Underline       =   0   'False\r\n"
                 "   End\r\n"
                 "End\r\n"
                 "Attribute VB_Name = \"frmMain\"\r\n"
                 "x = 1 \r\n"},
        FileCase{"IndentedLowerCase", "  attribute x.VB_UserMemId = 0\r\nx ' c\r\n",
                 "  attribute x.VB_UserMemId = 0\r\nx \r\n"},
        FileCase{"TabAfterWord", "\tATTRIBUTE\tVB_Name\r\nx ' c\r\n", "\tATTRIBUTE\tVB_Name\r\nx \r\n"},
        FileCase{"WordAlone", "Attribute\r\nx ' c\r\n", "Attribute\r\nx \r\n"},
        FileCase{"WordAloneBeforeLoneLf", "Attribute\nx ' c", "Attribute\r\nx \r\n"},
        // None of these lines is an Attribute line: no code part, nothing cut.
        FileCase{"EqualsRightAfterWord", "Attribute=1\r\nx ' c\r\n", "Attribute=1\r\nx ' c\r\n"},
        FileCase{"LongerWord", "Attributes x\r\nx ' c\r\n", "Attributes x\r\nx ' c\r\n"},
        FileCase{"WordInsideName", "txtAttribute x\r\nx ' c\r\n", "txtAttribute x\r\nx ' c\r\n"},
        FileCase{"WordLaterInLine", "x = \"Attribute\" ' c\r\nx ' c\r\n",
                 "x = \"Attribute\" ' c\r\nx ' c\r\n"}),
    [](const auto& test) { return std::string(test.param.name); });

struct CountCase {
  const char* name;
  const char* source;
  std::int64_t commentLines;
  bool codePart;
};

class Counts : public ::testing::TestWithParam<CountCase> {};

TEST_P(Counts, AreTheLinesThatLoseText) {
  const CountCase& c = GetParam();
  std::string cleaned;
  const StripResult result = StripComments(c.source, kShiftJis, cleaned);
  EXPECT_EQ(result.commentLines, c.commentLines);
  EXPECT_EQ(result.codePart, c.codePart);
}

INSTANTIATE_TEST_SUITE_P(
    CommentLines, Counts,
    ::testing::Values(
        CountCase{"CutLines", "Attribute a\r\nx ' c\r\ny\r\n'\r\n", 2, true},
        CountCase{"SwallowedLines", "Attribute a\r\n' c _\r\nd _\r\ne\r\nf\r\n", 3, true},
        CountCase{"ContinuationEndsOnEmptyLine", "Attribute a\r\n' c _\r\n\r\nf ' g\r\n", 2, true},
        CountCase{"LineEndsAreNoLoss", "Attribute a\nx\ry", 0, true},
        CountCase{"HeaderNotesAreNoComments", "Begin\r\n  Underline = 0 'False\r\nEnd\r\n"
                  "Attribute a\r\n", 0, false},
        CountCase{"NoAttributeLine", "x ' c\r\n", 0, false},
        CountCase{"EmptyFile", "", 0, false}),
    [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace velmori
