// velmori-cli on Windows: a console program with wide-character arguments.

#include <windows.h>

#include <algorithm>

#include "console.h"

namespace velmori::cli {
namespace {

HANDLE HandleOf(Stream stream) {
  return ::GetStdHandle(stream == Stream::Out ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
}

}  // namespace

bool Console::IsConsole(Stream stream) {
  DWORD mode = 0;
  return ::GetConsoleMode(HandleOf(stream), &mode) != 0;
}

void Console::WriteUnicode(Stream stream, std::string_view utf8) {
  const std::wstring wide = Utf8ToNative(utf8);
  std::wstring_view rest = wide;
  while (!rest.empty()) {
    DWORD written = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(rest.size(), 8192));
    if (!::WriteConsoleW(HandleOf(stream), rest.data(), want, &written, nullptr) || written == 0) {
      return;
    }
    rest.remove_prefix(written);
  }
}

void Console::WriteBytes(Stream stream, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD written = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
    if (!::WriteFile(HandleOf(stream), bytes.data(), want, &written, nullptr) || written == 0) {
      return;  // a closed pipe: nobody reads what follows
    }
    bytes.remove_prefix(written);
  }
}

std::string Console::PipeText(std::string_view utf8, unsigned codePage) {
  const std::wstring wide = Utf8ToNative(utf8);
  if (wide.empty()) return {};
  const int length = ::WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()),
                                           nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(std::max(length, 0)), '\0');
  ::WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), bytes.data(),
                        length, nullptr, nullptr);
  return bytes;
}

}  // namespace velmori::cli

int wmain(int argc, wchar_t** argv) {
  std::vector<velmori::NativeString> arguments(argv + 1, argv + argc);
  return velmori::cli::Run(arguments);
}
