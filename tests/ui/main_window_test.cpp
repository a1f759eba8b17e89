// Both windows as created: geometry at two densities and after a change of
// density, captions, font, the progress bar, and the keyboard of the main window.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "../core/test_support.h"
#include "layout.h"
#include "source_category.h"
#include "ui_font.h"
#include "window_class.h"
#include "ui_test_support.h"

namespace velmori::test {
namespace {

// Created at the first DPI, then moved to a screen of the second.
class Geometry : public testing::TestWithParam<std::pair<unsigned, unsigned>> {
 protected:
  void SetUp() override {
    progress.Create();
    const unsigned dpi = GetParam().second;
    if (dpi == GetParam().first) return;
    // What the system does: ask each window for its size at the new density,
    // then suggest that rectangle. The frame stays at the screen's own density
    // (the test sets only the one the program lays out at): the client area
    // grows to what it asked.
    for (HWND window : {fixture.window.hwnd(), progress.hwnd()}) {
      SIZE asked{};
      SendMessageW(window, WM_GETDPISCALEDSIZE, dpi, reinterpret_cast<LPARAM>(&asked));
      const PixelSize frame = WindowSizeForClient(
          {0, 0}, static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE)),
          static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE)), dpi);
      RECT suggested{}, client{};
      GetWindowRect(window, &suggested);
      GetClientRect(window, &client);
      suggested.right += asked.cx - frame.width - client.right;
      suggested.bottom += asked.cy - frame.height - client.bottom;
      SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    }
  }
  MainWindowFixture fixture{GetParam().first};
  ProgressWindow& progress = fixture.window.progress();
};

// The client area of a window, or a child's place in its parent's client area.
PixelRect PlaceOf(HWND window) {
  RECT rect{};
  if (GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD) {
    GetWindowRect(window, &rect);
    MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
  } else {
    GetClientRect(window, &rect);
  }
  return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

// Every control stands where the twips put it at the window's density, inside
// its parent's client area, the main window's without overlapping each other;
// a label whose text needs more height grows, and what is below it moves down.
// Both windows open in the middle of the screen, in the font for the density.
TEST_P(Geometry, ControlsFitWithoutOverlapAndScaleWithDpi) {
  const unsigned dpi = GetParam().second;
  const int mainGrowth = PlaceOf(fixture.window.warningLabel()).height - LayoutMain(dpi).warningLabel.height;
  const int progressGrowth =
      PlaceOf(progress.messageLabel()).height - LayoutProgress(dpi, 0).messageLabel.height;
  EXPECT_GE(mainGrowth, 0);
  EXPECT_GE(progressGrowth, 0);
  const MainLayout main = LayoutMain(dpi, mainGrowth);
  const ProgressLayout shown = LayoutProgress(dpi, progress_twips::kBar.width, progressGrowth);
  // The path label grows to its text, at least to its designed size.
  const PixelRect pathLabel = PlaceOf(fixture.window.pathLabel());
  EXPECT_GE(pathLabel.width, main.pathLabel.width);
  EXPECT_GE(pathLabel.height, main.pathLabel.height);
  const std::vector<std::vector<std::pair<HWND, PixelRect>>> families = {
      {{fixture.window.hwnd(), {0, 0, main.client.width, main.client.height}},
       {fixture.window.pathEdit(), main.pathEdit},
       {fixture.window.browseButton(), main.browseButton},
       {fixture.window.okButton(), main.okButton},
       {fixture.window.cancelButton(), main.cancelButton},
       {fixture.window.warningLabel(), main.warningLabel},
       {fixture.window.pathLabel(), pathLabel}},
      {{progress.hwnd(), {0, 0, shown.client.width, shown.client.height}},
       {progress.messageLabel(), shown.messageLabel},
       {progress.track(), shown.track}},
      {{progress.track(), shown.track}, {progress.bar(), shown.bar}},
  };
  for (const auto& family : families) {
    const PixelRect parent = PlaceOf(family[0].first);
    for (std::size_t i = 0; i < family.size(); ++i) {
      const auto& [control, expected] = family[i];
      const PixelRect rect = PlaceOf(control);
      EXPECT_EQ(rect, expected) << GetDlgCtrlID(control);
      if (i == 0) continue;
      EXPECT_TRUE(rect.left >= 0 && rect.top >= 0 && rect.left + rect.width <= parent.width &&
                  rect.top + rect.height <= parent.height) << GetDlgCtrlID(control);
      // The message label reaches 15 twips into the track by design: main window only.
      for (std::size_t j = 1; j < i && &family == &families.front(); ++j) {
        const PixelRect other = PlaceOf(family[j].first);
        EXPECT_FALSE(rect.left < other.left + other.width && other.left < rect.left + rect.width &&
                     rect.top < other.top + other.height && other.top < rect.top + rect.height)
            << GetDlgCtrlID(control) << " and " << GetDlgCtrlID(family[j].first);
      }
    }
  }
  for (HWND window : {fixture.window.hwnd(), progress.hwnd()}) {
    RECT rect{};
    GetWindowRect(window, &rect);  // a change of density keeps the place the system suggests
    if (GetParam().first == dpi) {
      EXPECT_NEAR(rect.left + rect.right, GetSystemMetrics(SM_CXSCREEN), 1);
      EXPECT_NEAR(rect.top + rect.bottom, GetSystemMetrics(SM_CYSCREEN), 1);
    }
  }
  for (HWND window : {fixture.window.pathEdit(), progress.messageLabel()}) {
    LOGFONTW font{}, expected{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), sizeof font, &font);
    GetObjectW(CreateUiFont(dpi).get(), sizeof expected, &expected);
    EXPECT_EQ(font.lfHeight, expected.lfHeight);
  }
}

