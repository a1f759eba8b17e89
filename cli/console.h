#pragma once
// The two output streams of velmori-cli. On a console (a terminal) text goes
// out as Unicode: WriteConsoleW on Windows, UTF-8 elsewhere. Into a pipe or a
// file it goes out as bytes: the sources' own code page unless --utf8 asks
// for UTF-8 (on POSIX systems, whose file names and terminals are UTF-8, the
// program's own texts are UTF-8 always). One implementation per platform
// (console_win32.cpp, console_posix.cpp) of the few calls at the bottom.

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "os/file_system.h"

namespace velmori::cli {

enum class Stream { Out, Err };

class Console {
 public:
  Console(bool utf8, unsigned codePage) : utf8_(utf8), codePage_(codePage) {}

  // Whether the stream is a console (Windows) or a terminal (POSIX).
  static bool IsTerminal(Stream stream);

  // The program's own text (UTF-8): messages, listings, file names.
  void Text(Stream stream, std::string_view utf8) {
    if (IsTerminal(stream)) return Terminal(stream, utf8);
    Put(stream, WriteBytes(stream, utf8_ ? std::string(utf8) : PipeText(utf8, codePage_)));
  }
  // Bytes of the sources' code page.
  void SourceText(Stream stream, std::string_view bytes) {
    if (IsTerminal(stream)) return Terminal(stream, AnsiToUtf8(bytes, codePage_));
    Put(stream, WriteBytes(stream, utf8_ ? AnsiToUtf8(bytes, codePage_) : std::string(bytes)));
  }
  // UTF-8 whatever --utf8 says: JSON is UTF-8 by definition.
  void Utf8(Stream stream, std::string_view utf8) {
    if (IsTerminal(stream)) return Terminal(stream, utf8);
    Put(stream, WriteBytes(stream, utf8));
  }

  // The first failure to write to standard output (a full disk, a broken
  // device): what the program wrote is incomplete, and it says so. A reader
  // that has gone away (| head) is no failure: it wants no more.
  OsStatus outputFailure() const { return outputFailure_; }

  // A status line on the terminal's standard error: each one is written over
  // the one before, and any other text for the terminal first clears it.
  void Status(std::string_view utf8) {
    // Columns: Japanese characters (three UTF-8 bytes) take two, ASCII one.
    std::size_t columns = 0;
    for (const char c : utf8) {
      const auto byte = static_cast<unsigned char>(c);
      columns += byte < 0x80 ? 1 : byte >= 0xC0 ? 2 : 0;
    }
    std::string line(1, '\r');
    line += utf8;
    if (columns < statusColumns_) line.append(statusColumns_ - columns, ' ');  // the old rest
    WriteUnicode(Stream::Err, line);
    statusColumns_ = std::max(statusColumns_, columns);
  }
  void ClearStatus() {
    if (statusColumns_ == 0) return;
    std::string blank(std::exchange(statusColumns_, 0) + 2, ' ');  // \r, spaces, \r
    blank.front() = blank.back() = '\r';
    WriteUnicode(Stream::Err, blank);
  }

 private:
  void Terminal(Stream stream, std::string_view utf8) {
    ClearStatus();
    Put(stream, WriteUnicode(stream, utf8));
  }
  void Put(Stream stream, OsStatus written) {
    if (stream == Stream::Out && outputFailure_.ok()) outputFailure_ = written;
  }
  // Each gives the failure of a write; a reader that has gone away is none.
  static OsStatus WriteUnicode(Stream stream, std::string_view utf8);
  static OsStatus WriteBytes(Stream stream, std::string_view bytes);
  // The program's text in the bytes a pipe gets without --utf8.
  static std::string PipeText(std::string_view utf8, unsigned codePage);

  bool utf8_;
  unsigned codePage_;
  std::size_t statusColumns_ = 0;  // of the status line on the terminal; 0: none
  OsStatus outputFailure_;
};

// The command line's work, given its arguments after the program name; the
// program's exit code. The platform's entry point calls it.
int Run(const std::vector<NativeString>& arguments);

}  // namespace velmori::cli
