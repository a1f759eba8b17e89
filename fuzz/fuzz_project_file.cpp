// Fuzzes the project file reader (ParseProjectText) and IsAbsoluteFolder on any
// bytes, in code page 932 and again in a code page picked by the input's
// first byte. Besides running clean under the sanitizers:
//  * the result, the source lists, the bad line and its key equal what a plain
//    character-by-character reading of the rules gives (a line gives an entry only
//    when it begins with a key; a line holding the key alone fails the read; the
//    character after the key is dropped, double quotes go, the value starts after
//    the first separator, four dots in a row give nothing, the reference is split
//    at its last backslash character and trimmed of spaces);
//  * IsAbsoluteFolder agrees with the same reading on the input's first line.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "code_page.h"
#include "fuzz_support.h"
#include "project_file.h"

namespace {

using velmori::CodePage;
using velmori::SourceCategory;
using velmori::SourceEntry;
using velmori::SourceLists;
using namespace velmori::fuzz;

// The oracle's own reading of the keys, not the program's category table.
struct Key {
  std::string_view lowerKey;
  char separator;
  SourceCategory category;
};

constexpr Key kKeys[] = {{"form", '=', SourceCategory::Form},
                         {"module", ';', SourceCategory::Module},
                         {"class", ';', SourceCategory::Class},
                         {"usercontrol", ';', SourceCategory::UserControl},
                         {"propertypage", ';', SourceCategory::PropertyPage}};

// The characters [first, last) without the space characters at either end.
std::string Trimmed(const Chars& chars, std::size_t first, std::size_t last) {
  while (first < last && IsChar(chars[first], ' ')) ++first;
  while (last > first && IsChar(chars[last - 1], ' ')) --last;
  std::string text;
  for (std::size_t i = first; i < last; ++i) text.append(chars[i]);
  return text;
}

SourceEntry EntryOf(const Chars& value) {
  std::size_t slash = value.size();
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (IsChar(value[i], '\\')) slash = i;
  }
  if (slash == value.size()) return SourceEntry{Trimmed(value, 0, value.size()), std::string()};
  return SourceEntry{Trimmed(value, slash + 1, value.size()), Trimmed(value, 0, slash)};
}

struct Expected {
  SourceLists lists;
  std::int32_t badLine = 0;  // 0: the read succeeds
  std::string key;
};

Expected ExpectedRead(std::string_view bytes, const CodePage& page) {
  Expected expected;
  const std::vector<std::string_view> lines = SplitLines(bytes);
  for (std::size_t n = 0; n < lines.size(); ++n) {
    const std::string_view line = lines[n];
    const Chars chars = Characters(line, page);
    for (const Key& key : kKeys) {
      if (!StartsWithNoCase(line, key.lowerKey)) continue;
      // The key's letters are one-byte characters: the key is the first
      // key-length characters, and one more character must follow it.
      const std::size_t keyLength = key.lowerKey.size();
      if (chars.size() < keyLength + 1) {
        expected.badLine = static_cast<std::int32_t>(n + 1);
        expected.key = std::string(line.substr(0, keyLength));
        return expected;
      }
      Chars value;
      for (std::size_t i = keyLength + 1; i < chars.size(); ++i) {
        if (!IsChar(chars[i], '"')) value.push_back(chars[i]);
      }
      for (std::size_t i = 0; i < value.size(); ++i) {
        if (IsChar(value[i], key.separator)) {
          value.erase(value.begin(), value.begin() + static_cast<std::ptrdiff_t>(i + 1));
          break;
        }
      }
      bool fourDots = false;
      std::size_t dots = 0;
      for (std::string_view character : value) {
        dots = IsChar(character, '.') ? dots + 1 : 0;
        fourDots = fourDots || dots >= 4;
      }
      if (!fourDots) expected.lists[key.category].push_back(EntryOf(value));
    }
  }
  return expected;
}

void CheckRead(std::string_view bytes, const CodePage& page) {
  const velmori::ParsedProject parsed = velmori::ParseProjectText(bytes, page);
  const Expected expected = ExpectedRead(bytes, page);
  if (parsed.valuelessKey) {
    Check(parsed.valuelessKey->line == expected.badLine, "the read fails at another line");
    Check(parsed.valuelessKey->key == expected.key, "the bad line's key differs");
    return;
  }
  Check(expected.badLine == 0, "a line holding a key alone was accepted");
  Check(parsed.lists == expected.lists, "a source list differs");
}

// IsAbsoluteFolder, which the run asks of each module's folder, on the first
// line. (The reader splits every value with SplitReference, so CheckRead
// covers that.)
void CheckAbsoluteFolder(std::string_view bytes) {
  const std::vector<std::string_view> lines = SplitLines(bytes);
  const std::string_view path = lines.empty() ? std::string_view() : lines.front();
  const bool absolute =
      (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') ||
      (path.size() >= 2 && Fold(path[0]) >= 'a' && Fold(path[0]) <= 'z' && path[1] == ':');
  Check(velmori::IsAbsoluteFolder(path) == absolute, "IsAbsoluteFolder differs");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (const CodePage& page : CodePagesFor(bytes)) CheckRead(bytes, page);
  CheckAbsoluteFolder(bytes);
  return 0;
}