// Every caption, measured in its control's own font, lies inside the control:
// a replacement font wider than the one the geometry was drawn for grows the
// labels (the progress window's for every message it can show).
TEST_P(Geometry, NoCaptionIsClipped) {
  struct Caption {
    HWND control;
    std::wstring text;
    bool wraps = false;
  };
  std::vector<Caption> captions;
  for (HWND control : {fixture.window.pathLabel(), fixture.window.browseButton(),
                       fixture.window.okButton(), fixture.window.cancelButton()}) {
    captions.push_back({control, WindowText(control)});
  }
  captions.push_back({fixture.window.warningLabel(), WindowText(fixture.window.warningLabel()), true});
  for (const CategoryInfo& row : kCategoryTable) {
    captions.push_back({progress.messageLabel(), Utf8ToNative(row.progressMessage), true});
  }
  for (const Caption& caption : captions) {
    ASSERT_FALSE(caption.text.empty()) << GetDlgCtrlID(caption.control);
    RECT client{};
    GetClientRect(caption.control, &client);
    const auto font = reinterpret_cast<HFONT>(SendMessageW(caption.control, WM_GETFONT, 0, 0));
    SetWindowTextW(caption.control, caption.text.c_str());
    const PixelSize text = caption.wraps
                               ? WrappedTextExtent(caption.control, font, caption.text, client.right)
                               : TextExtent(caption.control, font);
    EXPECT_LE(text.width, client.right) << NativeToUtf8(caption.text);
    EXPECT_LE(text.height, client.bottom) << NativeToUtf8(caption.text);
  }
}

INSTANTIATE_TEST_SUITE_P(Dpi, Geometry,
                         testing::Values(std::pair(96u, 96u), std::pair(144u, 144u),
                                         std::pair(96u, 144u)));

