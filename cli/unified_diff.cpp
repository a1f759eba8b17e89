#include "unified_diff.h"

#include <algorithm>
#include <cstddef>
#include <vector>

#include "text_scan.h"

namespace velmori::cli {
namespace {

constexpr std::size_t kContext = 3;

// The lines of a text with their line ends.
std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  const char* p = text.data();
  const char* const end = p + text.size();
  while (p != end) {
    bool crlf;
    const char* next = scan::SkipLineEnd(scan::FindLineEnd(p, end), end, crlf);
    lines.emplace_back(p, static_cast<std::size_t>(next - p));
    p = next;
  }
  return lines;
}

bool EndsWithLf(std::string_view line) { return !line.empty() && line.back() == '\n'; }

// Appends the LF-ended pieces of `bytes`, each after `sign`; a last piece
// without LF gets the marker patch knows.
void AppendPieces(char sign, std::string_view bytes, std::string& out) {
  while (!bytes.empty()) {
    const std::size_t lf = bytes.find('\n');
    const std::size_t length = lf == std::string_view::npos ? bytes.size() : lf + 1;
    out += sign;
    out.append(bytes.data(), length);
    if (lf == std::string_view::npos) out += "\n\\ No newline at end of file\n";
    bytes.remove_prefix(length);
  }
}

// The number of LF-lines (the unit of a hunk) in consecutive lines [first, last).
std::size_t PatchLines(const std::vector<std::string_view>& lines, std::size_t first,
                       std::size_t last) {
  std::size_t count = 0;
  for (std::size_t i = first; i < last; ++i) count += EndsWithLf(lines[i]);
  return count + (last > first && !EndsWithLf(lines[last - 1]));
}

// The range [first, last) of lines in one piece of text.
std::string_view Span(const std::vector<std::string_view>& lines, std::size_t first,
                      std::size_t last) {
  return {lines[first].data(),
          static_cast<std::size_t>(lines[last - 1].data() + lines[last - 1].size() -
                                   lines[first].data())};
}

}  // namespace

void AppendHunks(std::string_view original, std::string_view cleaned, std::string& out) {
  const std::vector<std::string_view> before = Lines(original);
  const std::vector<std::string_view> after = Lines(cleaned);
  const std::size_t n = std::min(before.size(), after.size());
  if (before.size() != after.size()) {  // not the cleaner's: one hunk for all
    out += "@@ -1," + std::to_string(PatchLines(before, 0, before.size())) + " +1," +
           std::to_string(PatchLines(after, 0, after.size())) + " @@\n";
    AppendPieces('-', original, out);
    AppendPieces('+', cleaned, out);
    return;
  }
  // A changed line ends with LF in the cleaned text; one that ends with a lone
  // CR in the original runs on into the next line there, which then goes too.
  std::vector<bool> changed(n);
  for (std::size_t i = 0; i < n; ++i) {
    changed[i] = before[i] != after[i] ||
                 (i > 0 && changed[i - 1] && !EndsWithLf(before[i - 1]));
  }
  // LF-lines before each line, in each text: where a hunk starts.
  std::vector<std::size_t> startBefore(n + 1, 0), startAfter(n + 1, 0);
  for (std::size_t i = 0; i < n; ++i) {
    startBefore[i + 1] = startBefore[i] + EndsWithLf(before[i]);
    startAfter[i + 1] = startAfter[i] + EndsWithLf(after[i]);
  }

  for (std::size_t i = 0; i < n;) {
    if (!changed[i]) {
      ++i;
      continue;
    }
    // A hunk: from 3 lines before this change to 3 after the last change that
    // follows within 6 unchanged lines.
    const std::size_t first = i >= kContext ? i - kContext : 0;
    std::size_t lastChange = i;
    for (std::size_t j = i; j < n && j <= lastChange + 2 * kContext; ++j) {
      if (changed[j]) lastChange = j;
    }
    const std::size_t last = std::min(n, lastChange + 1 + kContext);
    out += "@@ -" + std::to_string(startBefore[first] + 1) + "," +
           std::to_string(PatchLines(before, first, last)) + " +" +
           std::to_string(startAfter[first] + 1) + "," +
           std::to_string(PatchLines(after, first, last)) + " @@\n";
    for (std::size_t j = first; j < last;) {
      if (!changed[j]) {
        out += ' ';
        out += before[j];
        ++j;
        continue;
      }
      std::size_t blockEnd = j;
      while (blockEnd < last && changed[blockEnd]) ++blockEnd;
      AppendPieces('-', Span(before, j, blockEnd), out);
      AppendPieces('+', Span(after, j, blockEnd), out);
      j = blockEnd;
    }
    i = last;
  }
}

}  // namespace velmori::cli
