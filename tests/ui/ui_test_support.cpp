#include "ui_test_support.h"

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

#include "dpi.h"
#include "window_class.h"

namespace velmori::test {

PixelRect ChildRect(HWND child) {
  RECT rect{};
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

PixelRect ClientSize(HWND window) {
  RECT rect{};
  GetClientRect(window, &rect);
  return {0, 0, rect.right, rect.bottom};
}

std::string ToUtf8(const std::wstring& text) { return NativeToUtf8(text); }

void ExpectCentredOnScreen(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT& screen = monitor.rcMonitor;
  EXPECT_NEAR(rect.left - screen.left, screen.right - rect.right, 1);
  EXPECT_NEAR(rect.top - screen.top, screen.bottom - rect.bottom, 1);
}

void PumpMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE)) {
    if (message.message == WM_QUIT) return;
    PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

bool DiscardQuit() {
  PumpMessages();
  MSG message;
  return PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
}

MessageBoxFunction RecordingBoxes::Function() {
  return [this](HWND owner, const wchar_t* text, const wchar_t* title, UINT type) {
    shown.push_back({owner, text, title, type, GetCursor()});
    if (during) during(shown.back());
    if (answers.empty()) return IDOK;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
  };
}

TempFolder::TempFolder() {
  static int serial = 0;
  path_ = std::filesystem::temp_directory_path() /
          (L"velmori-ui-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(++serial));
  std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(path_, ignored)) {
    SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
  }
  std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path TempFolder::Write(const std::wstring& name, const std::string& bytes) const {
  const std::filesystem::path file = path_ / name;
  std::filesystem::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return file;
}

std::string ReadBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string ToAnsi(const std::wstring& text) {
  const int length = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), bytes.data(), length,
                      nullptr, nullptr);
  return bytes;
}

MainWindowFixture::MainWindowFixture(unsigned dpi, FileSystem* files)
    : messages(boxes.Function()),
      dialog{[this](OPENFILENAMEW* settings) {
               ++dialogCalls;
               return onDialog ? onDialog(settings) : FALSE;
             },
             [this] { return onDialogError ? onDialogError() : DWORD{0}; }},
      frm([&] {
        SetDpiOverride(dpi);
        return MainServices{files != nullptr ? *files : SystemFileSystem(), messages,
                            SystemCodePage(), dialog};
      }()) {
  if (!frm.Load()) throw std::runtime_error("the main window was not created");
  frm.Show();
  WaitUntilActive();
}

bool MainWindowFixture::WaitUntilActive() {
  // Under Wine the X server reports focus changes later, as messages: let them
  // arrive before a test looks at the focus.
  const DWORD start = GetTickCount();
  do {
    PumpMessages();
    if (GetActiveWindow() == frm.hwnd() && GetFocus() != nullptr &&
        IsChild(frm.hwnd(), GetFocus())) {
      return true;
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  } while (GetTickCount() - start < 3000);
  return false;
}

bool MainWindowFixture::Focus(HWND control) {
  SetFocus(control);
  PumpMessages();
  return GetFocus() == control;
}

MainWindowFixture::~MainWindowFixture() {
  frm.Unload();
  DiscardQuit();
  SetDpiOverride(0);
}

void MainWindowFixture::Click(HWND button) {
  SendMessageW(GetParent(button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
               reinterpret_cast<LPARAM>(button));
}

void MainWindowFixture::SetPath(const std::wstring& path) {
  SetWindowTextW(frm.txtVbp(), path.c_str());
}

std::wstring MainWindowFixture::Path() const { return WindowText(frm.txtVbp()); }

bool MainWindowFixture::Key(UINT message, WPARAM key, LPARAM data) {
  MSG msg{};
  msg.hwnd = GetFocus();
  msg.message = message;
  msg.wParam = key;
  msg.lParam = data;
  const bool handled = frm.HandleDialogKey(msg);
  if (!handled) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  PumpMessages();
  return handled;
}

}  // namespace velmori::test