// Tab goes round the controls and Alt+V to the path box; Enter presses the
// default button, OK unless another button has the focus; Esc and the close
// box end the program as Cancel does.
TEST(MainWindow, Keyboard) {
  const auto isDefault = [](HWND button) {
    return (GetWindowLongPtrW(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
  };
  for (const bool esc : {true, false}) {
    MainWindowFixture fixture;
    const MainWindow& window = fixture.window;
    const HWND order[] = {window.pathEdit(), window.browseButton(), window.okButton(),
                          window.cancelButton(), window.pathEdit()};
    ASSERT_EQ(GetFocus(), order[0]);
    for (std::size_t i = 1; i < std::size(order); ++i) {
      EXPECT_TRUE(fixture.Key(WM_KEYDOWN, VK_TAB));
      EXPECT_EQ(GetFocus(), order[i]) << i;
    }
    EXPECT_TRUE(fixture.Key(WM_SYSCHAR, L'v', 1 << 29));
    EXPECT_EQ(GetFocus(), window.pathEdit());

    int dialogs = 0;
    fixture.onDialog = [&](OPENFILENAMEW*) { return ++dialogs, FALSE; };
    fixture.answers = {IDCANCEL};
    for (const bool onBrowse : {false, true}) {
      if (onBrowse) {
        SetFocus(window.browseButton());
        PumpMessages();
      }
      EXPECT_EQ(isDefault(window.okButton()), !onBrowse);
      EXPECT_EQ(isDefault(window.browseButton()), onBrowse);
      EXPECT_FALSE(isDefault(window.cancelButton()));
      EXPECT_TRUE(fixture.Key(WM_KEYDOWN, VK_RETURN));
      EXPECT_EQ(dialogs, onBrowse ? 1 : 0);
      EXPECT_EQ(fixture.shown.size(), 1u);  // OK asks first
    }

    const HWND main = window.hwnd();
    if (esc) {
      EXPECT_TRUE(fixture.Key(WM_KEYDOWN, VK_ESCAPE));
    } else {
      SendMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    }
    EXPECT_FALSE(IsWindow(main));
    MSG quit{};
    ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << esc;
    EXPECT_EQ(quit.wParam, 0u);  // the exit code
    EXPECT_EQ(fixture.shown.size(), 1u);
  }
}

// The focus comes back to the control that had it, given by a click: when the
// window is active again after another one, and after a run, which takes it
// while the window accepts no input. A button that has it is the one Enter
// presses, and looks it.
TEST(MainWindow, TheFocusComesBackAfterAnotherWindowAndAfterARun) {
  TempFolder folder;
  folder.Write("app.vbp", "Module=a; a.bas\r\n");
  folder.Write("a.bas", kDirtyModule);
  MainWindowFixture fixture;
  const MainWindow& window = fixture.window;
  SetWindowTextW(window.pathEdit(), folder.Native("app.vbp").c_str());
  const UniqueWindow other(CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 40, 40,
                                           nullptr, nullptr, nullptr, nullptr));
  ASSERT_TRUE(other);
  const HWND buttons[] = {window.browseButton(), window.okButton(), window.cancelButton()};
  const auto defaultButton = [&] {
    HWND found = nullptr;
    for (HWND button : buttons) {
      if ((GetWindowLongPtrW(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
        EXPECT_EQ(found, nullptr) << "two default buttons";
        found = button;
      }
    }
    return found;
  };
  std::size_t runs = 0;
  for (HWND control : {window.browseButton(), window.cancelButton(), window.pathEdit(),
                       window.okButton()}) {
    const int id = GetDlgCtrlID(control);
    const HWND pressedByEnter = control == window.pathEdit() ? window.okButton() : control;
    SetFocus(control);
    PumpMessages();
    EXPECT_EQ(defaultButton(), pressedByEnter) << id;

    SetActiveWindow(other.get());
    PumpMessages();
    EXPECT_NE(GetFocus(), control) << id;
    SetActiveWindow(window.hwnd());
    PumpMessages();
    EXPECT_EQ(GetFocus(), control) << id;
    EXPECT_EQ(defaultButton(), pressedByEnter) << id;

    fixture.Click(window.okButton());
    ASSERT_EQ(fixture.shown.size(), 2 * ++runs) << id;  // the confirmation and the success
    EXPECT_EQ(GetFocus(), control) << id;
    EXPECT_EQ(defaultButton(), pressedByEnter) << id;
  }
}

// Without MS UI Gothic the windows take the system's message font at their density.
TEST(UiFont, FallsBackToTheMessageFont) {
  LOGFONTW fallback{}, message{};
  ASSERT_TRUE(MessageFontForDpi(144, message));
  GetObjectW(CreateUiFont(144, false).get(), sizeof fallback, &fallback);
  EXPECT_EQ(std::wstring(fallback.lfFaceName), message.lfFaceName);
  EXPECT_EQ(fallback.lfHeight, message.lfHeight);
}

// The main window has the icon and no length limit on the path; the progress
// window is owned by it and only the run closes it, giving the owner its input
// back before it goes (else the system activates another program); its bar
// paints each update at once.
TEST(Windows, IconPathLimitAndTheProgressWindowsPainting) {
  MainWindowFixture fixture(144);  // a density where twips and pixels differ
  EXPECT_NE(SendMessageW(fixture.window.hwnd(), WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_NE(SendMessageW(fixture.window.hwnd(), WM_GETICON, ICON_SMALL, 0), 0);
  EXPECT_GT(SendMessageW(fixture.window.pathEdit(), EM_GETLIMITTEXT, 0, 0), 32767);
  ProgressWindow& progress = fixture.window.progress();
  progress.Create();
  const HWND window = progress.hwnd();
  EXPECT_EQ(GetWindow(window, GW_OWNER), fixture.window.hwnd());  // no taskbar button of its own
  SendMessageW(window, WM_CLOSE, 0, 0);
  ASSERT_TRUE(IsWindow(window));
  progress.Show();
  // The bar is the index over the maximum, of the track's full outer width.
  const auto bar = [&] { return PlaceOf(progress.bar()).width; };  // it starts at 0
  const double track = PlaceOf(progress.track()).width;
  progress.StartBar(5, "フォームを読み込んでいます…");
  progress.MoveBar(0);
  EXPECT_EQ(bar(), 0);
  progress.MoveBar(4);
  EXPECT_NEAR(bar(), track * 4 / 5, 1);
  // A maximum of 0 changes the message alone: the bar and the maximum stay.
  progress.StartBar(0, "標準モジュールを読み込んでいます…");
  EXPECT_EQ(WindowText(progress.messageLabel()), L"標準モジュールを読み込んでいます…");
  EXPECT_NEAR(bar(), track * 4 / 5, 1);
  progress.MoveBar(5);
  EXPECT_NEAR(bar(), track, 1);
  progress.StartBar(3, "クラスモジュールを読み込んでいます…");  // a new maximum empties it
  EXPECT_EQ(bar(), 0);
  progress.MoveBar(1);
  PumpMessages();
  // Every update paints before it returns: the last one before the window
  // closes is seen too.
  const std::pair<HWND, void (*)(ProgressWindow&)> updates[] = {
      {window, [](ProgressWindow& p) { p.Repaint(); }},
      {progress.messageLabel(), [](ProgressWindow& p) { p.StartBar(3, "x"); }},
      {progress.track(), [](ProgressWindow& p) { p.MoveBar(2); }},
      {progress.bar(), [](ProgressWindow& p) { p.MoveBar(1); }},
  };
  for (const auto& [painted, update] : updates) {
    InvalidateRect(painted, nullptr, TRUE);
    ASSERT_TRUE(GetUpdateRect(painted, nullptr, FALSE)) << GetDlgCtrlID(painted);
    update(progress);
    EXPECT_FALSE(GetUpdateRect(painted, nullptr, FALSE)) << GetDlgCtrlID(painted);
  }
  EnableWindow(fixture.window.hwnd(), FALSE);  // as during a run
  progress.RunEnded();
  EXPECT_FALSE(IsWindow(window));
  EXPECT_TRUE(IsWindowEnabled(fixture.window.hwnd()));
}

}  // namespace
}  // namespace velmori::test
