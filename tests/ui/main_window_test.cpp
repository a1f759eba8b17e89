// The main window as created: geometry, texts, styles, font and keyboard.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string_view>
#include <string>
#include <utility>
#include <vector>

#include "dpi.h"
#include "ui_font.h"
#include "ui_test_support.h"
#include "window_class.h"

namespace velmori::test {
namespace {

struct ControlCase {
  const char* name;
  HWND (FrmMain::*control)() const noexcept;
  double left, top, width, height;  // twips, relative to the client area
};

// The controls of the window. The buttons stand in the frame fraBtn at
// (3120, 1680), at (0, 30) and (1440, 30) within it.
const ControlCase kControls[] = {
    {"lblVbp", &FrmMain::lblVbp, 300, 180, 1980, 195},
    {"txtVbp", &FrmMain::txtVbp, 240, 420, 5235, 285},
    {"cmdVbp", &FrmMain::cmdVbp, 5520, 420, 315, 255},
    {"cmdOK", &FrmMain::cmdOK, 3120 + 0, 1680 + 30, 1335, 315},
    {"cmdCancel", &FrmMain::cmdCancel, 3120 + 1440, 1680 + 30, 1335, 315},
    {"Label1", &FrmMain::Label1, 240, 900, 5595, 615},
};

class MainWindowGeometry : public testing::TestWithParam<unsigned> {};

// The label before the path box is sized to its text: it keeps its designed size
// unless the font in use needs more (a replacement font for MS UI Gothic may).
double LabelLength(HWND label, double designedPixels, bool width) {
  const auto font = reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0));
  const HDC dc = GetDC(label);
  const HGDIOBJ old = SelectObject(dc, font);
  RECT text{};
  const std::wstring caption = WindowText(label);
  DrawTextW(dc, caption.c_str(), -1, &text, DT_CALCRECT | DT_SINGLELINE);
  SelectObject(dc, old);
  ReleaseDC(label, dc);
  return std::max(designedPixels, static_cast<double>(width ? text.right : text.bottom));
}

TEST_P(MainWindowGeometry, EveryControlIsWithinOnePixelOfItsTwips) {
  const unsigned dpi = GetParam();
  MainWindowFixture fixture(dpi);
  ASSERT_EQ(fixture.frm.dpi(), dpi);
  for (const auto& c : kControls) {
    const HWND control = (fixture.frm.*c.control)();
    const PixelRect rect = ChildRect(control);
    const bool sizedToText = control == fixture.frm.lblVbp();
    double width = ExactPixels(c.width, dpi);
    double height = ExactPixels(c.height, dpi);
    if (sizedToText) {
      width = LabelLength(control, width, true);
      height = LabelLength(control, height, false);
    }
    EXPECT_NEAR(rect.left, ExactPixels(c.left, dpi), 1) << c.name;
    EXPECT_NEAR(rect.top, ExactPixels(c.top, dpi), 1) << c.name;
    EXPECT_NEAR(rect.width, width, 1) << c.name;
    EXPECT_NEAR(rect.height, height, 1) << c.name;
  }
}

TEST_P(MainWindowGeometry, TheClientAreaIsWithinOnePixelOfItsTwips) {
  const unsigned dpi = GetParam();
  MainWindowFixture fixture(dpi);
  const PixelRect client = ClientSize(fixture.frm.hwnd());
  EXPECT_NEAR(client.width, ExactPixels(6105, dpi), 1);
  EXPECT_NEAR(client.height, ExactPixels(2190, dpi), 1);
}

TEST_P(MainWindowGeometry, TheWindowIsCentredOnTheScreen) {
  MainWindowFixture fixture(GetParam());
  ExpectCentredOnScreen(fixture.frm.hwnd());
}

