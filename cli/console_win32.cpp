// velmori-cli on Windows: a console program with wide-character arguments.

#include <algorithm>

#include "console.h"
#include "os/win32.h"

namespace velmori::cli {
namespace {

HANDLE HandleOf(Stream stream) {
  return ::GetStdHandle(stream == Stream::Out ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
}

// The failure of the last call; a pipe whose reader has gone is none.
OsStatus WriteFailure() {
  const DWORD error = ::GetLastError();
  if (error == ERROR_NO_DATA || error == ERROR_BROKEN_PIPE) return {};
  return OsStatus{error != 0 ? error : static_cast<DWORD>(ERROR_WRITE_FAULT)};
}

}  // namespace

bool Console::IsTerminal(Stream stream) {
  DWORD mode = 0;
  return ::GetConsoleMode(HandleOf(stream), &mode) != 0;
}

OsStatus Console::WriteUnicode(Stream stream, std::string_view utf8) {
  const std::wstring wide = Utf8ToNative(utf8);
  std::wstring_view rest = wide;
  while (!rest.empty()) {
    DWORD written = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(rest.size(), 8192));
    if (!::WriteConsoleW(HandleOf(stream), rest.data(), want, &written, nullptr) || written == 0) {
      return WriteFailure();
    }
    rest.remove_prefix(written);
  }
  return {};
}

OsStatus Console::WriteBytes(Stream stream, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD written = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
    if (!::WriteFile(HandleOf(stream), bytes.data(), want, &written, nullptr) || written == 0) {
      return WriteFailure();
    }
    bytes.remove_prefix(written);
  }
  return {};
}

std::string Console::PipeText(std::string_view utf8, unsigned codePage) {
  return Narrow(codePage, Widen(CP_UTF8, utf8));
}

}  // namespace velmori::cli

int wmain(int argc, wchar_t** argv) {
  std::vector<velmori::NativeString> arguments(argv + 1, argv + argc);
  return velmori::cli::Run(arguments);
}
