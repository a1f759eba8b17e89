// Fuzzes the project file reader (ParseProjectText) and the path-part functions
// on any bytes, in code page 932 and again in a code page picked by the input's
// first byte. Besides running clean under the sanitizers:
//  * the result, the source lists, the bad line and its key equal what a plain
//    character-by-character reading of the rules gives (a line gives an entry only
//    when it begins with a key; a line holding the key alone fails the read; the
//    character after the key is dropped, double quotes go, the value starts after
//    the first separator, four dots in a row give nothing, the reference is split
//    at its last backslash character and trimmed of spaces);
//  * no file name holds a backslash character, and no name or folder begins or
//    ends with a space character;
//  * GetFileNamePart, GetFolderPart and IsAbsoluteFolder agree with the same
//    reading on the input's first line.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <iterator>
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

// The oracle keeps its own reading of the keys; the program's category table
// must say the same, row for row.
constexpr bool SameAsCategoryTable() {
  if (std::size(kKeys) != velmori::kCategoryTable.size()) return false;
  for (std::size_t i = 0; i < std::size(kKeys); ++i) {
    const auto& row = velmori::kCategoryTable[i];
    if (row.category != kKeys[i].category || row.separator != kKeys[i].separator ||
        row.key.size() != kKeys[i].lowerKey.size()) {
      return false;
    }
    for (std::size_t c = 0; c < row.key.size(); ++c) {
      const char folded = row.key[c] >= 'A' && row.key[c] <= 'Z' ? row.key[c] + 32 : row.key[c];
      if (folded != kKeys[i].lowerKey[c]) return false;
    }
  }
  return true;
}
static_assert(SameAsCategoryTable(), "the oracle's keys differ from kCategoryTable");

using Chars = std::vector<std::string_view>;

// The characters [first, last) without the space characters at either end.
std::string Trimmed(const Chars& chars, std::size_t first, std::size_t last) {
  while (first < last && IsChar(chars[first], ' ')) ++first;
  while (last > first && IsChar(chars[last - 1], ' ')) --last;
  return Join(chars, first, last);
}

std::size_t LastBackslash(const Chars& chars) {
  std::size_t last = chars.size();
  for (std::size_t i = 0; i < chars.size(); ++i) {
    if (IsChar(chars[i], '\\')) last = i;
  }
  return last;
}

SourceEntry EntryOf(const Chars& value) {
  const std::size_t slash = LastBackslash(value);
  if (slash == value.size()) return SourceEntry{Trimmed(value, 0, value.size()), std::string()};
  return SourceEntry{Trimmed(value, slash + 1, value.size()), Trimmed(value, 0, slash)};
}

struct Expected {
  bool ok = true;
  SourceLists lists;
  std::int32_t badLine = 0;
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
        expected.ok = false;
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
      if (fourDots) continue;
      expected.lists[key.category].push_back(EntryOf(value));
    }
  }
  return expected;
}

std::string Printable(std::string_view bytes) {
  std::string text;
  for (unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      text += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      text += hex;
    }
  }
  return text;
}

[[noreturn]] void FailLists(const char* what, SourceCategory category,
                            const std::vector<SourceEntry>& expected,
                            const std::vector<SourceEntry>& actual) {
  auto dump = [](const char* label, const std::vector<SourceEntry>& entries) {
    std::fprintf(stderr, "  %s:\n", label);
    for (const SourceEntry& entry : entries) {
      std::fprintf(stderr, "    folder \"%s\" name \"%s\"\n", Printable(entry.folder).c_str(),
                   Printable(entry.fileName).c_str());
    }
  };
  std::fprintf(stderr, "\nINVARIANT FAILED: %s (category %d)\n", what, static_cast<int>(category));
  dump("expected", expected);
  dump("actual", actual);
  Fail(what);
}

bool SameKey(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Fold(a[i]) != Fold(b[i])) return false;
  }
  return true;
}

void CheckEntryShape(const SourceEntry& entry, const CodePage& page) {
  const Chars name = Characters(entry.fileName, page);
  const Chars folder = Characters(entry.folder, page);
  for (std::string_view character : name) {
    if (IsChar(character, '\\'))
      Fail("a file name holds a backslash", kNoLine, {}, entry.fileName);
  }
  for (const Chars* chars : {&name, &folder}) {
    if (!chars->empty() && (IsChar(chars->front(), ' ') || IsChar(chars->back(), ' ')))
      Fail("a name or folder keeps a space at an end", kNoLine, {}, Join(*chars, 0, chars->size()));
  }
}

void CheckRead(std::string_view bytes, const CodePage& page) {
  const velmori::ParsedProject parsed = velmori::ParseProjectText(bytes, page);
  const bool ok = !parsed.missingValue;
  const SourceLists& lists = parsed.lists;

  const Expected expected = ExpectedRead(bytes, page);
  if (ok != expected.ok)
    Fail(ok ? "a line holding a key alone was accepted" : "the read failed without cause");
  if (!ok) {
    if (parsed.missingValue->line != expected.badLine) Fail("the bad line has another number");
    if (!SameKey(parsed.missingValue->key, expected.key))
      Fail("the bad line's key differs", kNoLine, expected.key, parsed.missingValue->key);
    return;
  }
  for (const Key& key : kKeys) {
    const auto& actual = lists[key.category];
    if (actual != expected.lists[key.category])
      FailLists("the source list differs", key.category, expected.lists[key.category], actual);
    for (const SourceEntry& entry : actual) CheckEntryShape(entry, page);
  }
}

void CheckPathParts(std::string_view bytes, const CodePage& page) {
  const std::vector<std::string_view> lines = SplitLines(bytes);
  const std::string_view path = lines.empty() ? std::string_view() : lines.front();
  const SourceEntry expected = EntryOf(Characters(path, page));
  const std::string name = velmori::GetFileNamePart(path, page);
  const std::string folder = velmori::GetFolderPart(path, page);
  if (name != expected.fileName) Fail("GetFileNamePart differs", 0, expected.fileName, name);
  if (folder != expected.folder) Fail("GetFolderPart differs", 0, expected.folder, folder);
  CheckEntryShape(SourceEntry{name, folder}, page);

  const bool absolute =
      (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') ||
      (path.size() >= 2 && Fold(path[0]) >= 'a' && Fold(path[0]) <= 'z' && path[1] == ':');
  if (velmori::IsAbsoluteFolder(path) != absolute) Fail("IsAbsoluteFolder differs", 0, {}, path);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const CodePage shiftJis = CodePage::ForId(932);
  CheckRead(bytes, shiftJis);
  CheckPathParts(bytes, shiftJis);
  if (size > 0) {
    const CodePage page = PickCodePage(data[0]);
    if (page.id() != 932) {
      CheckRead(bytes, page);
      CheckPathParts(bytes, page);
    }
  }
  return 0;
}
