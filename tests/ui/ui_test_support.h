#pragma once
// Helpers for the tests that drive the real windows in-process.

#include <windows.h>

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "frm_main.h"
#include "layout.h"
#include "message_box.h"
#include "os/file_system.h"

namespace velmori::test {

// Pixel rectangle of a child window, relative to its parent's client area.
PixelRect ChildRect(HWND child);
PixelRect ClientSize(HWND window);

// Names a test instantiated for a DPI: At96, At144.
inline std::string DpiTestName(const testing::TestParamInfo<unsigned>& tested) {
  return "At" + std::to_string(tested.param);
}

// Expected pixels for a length in twips: twips x dpi / 1440, unrounded.
inline double ExactPixels(double twips, unsigned dpi) { return twips * dpi / 1440.0; }

std::string ToUtf8(const std::wstring& text);

// Checks that a window stands in the middle of its screen (within a pixel).
void ExpectCentredOnScreen(HWND window);

// Dispatches what is waiting in the thread's queue (not WM_QUIT, which is kept
// or, with DiscardQuit, removed and reported).
void PumpMessages();
bool DiscardQuit();

// One message box the program showed, with what the screen looked like then.
struct ShownBox {
  HWND owner;
  std::wstring text;
  std::wstring title;
  UINT type;
  HCURSOR cursor;
};

// Stands in for MessageBoxW: records every call and answers from a list
// (IDOK once the list is empty). `during` runs inside each call.
class RecordingBoxes {
 public:
  MessageBoxFunction Function();
  std::vector<ShownBox> shown;
  std::deque<int> answers;
  std::function<void(const ShownBox&)> during;
};

// A folder of its own under the temporary folder, removed with its contents.
class TempFolder {
 public:
  TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder();
  const std::filesystem::path& path() const { return path_; }
  // Writes bytes to a file in the folder (sub folders are created).
  std::filesystem::path Write(const std::wstring& name, const std::string& bytes) const;

 private:
  std::filesystem::path path_;
};

std::string ReadBytes(const std::filesystem::path& file);

// Text in the system ANSI code page (Shift-JIS under the tests' locale).
std::string ToAnsi(const std::wstring& text);

// The main window with a recording message box and a replaceable Open dialog.
class MainWindowFixture {
 public:
  explicit MainWindowFixture(unsigned dpi = 96, FileSystem* files = nullptr);
  ~MainWindowFixture();

  // True once the window is active with the focus on one of its controls.
  bool WaitUntilActive();
  // Moves the focus to a control; true when it is there.
  bool Focus(HWND control);
  void Click(HWND button);
  void SetPath(const std::wstring& path);
  std::wstring Path() const;
  // Sends a key through the window's dialog keyboard handling, as the message loop does.
  bool Key(UINT message, WPARAM key, LPARAM data = 0);

  RecordingBoxes boxes;
  SystemMessagePort messages;
  OpenDialogFunctions dialog;
  int dialogCalls = 0;
  std::function<BOOL(OPENFILENAMEW*)> onDialog;
  std::function<DWORD()> onDialogError;
  FrmMain frm;
};

}  // namespace velmori::test