TEST_P(MainWindowGeometry, TheFontIsMsUiGothicOrTheMessageFont) {
  const unsigned dpi = GetParam();
  MainWindowFixture fixture(dpi);
  LOGFONTW expected{};
  if (FontFamilyInstalled(kUiFaceName, SHIFTJIS_CHARSET)) {
    expected.lfHeight = -static_cast<LONG>(std::lround(9.75 * dpi / 72));
    expected.lfCharSet = SHIFTJIS_CHARSET;
    expected.lfWeight = FW_NORMAL;
    std::wstring_view(L"MS UI Gothic").copy(expected.lfFaceName, LF_FACESIZE - 1);
  } else {
    ASSERT_TRUE(MessageFontForDpi(dpi, expected));
  }
  for (HWND window : {fixture.frm.lblVbp(), fixture.frm.txtVbp(),
                      fixture.frm.cmdVbp(), fixture.frm.cmdOK(), fixture.frm.cmdCancel(),
                      fixture.frm.Label1()}) {
    const auto font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr);
    LOGFONTW actual{};
    ASSERT_NE(GetObjectW(font, sizeof actual, &actual), 0);
    EXPECT_EQ(std::wstring(actual.lfFaceName), std::wstring(expected.lfFaceName));
    EXPECT_EQ(actual.lfHeight, expected.lfHeight);
    EXPECT_EQ(actual.lfCharSet, expected.lfCharSet);
    EXPECT_EQ(actual.lfWeight, expected.lfWeight);
    EXPECT_FALSE(actual.lfItalic);
  }
}

INSTANTIATE_TEST_SUITE_P(Dpi, MainWindowGeometry, testing::Values(96u, 144u),
                         DpiTestName);

TEST(MainWindowDpiChange, RescalesControlsAndFontToTheNewDensity) {
  MainWindowFixture fixture(96);
  const HWND window = fixture.frm.hwnd();
  RECT before{};
  GetWindowRect(window, &before);
  const PixelSize outer = WindowSizeForClient(LayoutMain(144).client,
                                              static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE)),
                                              0, 144);
  RECT suggested{before.left, before.top, before.left + outer.width, before.top + outer.height};
  SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));

  EXPECT_EQ(fixture.frm.dpi(), 144u);
  for (const auto& c : kControls) {
    const HWND control = (fixture.frm.*c.control)();
    if (control == fixture.frm.lblVbp()) continue;  // sized to its text
    const PixelRect rect = ChildRect(control);
    EXPECT_NEAR(rect.left, ExactPixels(c.left, 144), 1) << c.name;
    EXPECT_NEAR(rect.top, ExactPixels(c.top, 144), 1) << c.name;
    EXPECT_NEAR(rect.width, ExactPixels(c.width, 144), 1) << c.name;
    EXPECT_NEAR(rect.height, ExactPixels(c.height, 144), 1) << c.name;
  }
  const PixelRect label = ChildRect(fixture.frm.lblVbp());
  EXPECT_NEAR(label.left, ExactPixels(300, 144), 1);
  EXPECT_NEAR(label.top, ExactPixels(180, 144), 1);
  EXPECT_NEAR(label.width, LabelLength(fixture.frm.lblVbp(), ExactPixels(1980, 144), true), 1);
  RECT after{};
  GetWindowRect(window, &after);
  EXPECT_EQ(after.left, suggested.left);
  EXPECT_EQ(after.right, suggested.right);
  EXPECT_EQ(after.bottom, suggested.bottom);
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(fixture.frm.txtVbp(), WM_GETFONT, 0, 0)),
             sizeof font, &font);
  LOGFONTW at144{};
  GetObjectW(CreateUiFont(144).get(), sizeof at144, &at144);
  EXPECT_EQ(font.lfHeight, at144.lfHeight);
}

