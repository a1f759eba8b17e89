#include "project_file.h"

#include "text_scan.h"

namespace velmori {
namespace {

using namespace scan;

// Offset of the last backslash character of `path`, or npos. Stepping forward by
// characters keeps the second byte of a double-byte character (ソ is 0x83 0x5C)
// from being taken for a separator.
std::size_t LastBackslash(std::string_view path, const CodePage& page) {
  std::size_t last = std::string_view::npos;
  const char* const begin = path.data();
  const char* const end = begin + path.size();
  for (const char* p = begin; p != end; p += page.CharLength(p, end)) {
    if (*p == '\\') last = static_cast<std::size_t>(p - begin);
  }
  return last;
}

// Without leading and trailing ASCII spaces; a space that is the second byte of
// a character stays.
std::string_view TrimSpaces(std::string_view text, const CodePage& page) {
  const char* const end = text.data() + text.size();
  const char* first = nullptr;
  const char* last = end;
  for (const char* p = text.data(); p != end;) {
    const std::size_t length = page.CharLength(p, end);
    if (length != 1 || *p != ' ') {
      if (first == nullptr) first = p;
      last = p + length;
    }
    p += length;
  }
  if (first == nullptr) return {};
  return std::string_view(first, static_cast<std::size_t>(last - first));
}

// The value of a key line: the text after the key and the character after it,
// with every double quote dropped and everything up to the first separator cut.
std::string ValueOf(std::string_view rest, char separator, const CodePage& page) {
  std::string value = WithoutQuotes(rest, page);
  const char* const begin = value.data();
  const char* const valueEnd = begin + value.size();
  for (const char* p = begin; p != valueEnd; p += page.CharLength(p, valueEnd)) {
    if (*p == separator) return value.substr(static_cast<std::size_t>(p + 1 - begin));
  }
  return value;
}

// Four dots in a row, as characters, mark a reference the project does not own.
bool HasFourDots(std::string_view value, const CodePage& page) {
  int dots = 0;
  const char* const end = value.data() + value.size();
  for (const char* p = value.data(); p != end;) {
    const std::size_t length = page.CharLength(p, end);
    dots = (length == 1 && *p == '.') ? dots + 1 : 0;
    if (dots == 4) return true;
    p += length;
  }
  return false;
}

}  // namespace

std::string WithoutQuotes(std::string_view text, const CodePage& page) {
  std::string kept;
  kept.reserve(text.size());
  const char* const end = text.data() + text.size();
  for (const char* p = text.data(); p != end;) {
    const std::size_t length = page.CharLength(p, end);
    if (!(length == 1 && *p == '"')) kept.append(p, length);
    p += length;
  }
  return kept;
}

SourceEntry SplitReference(std::string_view reference, const CodePage& page) {
  const std::size_t slash = LastBackslash(reference, page);
  if (slash == std::string_view::npos) return {std::string(TrimSpaces(reference, page)), {}};
  return {std::string(TrimSpaces(reference.substr(slash + 1), page)),
          std::string(TrimSpaces(reference.substr(0, slash), page))};
}

bool IsAbsoluteFolder(std::string_view folder) {
  if (folder.size() >= 2 && folder[0] == '\\' && folder[1] == '\\') return true;
  const char drive = FoldAscii(folder.empty() ? '\0' : folder[0]);
  return folder.size() >= 2 && drive >= 'a' && drive <= 'z' && folder[1] == ':';
}

ParsedProject ParseProjectText(std::string_view bytes, const CodePage& page) {
  ParsedProject parsed;
  LineSplitter lines(bytes);
  std::string_view line;
  for (std::int32_t number = 1; lines.Next(line); ++number) {
    for (const CategoryInfo& row : kCategoryTable) {
      if (!StartsWithNoCase(line, row.key)) continue;
      std::string_view rest = line.substr(row.key.size());
      if (rest.empty()) {
        parsed.valuelessKey = ValuelessKey{number, std::string(line.substr(0, row.key.size()))};
        return parsed;
      }
      // Skip the one character after the key, usually "=".
      rest.remove_prefix(page.CharLength(rest.data(), rest.data() + rest.size()));
      const std::string value = ValueOf(rest, row.separator, page);
      if (HasFourDots(value, page)) continue;
      parsed.lists[row.category].push_back(SplitReference(value, page));
    }
  }
  return parsed;
}

}  // namespace velmori
