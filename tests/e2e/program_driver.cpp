#include "program_driver.h"

#include <thread>

namespace velmori::test {
namespace {

std::wstring g_programPath;

using Clock = std::chrono::steady_clock;

struct Search {
  DWORD process;
  std::wstring windowClass, title, notText;
  bool messageBox;
  HWND found;
};

std::wstring ClassOf(HWND window) {
  wchar_t name[64]{};
  GetClassNameW(window, name, 64);
  return name;
}

BOOL CALLBACK MatchWindow(HWND window, LPARAM context) {
  auto& search = *reinterpret_cast<Search*>(context);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != search.process || !IsWindowVisible(window)) return TRUE;
  if (_wcsicmp(ClassOf(window).c_str(), search.windowClass.c_str()) != 0) return TRUE;
  if (!search.title.empty() && TextOf(window) != search.title) return TRUE;
  if (search.messageBox) {
    // A box being made or taken down has no text yet or any more.
    const std::wstring text = MessageBoxText(window);
    if (text.empty() || text == search.notText) return TRUE;
  }
  search.found = window;
  return FALSE;
}

HWND WaitFor(Search search, std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  do {
    search.found = nullptr;
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) return search.found;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  } while (Clock::now() < deadline);
  return nullptr;
}

struct ChildSearch {
  std::wstring windowClass, text;
  HWND found;
};

BOOL CALLBACK MatchChild(HWND child, LPARAM context) {
  auto& search = *reinterpret_cast<ChildSearch*>(context);
  if (_wcsicmp(ClassOf(child).c_str(), search.windowClass.c_str()) != 0) return TRUE;
  if (!search.text.empty() && TextOf(child) != search.text) return TRUE;
  search.found = child;
  return FALSE;
}

BOOL CALLBACK LongestStatic(HWND child, LPARAM context) {
  auto& text = *reinterpret_cast<std::wstring*>(context);
  if (_wcsicmp(ClassOf(child).c_str(), L"Static") != 0) return TRUE;
  const std::wstring content = TextOf(child);
  if (content.size() > text.size()) text = content;
  return TRUE;
}

}  // namespace

const std::wstring& ProgramPath() { return g_programPath; }
void SetProgramPath(const std::wstring& path) { g_programPath = path; }

RunningProgram::RunningProgram(const std::wstring& exe) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  std::wstring commandLine = L"\"" + exe + L"\"";
  if (CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                     nullptr, &startup, &info)) {
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    id_ = info.dwProcessId;
    WaitForInputIdle(process_, 10000);
  }
}

RunningProgram::~RunningProgram() {
  if (process_ == nullptr) return;
  if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
    TerminateProcess(process_, 99);  // the test failed part-way: do not leave it running
    WaitForSingleObject(process_, 5000);
  }
  CloseHandle(process_);
}

long RunningProgram::WaitForExit(std::chrono::milliseconds limit) {
  if (process_ == nullptr) return -1;
  if (WaitForSingleObject(process_, static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0) return -1;
  DWORD code = 0;
  GetExitCodeProcess(process_, &code);
  return static_cast<long>(code);
}

HWND WaitForWindow(DWORD process, const std::wstring& windowClass, const std::wstring& title,
                   std::chrono::milliseconds limit) {
  return WaitFor({process, windowClass, title, L"", false, nullptr}, limit);
}

HWND WaitForMessageBox(DWORD process, const std::wstring& notText,
                       std::chrono::milliseconds limit) {
  return WaitFor({process, L"#32770", L"", notText, true, nullptr}, limit);
}

std::wstring TextOf(HWND window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) {
    return L"";
  }
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                      SMTO_ABORTIFHUNG, 5000, &copied);
  text.resize(copied);
  return text;
}

std::wstring MessageBoxText(HWND box) {
  std::wstring text;
  EnumChildWindows(box, LongestStatic, reinterpret_cast<LPARAM>(&text));
  return text;
}

HWND FindChild(HWND parent, const std::wstring& windowClass, const std::wstring& text) {
  ChildSearch search{windowClass, text, nullptr};
  EnumChildWindows(parent, MatchChild, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool Type(HWND control, const std::wstring& text) {
  for (wchar_t ch : text) PostMessageW(control, WM_CHAR, ch, 1);
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  while (Clock::now() < deadline) {
    if (TextOf(control) == text) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

void PressKey(HWND focus, WPARAM key) {
  const UINT scan = MapVirtualKeyW(static_cast<UINT>(key), MAPVK_VK_TO_VSC);
  PostMessageW(focus, WM_KEYDOWN, key, 1 | static_cast<LPARAM>(scan) << 16);
  PostMessageW(focus, WM_KEYUP, key, 1 | static_cast<LPARAM>(scan) << 16 | 3LL << 30);
}

void Click(HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }

bool WaitUntilGone(HWND window, std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  while (IsWindow(window) && IsWindowVisible(window)) {
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

}  // namespace velmori::test