TEST(UiFont, FallsBackToTheMessageFontWhenMsUiGothicIsMissing) {
  for (unsigned dpi : {96u, 144u}) {
    LOGFONTW message{};
    ASSERT_TRUE(MessageFontForDpi(dpi, message));
    LOGFONTW fallback{};
    GetObjectW(CreateUiFont(dpi, false).get(), sizeof fallback, &fallback);
    EXPECT_EQ(std::wstring(fallback.lfFaceName), std::wstring(message.lfFaceName));
    EXPECT_EQ(fallback.lfHeight, message.lfHeight);

    LOGFONTW gothic{};
    GetObjectW(CreateUiFont(dpi, true).get(), sizeof gothic, &gothic);
    EXPECT_EQ(std::wstring(gothic.lfFaceName), L"MS UI Gothic");
    EXPECT_EQ(gothic.lfCharSet, SHIFTJIS_CHARSET);
    EXPECT_EQ(gothic.lfWeight, FW_NORMAL);
    EXPECT_EQ(gothic.lfHeight, dpi == 96 ? -13 : -20);  // 9.75 pt: 13 px, 19.5 px
  }
}

TEST(MainWindow, TextsAreThoseOfTheProgram) {
  MainWindowFixture fixture;
  EXPECT_EQ(WindowText(fixture.frm.hwnd()), L"Velmori");
  EXPECT_EQ(WindowText(fixture.frm.lblVbp()), L"Visual Basic Project(&V):");
  EXPECT_EQ(WindowText(fixture.frm.txtVbp()), L"");
  EXPECT_EQ(WindowText(fixture.frm.cmdVbp()), L"...");
  EXPECT_EQ(WindowText(fixture.frm.cmdOK()), L"OK");
  EXPECT_EQ(WindowText(fixture.frm.cmdCancel()), L"キャンセル");
  EXPECT_EQ(WindowText(fixture.frm.Label1()),
            L"指定した vbp ファイルに含まれる全モジュールが更新の対象となります。\r\n"
            L"既存のモジュールが上書きされますので、実行前に必ずバックアップをとってください。");
}

TEST(MainWindow, HasAFixedFrameWithMinimizeButNoMaximize) {
  MainWindowFixture fixture;
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(fixture.frm.hwnd(), GWL_STYLE));
  EXPECT_EQ(style & WS_CAPTION, static_cast<DWORD>(WS_CAPTION));
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_FALSE(style & WS_POPUP);
  EXPECT_TRUE(IsWindowVisible(fixture.frm.hwnd()));
}

TEST(MainWindow, CarriesTheProgramIcon) {
  MainWindowFixture fixture;
  const HWND window = fixture.frm.hwnd();
  for (WPARAM kind : {ICON_BIG, ICON_SMALL}) {
    const auto icon = reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, kind, 0));
    ASSERT_NE(icon, nullptr) << kind;
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP bitmap{};
    GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
    EXPECT_EQ(bitmap.bmWidth, kind == ICON_BIG ? 32 : 16);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
  }
  EXPECT_NE(GetClassLongPtrW(window, GCLP_HICON), 0);
}

TEST(MainWindow, OpensWithTheFocusInThePathBox) {
  MainWindowFixture fixture;
  ASSERT_TRUE(fixture.WaitUntilActive());
  EXPECT_EQ(GetFocus(), fixture.frm.txtVbp());
}

TEST(MainWindow, TabAndShiftTabMoveTheFocusThroughTheControls) {
  MainWindowFixture fixture;
  const HWND order[] = {fixture.frm.txtVbp(), fixture.frm.cmdVbp(), fixture.frm.cmdOK(),
                        fixture.frm.cmdCancel(), fixture.frm.txtVbp()};
  ASSERT_EQ(GetFocus(), order[0]);
  for (std::size_t i = 1; i < std::size(order); ++i) {
    EXPECT_TRUE(fixture.Key(WM_KEYDOWN, VK_TAB));
    EXPECT_EQ(GetFocus(), order[i]) << i;
  }
  BYTE keys[256]{};
  GetKeyboardState(keys);
  keys[VK_SHIFT] = 0x80;
  SetKeyboardState(keys);
  EXPECT_TRUE(fixture.Key(WM_KEYDOWN, VK_TAB));
  keys[VK_SHIFT] = 0;
  SetKeyboardState(keys);
  EXPECT_EQ(GetFocus(), fixture.frm.cmdCancel());
  // The labels take no focus.
  EXPECT_FALSE(GetWindowLongPtrW(fixture.frm.lblVbp(), GWL_STYLE) & WS_TABSTOP);
  EXPECT_FALSE(GetWindowLongPtrW(fixture.frm.Label1(), GWL_STYLE) & WS_TABSTOP);
}

