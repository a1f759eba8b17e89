// velmori-cli on POSIX systems: terminals and file names are UTF-8.

#include <unistd.h>

#include <csignal>
#include <clocale>
#include <cerrno>

#include "console.h"

namespace velmori::cli {
namespace {

int Descriptor(Stream stream) { return stream == Stream::Out ? STDOUT_FILENO : STDERR_FILENO; }

}  // namespace

bool Console::IsTerminal(Stream stream) { return ::isatty(Descriptor(stream)) == 1; }

OsStatus Console::WriteUnicode(Stream stream, std::string_view utf8) {
  return WriteBytes(stream, utf8);
}

OsStatus Console::WriteBytes(Stream stream, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(Descriptor(stream), bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EPIPE) return {};  // nobody reads what follows
    if (n < 0) return OsStatus{static_cast<std::uint32_t>(errno)};
    if (n == 0) return OsStatus{EIO};
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return {};
}

std::string Console::PipeText(std::string_view utf8, unsigned) { return std::string(utf8); }

}  // namespace velmori::cli

int main(int argc, char** argv) {
  // The system's reasons in the user's language; numbers stay as JSON writes them.
  std::setlocale(LC_MESSAGES, "");
  std::setlocale(LC_CTYPE, "");
  // A reader that goes away (| head) ends the output, not the program: the
  // exit code still tells what the run found.
  std::signal(SIGPIPE, SIG_IGN);
  std::vector<velmori::NativeString> arguments(argv + 1, argv + argc);
  return velmori::cli::Run(arguments);
}
