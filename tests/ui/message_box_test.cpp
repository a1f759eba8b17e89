// The program's message boxes and the application-wide wait cursor.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "message_box.h"
#include "ui_test_support.h"
#include "wait_cursor.h"
#include "window_class.h"

namespace velmori::test {
namespace {

const HCURSOR kArrow = LoadCursorW(nullptr, IDC_ARROW);
const HCURSOR kWait = LoadCursorW(nullptr, IDC_WAIT);

TEST(SystemMessagePort, ShowsEveryStyleTaskModalWithoutOwnerUnderTheTitle) {
  const struct {
    int style;
    UINT buttonsAndIcon;
  } cases[] = {
      {kStyleError, MB_OK | MB_ICONSTOP},
      {kStyleWarning, MB_OK | MB_ICONEXCLAMATION},
      {kStyleConfirm, MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON1},
      {kStyleInformation, MB_OK | MB_ICONINFORMATION},
  };
  for (const auto& c : cases) {
    RecordingBoxes boxes;
    boxes.answers = {IDCANCEL};
    SystemMessagePort port(boxes.Function());
    EXPECT_EQ(port.ShowMessage("一行目\r\n二行目 ソース", c.style), IDCANCEL);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].type, MB_TASKMODAL | c.buttonsAndIcon) << c.style;
    EXPECT_EQ(boxes.shown[0].owner, nullptr);
    EXPECT_EQ(boxes.shown[0].title, L"Velmori");
    EXPECT_EQ(boxes.shown[0].text, L"一行目\r\n二行目 ソース");
  }
}

// What a real message box looked like while it was open.
struct OpenBox {
  bool found = false;
  std::wstring title, text;
  bool otherWindowEnabled = true;
  HCURSOR cursorOverBox = nullptr;
  HCURSOR cursorOverButton = nullptr;
};
OpenBox* g_openBox = nullptr;
HWND g_otherWindow = nullptr;

BOOL CALLBACK FindBox(HWND window, LPARAM found) {
  wchar_t name[32]{};
  GetClassNameW(window, name, 32);
  if (std::wstring(name) == L"#32770" && IsWindowVisible(window)) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK FindText(HWND child, LPARAM text) {
  wchar_t name[32]{};
  GetClassNameW(child, name, 32);
  const std::wstring content = WindowText(child);
  if (_wcsicmp(name, L"Static") == 0 && !content.empty()) {
    *reinterpret_cast<std::wstring*>(text) = content;
    return FALSE;
  }
  return TRUE;
}

void CALLBACK InspectBox(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND box = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&box));
  if (box == nullptr) return;  // not open yet
  KillTimer(nullptr, timer);
  OpenBox& seen = *g_openBox;
  seen.found = true;
  seen.title = WindowText(box);
  EnumChildWindows(box, FindText, reinterpret_cast<LPARAM>(&seen.text));
  seen.otherWindowEnabled = IsWindowEnabled(g_otherWindow) != 0;
  SetCursor(kArrow);
  SendMessageW(box, WM_SETCURSOR, reinterpret_cast<WPARAM>(box), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  seen.cursorOverBox = GetCursor();
  SetCursor(kArrow);
  const HWND ok = GetDlgItem(box, IDOK);
  SendMessageW(ok, WM_SETCURSOR, reinterpret_cast<WPARAM>(ok), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  seen.cursorOverButton = GetCursor();
  PostMessageW(box, WM_COMMAND, IDOK, 0);
}

OpenBox ShowRealBox(bool busy) {
  UniqueWindow other(CreateWindowExW(0, L"STATIC", L"other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                                     0, 100, 100, nullptr, nullptr, nullptr, nullptr));
  g_otherWindow = other.get();
  OpenBox seen;
  g_openBox = &seen;
  SetTimer(nullptr, 0, 20, InspectBox);
  SystemMessagePort port;
  int answer = 0;
  if (busy) {
    const WaitCursor wait;
    answer = port.ShowMessage("処理に失敗しました。", kStyleError);
  } else {
    answer = port.ShowMessage("処理に失敗しました。", kStyleError);
  }
  EXPECT_EQ(answer, IDOK);
  EXPECT_TRUE(IsWindowEnabled(other.get()));  // enabled again once answered
  g_openBox = nullptr;
  return seen;
}

TEST(SystemMessagePort, ARealBoxKeepsTheProgramsOtherWindowsDisabled) {
  const OpenBox seen = ShowRealBox(false);
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(seen.title, L"Velmori");
  EXPECT_EQ(seen.text, L"処理に失敗しました。");
  EXPECT_FALSE(seen.otherWindowEnabled);
  EXPECT_EQ(seen.cursorOverBox, kArrow);
}

TEST(WaitCursor, StaysOverAMessageBoxShownDuringARun) {
  const OpenBox seen = ShowRealBox(true);
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(seen.cursorOverBox, kWait);
  EXPECT_EQ(seen.cursorOverButton, kWait);
  EXPECT_EQ(GetCursor(), kArrow);
}

TEST(WaitCursor, IsTheCursorForItsLifetimeAndTheDefaultAfterwards) {
  SetCursor(kArrow);
  EXPECT_FALSE(WaitCursor::Active());
  EXPECT_FALSE(WaitCursor::Answer());
  {
    const WaitCursor wait;
    EXPECT_EQ(GetCursor(), kWait);
    EXPECT_TRUE(WaitCursor::Active());
    {
      const WaitCursor inner;
      EXPECT_TRUE(WaitCursor::Active());
    }
    EXPECT_TRUE(WaitCursor::Active());  // the outer one still lasts
    EXPECT_EQ(GetCursor(), kWait);
    SetCursor(kArrow);
    EXPECT_TRUE(WaitCursor::Answer());
    EXPECT_EQ(GetCursor(), kWait);
  }
  EXPECT_FALSE(WaitCursor::Active());
  EXPECT_EQ(GetCursor(), kArrow);
}

TEST(WaitCursor, AMovedScopeEndsOnce) {
  {
    WaitCursor first;
    WaitCursor second(std::move(first));
    EXPECT_TRUE(WaitCursor::Active());
  }
  EXPECT_FALSE(WaitCursor::Active());
  EXPECT_EQ(GetCursor(), kArrow);
}

TEST(WaitCursor, TheMainWindowAndItsControlsShowItWhileBusy) {
  MainWindowFixture fixture;
  const HCURSOR ibeam = LoadCursorW(nullptr, IDC_IBEAM);
  const struct {
    HWND window;
    HCURSOR idle;
  } cases[] = {{fixture.frm.hwnd(), kArrow}, {fixture.frm.txtVbp(), ibeam},
               {fixture.frm.cmdOK(), kArrow}};
  for (const auto& c : cases) {
    const LPARAM where = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);
    {
      const WaitCursor wait;
      SetCursor(kArrow);
      SendMessageW(c.window, WM_SETCURSOR, reinterpret_cast<WPARAM>(c.window), where);
      EXPECT_EQ(GetCursor(), kWait);
    }
    SendMessageW(c.window, WM_SETCURSOR, reinterpret_cast<WPARAM>(c.window), where);
    EXPECT_EQ(GetCursor(), c.idle);
  }
}

}  // namespace
}  // namespace velmori::test