TEST(MainWindow, AltVPutsTheFocusInThePathBox) {
  MainWindowFixture fixture;
  ASSERT_TRUE(fixture.Focus(fixture.frm.cmdCancel()));
  EXPECT_TRUE(fixture.Key(WM_SYSCHAR, L'v', 1 << 29));
  EXPECT_EQ(GetFocus(), fixture.frm.txtVbp());
}

TEST(MainWindow, OkIsTheDefaultButtonWhileNoOtherButtonHasTheFocus) {
  MainWindowFixture fixture;
  const auto isDefault = [](HWND button) {
    return (GetWindowLongPtrW(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
  };
  EXPECT_TRUE(isDefault(fixture.frm.cmdOK()));
  EXPECT_FALSE(isDefault(fixture.frm.cmdCancel()));
  EXPECT_EQ(LOWORD(SendMessageW(fixture.frm.hwnd(), DM_GETDEFID, 0, 0)), IDOK);

  ASSERT_TRUE(fixture.Focus(fixture.frm.cmdVbp()));
  EXPECT_TRUE(isDefault(fixture.frm.cmdVbp()));
  EXPECT_FALSE(isDefault(fixture.frm.cmdOK()));
  ASSERT_TRUE(fixture.Focus(fixture.frm.txtVbp()));
  EXPECT_TRUE(isDefault(fixture.frm.cmdOK()));
  EXPECT_FALSE(isDefault(fixture.frm.cmdVbp()));
}

TEST(MainWindow, EnterInThePathBoxPressesOk) {
  MainWindowFixture fixture;
  fixture.boxes.answers = {IDCANCEL};
  ASSERT_EQ(GetFocus(), fixture.frm.txtVbp());
  EXPECT_TRUE(fixture.Key(WM_KEYDOWN, VK_RETURN));
  ASSERT_EQ(fixture.boxes.shown.size(), 1u);
  EXPECT_EQ(fixture.boxes.shown[0].type & 0xFF, 33u);  // the confirmation of OK
}

TEST(MainWindow, EnterOnAnotherButtonPressesThatButton) {
  MainWindowFixture fixture;
  ASSERT_TRUE(fixture.Focus(fixture.frm.cmdVbp()));
  EXPECT_TRUE(fixture.Key(WM_KEYDOWN, VK_RETURN));
  EXPECT_EQ(fixture.dialogCalls, 1);
  EXPECT_TRUE(fixture.boxes.shown.empty());
}

TEST(MainWindow, EscPressesCancelWhichEndsTheProgram) {
  MainWindowFixture fixture;
  EXPECT_TRUE(fixture.Key(WM_KEYDOWN, VK_ESCAPE));
  EXPECT_EQ(fixture.frm.hwnd(), nullptr);
  EXPECT_TRUE(DiscardQuit());
  EXPECT_TRUE(fixture.boxes.shown.empty());
}

TEST(MainWindow, CancelAndClosingEndTheProgram) {
  for (int way = 0; way < 2; ++way) {
    MainWindowFixture fixture;
    const HWND window = fixture.frm.hwnd();
    if (way == 0) {
      fixture.Click(fixture.frm.cmdCancel());
    } else {
      SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    }
    EXPECT_FALSE(IsWindow(window)) << way;
    EXPECT_EQ(fixture.frm.hwnd(), nullptr) << way;
    MSG quit{};
    ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << way;
    EXPECT_EQ(quit.wParam, 0u) << way;  // the exit code
  }
}

TEST(MainWindow, ThePathBoxHasNoLimitOfMaxPathOrOfTheDefaultEditLength) {
  MainWindowFixture fixture;
  EXPECT_GT(SendMessageW(fixture.frm.txtVbp(), EM_GETLIMITTEXT, 0, 0), 32767);
}

}  // namespace
}  // namespace velmori::test
