// The cleaner's two ways of searching the bytes on the text the benchmarks
// measure: a generated project of every kind of source.

#include <gtest/gtest.h>

#include "source_cleaner.h"
#include "vb6_corpus.h"

namespace velmori {
namespace {

TEST(ByteSearch, BothWaysCleanAGeneratedProjectAlike) {
  const bench::GeneratedProject project = bench::GenerateProject({100, 20 * 1024, 3, {}});
  const CodePage page = CodePage::ForId(932);
  std::string vector, plain;
  for (const bench::GeneratedSource& source : project.sources) {
    const StripResult a = StripComments(source.bytes, page, vector, ByteSearch::Vector);
    const StripResult b = StripComments(source.bytes, page, plain, ByteSearch::Plain);
    ASSERT_EQ(a.notTextLine, 0) << source.nativePath;  // the generator writes text of 932
    EXPECT_TRUE(a.changed && a.codePart) << source.nativePath;
    EXPECT_EQ(vector, plain) << source.nativePath;
    EXPECT_EQ(a.commentLines, b.commentLines) << source.nativePath;
  }
}

}  // namespace
}  // namespace velmori
