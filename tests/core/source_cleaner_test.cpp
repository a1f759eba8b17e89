// Worked examples of comment removal: code lines, Attribute lines, the counts,
// and text that is not text of the code page. The whole rules (every byte
// value, code pages, both ways of searching the bytes) are checked against an
// independent reading by fuzz/fuzz_cleaner.cpp.

#include <gtest/gtest.h>

#include "source_cleaner.h"

namespace velmori {
namespace {

const CodePage kShiftJis = CodePage::ForId(932);

// The cleaned text, which both ways of searching the bytes must agree on.
std::string Clean(std::string_view source) {
  std::string cleaned;
  std::string plain;
  StripComments(source, kShiftJis, cleaned);
  StripComments(source, kShiftJis, plain, ByteSearch::Plain);
  EXPECT_EQ(cleaned, plain) << "the plain search disagrees";
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

// The text is searched in blocks of 64 bytes, and the lines of the last block
// are cleaned another way: the same lines, moved across a block boundary and
// followed by more, come out the same.
TEST_P(CodeLines, AreCutTheSameAcrossBlocks) {
  const CodeCase& c = GetParam();
  if (!std::string_view(c.code).ends_with('\n')) GTEST_SKIP() << "the case needs the text's end";
  std::string after;
  for (int i = 0; i < 20; ++i) after += "x = 1\r\n";
  for (std::size_t shift = 0; shift < 64; ++shift) {
    const std::string before = kHeader + std::string(shift, ' ') + "\r\n";
    EXPECT_EQ(Clean(before + c.code + after), before + c.expected + after) << "moved by " << shift;
  }
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
        CodeCase{"QuoteInCommentOpensNothing", "x = 1 ' 5\" disk\r\ns = \"a'b\" ' c\r\n",
                 "x = 1 \r\ns = \"a'b\" \r\n"},
        CodeCase{"LoneLineEndsAmongCrLf", "x = 1 ' c\ny = 2\rz ' c\r\n", "x = 1 \r\ny = 2\r\nz \r\n"},
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
        CodeCase{"SecondByteUnderscore", "' \x83\x5F _\r\nnext\r\n", "\r\n\r\n"},
        CodeCase{"LeadByteBeforeLineEnd", "x = \x83\r\n' c\x83\r\n", "x = \x83\r\n\r\n"}),
    [](const auto& test) { return std::string(test.param.name); });

struct FileCase {
  const char* name;
  std::string source;
  std::string expected;
};

class Files : public ::testing::TestWithParam<FileCase> {};

TEST_P(Files, KeepTheirHeader) { EXPECT_EQ(Clean(GetParam().source), GetParam().expected); }

// A designer whose caption, property and control names hold the word: none of
// its lines is an Attribute line, so VB6's 'False note stays.
const std::string kDesigner =
    "VERSION 5.00\r\n"
    "Begin VB.Form frmMain \r\n"
    "   Caption         =   \"Attribute\"\r\n"
    "   OtherAttributes = \"\"\r\n"
    "   Begin VB.TextBox txtAttribute \r\n"
    "      Underline       =   0   'False\r\n"
    "   End\r\n"
    "End\r\n"
    "Attribute VB_Name = \"frmMain\"\r\n";

INSTANTIATE_TEST_SUITE_P(
    AttributeLines, Files,
    ::testing::Values(
        FileCase{"DesignerWordsAreNoAttributeLines", kDesigner + "x = 1 ' c\r\n",
                 kDesigner + "x = 1 \r\n"},
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
        CountCase{"CutLastLineWithoutLineEnd", "Attribute a\r\nx ' c", 1, true},
        CountCase{"HeaderNotesAreNoComments", "Begin\r\n  Underline = 0 'False\r\nEnd\r\n"
                  "Attribute a\r\n", 0, false},
        CountCase{"NoAttributeLine", "x ' c\r\n", 0, false},
        CountCase{"EmptyFile", "", 0, false}),
    [](const auto& test) { return std::string(test.param.name); });

// ---------------------------------------------------------------------------
// Text of the code page. A double-byte character never has a second byte below
// 0x40, and no text has a NUL: such bytes mean the file is in another code page
// or in UTF-16, where an apostrophe or a quote may be taken for a second byte.

// The UTF-16LE form of ASCII text, with its byte order mark.
std::string Utf16Le(std::string_view ascii) {
  std::string bytes = "\xFF\xFE";
  for (const char c : ascii) bytes.append({c, '\0'});
  return bytes;
}

struct NotTextCase {
  const char* name;
  unsigned codePage;
  std::string source;
  std::int64_t line;  // of the first byte that is not text
};

class NotText : public ::testing::TestWithParam<NotTextCase> {};

TEST_P(NotText, IsFoundOnItsLine) {
  const NotTextCase& c = GetParam();
  std::string cleaned;
  const StripResult result = StripComments(c.source, CodePage::ForId(c.codePage), cleaned);
  EXPECT_EQ(result.notTextLine, c.line);
  EXPECT_FALSE(result.changed);
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(
    CodePages, NotText,
    ::testing::Values(
        // Arabic (1256) read as 932: 0xF6 leads and takes the closing quote, so
        // the apostrophe in the next literal would start a comment.
        NotTextCase{"ArabicLineReadAsShiftJis", 932,
                    kHeader + "Set r = Find(\"name\xF6\", \"ID<>'\" & Trim(x) & \"'\")\r\n"s, 2},
        NotTextCase{"NulInCode", 932, kHeader + "x = 1\r\ny\0 = 2\r\n"s, 3},
        NotTextCase{"NulInHeader", 932, "VERSION 5.00\r\nBegin\0\r\nAttribute a\r\nx ' c\r\n"s, 2},
        NotTextCase{"NulInSingleByteCodePage", 1252, "Attribute a\r\nx\0"s, 2},
        NotTextCase{"Utf16WithByteOrderMark", 932, Utf16Le("Attribute VB_Name = \"a\"\r\nx ' c\r\n"), 1},
        NotTextCase{"LeadByteTakesApostrophe", 932, kHeader + "x = \x81'y\r\n"s, 2},
        NotTextCase{"LeadByteTakesQuote", 932, kHeader + "x = \x81\"' c\r\n"s, 2},
        NotTextCase{"LeadByteTakesContinuationBlank", 932, kHeader + "' a\x81 _\r\nnext\r\n"s, 2},
        NotTextCase{"OddRunOfLeadBytes", 932, kHeader + "x = \x81\x81\x81' c\r\n"s, 2},
        NotTextCase{"EveryKindOfLineEndCounts", 932, "a\rb\nc\r\nd\r\n\r\ne\x9F\t"s, 6},
        NotTextCase{"LeadBytesOfTheCodePage", 936, kHeader + "x = \xFE\"\"\r\n"s, 2},
        NotTextCase{"FirstOfTwo", 932, "\x81 a\r\nb\0"s, 1}),
    [](const auto& test) { return std::string(test.param.name); });

struct TextCase {
  const char* name;
  unsigned codePage;
  std::string source;
  std::string expected;
};

class Text : public ::testing::TestWithParam<TextCase> {};

TEST_P(Text, IsCleaned) {
  const TextCase& c = GetParam();
  std::string cleaned;
  const StripResult result = StripComments(c.source, CodePage::ForId(c.codePage), cleaned);
  EXPECT_EQ(result.notTextLine, 0);
  EXPECT_EQ(cleaned, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    CodePages, Text,
    ::testing::Values(
        // A lead byte before a line end or the end of the text stands alone.
        TextCase{"LeadByteBeforeCrLf", 932, kHeader + "x = \x83\r\n' c\x83\r\n"s,
                 kHeader + "x = \x83\r\n\r\n"s},
        TextCase{"LeadByteBeforeLoneLf", 932, kHeader + "x = \x83\ny ' c\x83\n"s,
                 kHeader + "x = \x83\r\ny \r\n"s},
        TextCase{"LeadByteAtTheEnd", 932, kHeader + "x ' c\r\ny = \x83"s,
                 kHeader + "x \r\ny = \x83\r\n"s},
        // A lead-byte value may be a second byte: 0x81 0x81 is one character.
        TextCase{"LeadValueAsSecondByte", 932, kHeader + "x = \x81\x81 ' c\r\n"s,
                 kHeader + "x = \x81\x81 \r\n"s},
        TextCase{"ArabicLineInItsCodePage", 1256,
                 kHeader + "Set r = Find(\"name\xF6\", \"ID<>'\" & Trim(x) & \"'\") ' c\r\n"s,
                 kHeader + "Set r = Find(\"name\xF6\", \"ID<>'\" & Trim(x) & \"'\") \r\n"s},
        TextCase{"NoLeadBytesInShiftJis", 932, kHeader + "x = \"\xFE\" ' c\r\n"s,
                 kHeader + "x = \"\xFE\" \r\n"s}),
    [](const auto& test) { return std::string(test.param.name); });

// Every double-byte character of a code page (a lead byte and any byte from
// 0x40 on) is cleaned as a character: before a comment and inside a literal.
TEST(DoubleByteCharacters, AreCleanedAsCharacters) {
  for (const unsigned id : {932u, 936u, 949u, 950u, 1361u}) {
    const CodePage page = CodePage::ForId(id);
    std::string source;
    std::string expected;
    for (unsigned lead = 0x80; lead <= 0xFF; ++lead) {
      if (!page.IsLead(static_cast<unsigned char>(lead))) continue;
      for (unsigned second = 0x40; second <= 0xFF; ++second) {
        const std::string pair{static_cast<char>(lead), static_cast<char>(second)};
        source += "x = " + pair + " ' c\r\ns = \"" + pair + "\" & \"" + pair + "'\" ' c\r\n";
        expected += "x = " + pair + " \r\ns = \"" + pair + "\" & \"" + pair + "'\" \r\n";
      }
    }
    std::string cleaned;
    const StripResult result = StripComments(kHeader + source, page, cleaned);
    EXPECT_EQ(result.notTextLine, 0) << "code page " << id;
    EXPECT_EQ(cleaned, kHeader + expected) << "code page " << id;
  }
}

}  // namespace
}  // namespace velmori
