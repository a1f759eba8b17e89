// frmProgress: the window, its bar and its repaints.

#include <gtest/gtest.h>

#include <string>

#include "dpi.h"
#include "frm_progress.h"
#include "ui_test_support.h"
#include "window_class.h"

namespace velmori::test {
namespace {

// A progress window owned by a plain top-level window, at a chosen density.
class ProgressFixture {
 public:
  explicit ProgressFixture(unsigned dpi = 96) {
    SetDpiOverride(dpi);
    owner_.reset(CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                 nullptr, nullptr, nullptr, nullptr));
    frm.SetOwner(owner_.get());
  }
  ~ProgressFixture() {
    frm.Unload();
    SetDpiOverride(0);
    PumpMessages();
  }
  HWND owner() const { return owner_.get(); }
  int BarPixels() const { return ChildRect(frm.lblProg()).width; }

  FrmProgress frm;

 private:
  UniqueWindow owner_;
};

// The colour a window paints at a point of its client area.
COLORREF PaintedColour(HWND window, POINT point) {
  RECT client{};
  GetClientRect(window, &client);
  const HDC screen = GetDC(nullptr);
  const HDC memory = CreateCompatibleDC(screen);
  const HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
  const HGDIOBJ old = SelectObject(memory, bitmap);
  SendMessageW(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory), 0);
  const COLORREF colour = GetPixel(memory, point.x, point.y);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return colour;
}

bool HasUpdateRegion(HWND window) { return GetUpdateRect(window, nullptr, FALSE) != 0; }

class ProgressGeometry : public testing::TestWithParam<unsigned> {};

TEST_P(ProgressGeometry, TheWindowAndItsControlsFollowTheirTwips) {
  const unsigned dpi = GetParam();
  ProgressFixture fixture(dpi);
  fixture.frm.Load();
  ASSERT_NE(fixture.frm.hwnd(), nullptr);
  const PixelRect client = ClientSize(fixture.frm.hwnd());
  EXPECT_NEAR(client.width, ExactPixels(3750, dpi), 1);
  EXPECT_NEAR(client.height, ExactPixels(975, dpi), 1);
  const struct {
    const char* name;
    HWND control;
    double left, top, width, height;
  } controls[] = {
      {"lblMsg", fixture.frm.lblMsg(), 180, 240, 3375, 255},
      {"picProg", fixture.frm.picProg(), 180, 480, 3375, 255},
      {"lblProg", fixture.frm.lblProg(), 0, 0, 15, 225},  // in picProg's client area
  };
  for (const auto& c : controls) {
    const PixelRect rect = ChildRect(c.control);
    EXPECT_NEAR(rect.left, ExactPixels(c.left, dpi), 1) << c.name;
    EXPECT_NEAR(rect.top, ExactPixels(c.top, dpi), 1) << c.name;
    EXPECT_NEAR(rect.width, ExactPixels(c.width, dpi), 1) << c.name;
    EXPECT_NEAR(rect.height, ExactPixels(c.height, dpi), 1) << c.name;
  }
  EXPECT_EQ(GetParent(fixture.frm.lblProg()), fixture.frm.picProg());
}

TEST_P(ProgressGeometry, ProgressFourOfFiveIsFourFifthsOfTheTrack) {
  const unsigned dpi = GetParam();
  ProgressFixture fixture(dpi);
  fixture.frm.Load();
  fixture.frm.InitProgress(5, "クラスモジュールを読み込んでいます…");
  fixture.frm.Progress(0);
  EXPECT_EQ(fixture.frm.BarTwips(), 0);
  EXPECT_EQ(fixture.BarPixels(), 0);
  fixture.frm.Progress(4);
  EXPECT_DOUBLE_EQ(fixture.frm.BarTwips(), 3375.0 * 4 / 5);
  EXPECT_NEAR(fixture.BarPixels(), ExactPixels(2700, dpi), 1);
}

INSTANTIATE_TEST_SUITE_P(Dpi, ProgressGeometry, testing::Values(96u, 144u),
                         DpiTestName);

TEST(ProgressWindow, IsASmallToolWindowWithoutTaskbarButtonOrSizeBoxes) {
  ProgressFixture fixture;
  fixture.frm.Load();
  const HWND window = fixture.frm.hwnd();
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
  const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE));
  EXPECT_EQ(style & WS_CAPTION, static_cast<DWORD>(WS_CAPTION));
  EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW);  // the small caption
  EXPECT_FALSE(exStyle & WS_EX_APPWINDOW);
  EXPECT_EQ(GetWindow(window, GW_OWNER), fixture.owner());  // owned: no taskbar button
  EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
  EXPECT_EQ(WindowText(window), L"コメントを削除しています･･･");
  EXPECT_TRUE(GetWindowLongPtrW(fixture.frm.picProg(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  EXPECT_FALSE(IsWindowVisible(window));  // until Show
  fixture.frm.Show();
  EXPECT_TRUE(IsWindowVisible(window));
  ExpectCentredOnScreen(window);
}

TEST(ProgressWindow, StartsWithAnEmptyMessageAndTheBarAtFifteenTwips) {
  ProgressFixture fixture;
  fixture.frm.Load();
  EXPECT_EQ(WindowText(fixture.frm.lblMsg()), L"");
  EXPECT_EQ(fixture.frm.BarTwips(), 15);
  EXPECT_EQ(fixture.BarPixels(), 1);
  fixture.frm.Progress(3);  // no bar started yet: nothing happens, no division by zero
  EXPECT_EQ(fixture.frm.BarTwips(), 15);
}

TEST(ProgressWindow, MaximumZeroChangesOnlyTheMessage) {
  ProgressFixture fixture;
  fixture.frm.Load();
  fixture.frm.InitProgress(5, "フォームを読み込んでいます…");
  fixture.frm.Progress(4);
  fixture.frm.InitProgress(0, "標準モジュールを読み込んでいます…");
  EXPECT_EQ(WindowText(fixture.frm.lblMsg()), L"標準モジュールを読み込んでいます…");
  EXPECT_DOUBLE_EQ(fixture.frm.BarTwips(), 2700);
  EXPECT_EQ(fixture.BarPixels(), 180);
  fixture.frm.Progress(5);  // the maximum is still 5
  EXPECT_DOUBLE_EQ(fixture.frm.BarTwips(), 3375);
  fixture.frm.InitProgress(-2, "");  // negative: the same as 0
  EXPECT_EQ(WindowText(fixture.frm.lblMsg()), L"");
  EXPECT_DOUBLE_EQ(fixture.frm.BarTwips(), 3375);
}

TEST(ProgressWindow, ANewPositiveMaximumEmptiesTheBar) {
  ProgressFixture fixture;
  fixture.frm.Load();
  fixture.frm.InitProgress(2, "a");
  fixture.frm.Progress(1);
  EXPECT_DOUBLE_EQ(fixture.frm.BarTwips(), 1687.5);  // half the track, not rounded
  EXPECT_EQ(fixture.BarPixels(), 113);
  fixture.frm.InitProgress(7, "b");
  EXPECT_EQ(fixture.frm.BarTwips(), 0);
  EXPECT_EQ(fixture.BarPixels(), 0);
  fixture.frm.Progress(1);
  EXPECT_DOUBLE_EQ(fixture.frm.BarTwips(), 3375.0 / 7);
}

TEST(ProgressWindow, EveryUpdateRepaintsAtOnceWithoutAMessageLoop) {
  const struct {
    const char* name;
    void (*update)(FrmProgress&);
    HWND (FrmProgress::*invalid)() const noexcept;  // made invalid before the update
  } cases[] = {
      {"Refresh", [](FrmProgress& f) { f.Refresh(); }, &FrmProgress::hwnd},
      {"InitProgress", [](FrmProgress& f) { f.InitProgress(3, "x"); }, &FrmProgress::hwnd},
      {"InitProgress (message)", [](FrmProgress& f) { f.InitProgress(3, "y"); },
       &FrmProgress::lblMsg},
      {"Progress", [](FrmProgress& f) { f.Progress(2); }, &FrmProgress::picProg},
      {"Progress (bar)", [](FrmProgress& f) { f.Progress(2); }, &FrmProgress::lblProg},
  };
  for (const auto& c : cases) {
    ProgressFixture fixture;
    fixture.frm.Load();
    fixture.frm.Show();
    fixture.frm.InitProgress(3, "start");
    fixture.frm.Progress(1);  // a bar with an area to paint
    PumpMessages();
    const HWND invalid = (fixture.frm.*c.invalid)();
    InvalidateRect(invalid, nullptr, TRUE);
    ASSERT_TRUE(HasUpdateRegion(invalid)) << c.name;
    c.update(fixture.frm);
    EXPECT_FALSE(HasUpdateRegion(invalid)) << c.name;
  }
}

TEST(ProgressWindow, TheBarIsPureBlueOnTheFaceColouredTrack) {
  ProgressFixture fixture;
  fixture.frm.Load();
  fixture.frm.InitProgress(2, "x");
  fixture.frm.Progress(1);
  EXPECT_EQ(PaintedColour(fixture.frm.lblProg(), {2, 2}), RGB(0, 0, 255));
  RECT track{};
  GetClientRect(fixture.frm.picProg(), &track);
  EXPECT_EQ(PaintedColour(fixture.frm.picProg(), {track.right - 3, 2}),
            GetSysColor(COLOR_BTNFACE));
}

TEST(ProgressWindow, UnloadDestroysAndLoadStartsAfresh) {
  ProgressFixture fixture;
  fixture.frm.Load();
  const HWND first = fixture.frm.hwnd();
  fixture.frm.Load();  // loading a loaded window changes nothing
  EXPECT_EQ(fixture.frm.hwnd(), first);
  fixture.frm.InitProgress(4, "a");
  fixture.frm.Progress(3);
  fixture.frm.Unload();
  EXPECT_EQ(fixture.frm.hwnd(), nullptr);
  EXPECT_FALSE(IsWindow(first));
  fixture.frm.Unload();  // twice is harmless
  fixture.frm.Load();
  ASSERT_NE(fixture.frm.hwnd(), nullptr);
  EXPECT_EQ(WindowText(fixture.frm.lblMsg()), L"");
  EXPECT_EQ(fixture.frm.BarTwips(), 15);
  fixture.frm.Progress(1);  // the maximum started again at 0
  EXPECT_EQ(fixture.frm.BarTwips(), 15);
}

TEST(ProgressWindow, RescalesToANewDensityKeepingTheBarInTwips) {
  ProgressFixture fixture(96);
  fixture.frm.Load();
  fixture.frm.InitProgress(5, "x");
  fixture.frm.Progress(4);
  ASSERT_EQ(fixture.BarPixels(), 180);
  RECT window{};
  GetWindowRect(fixture.frm.hwnd(), &window);
  const PixelSize outer = WindowSizeForClient(
      {TwipsToPixels(3750, 144), TwipsToPixels(975, 144)},
      static_cast<DWORD>(GetWindowLongPtrW(fixture.frm.hwnd(), GWL_STYLE)),
      static_cast<DWORD>(GetWindowLongPtrW(fixture.frm.hwnd(), GWL_EXSTYLE)), 144);
  RECT suggested{window.left, window.top, window.left + outer.width, window.top + outer.height};
  SendMessageW(fixture.frm.hwnd(), WM_DPICHANGED, MAKEWPARAM(144, 144),
               reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(fixture.frm.dpi(), 144u);
  EXPECT_NEAR(fixture.BarPixels(), ExactPixels(2700, 144), 1);
  const PixelRect track = ChildRect(fixture.frm.picProg());
  EXPECT_NEAR(track.left, ExactPixels(180, 144), 1);
  EXPECT_NEAR(track.width, ExactPixels(3375, 144), 1);
  const PixelRect message = ChildRect(fixture.frm.lblMsg());
  EXPECT_NEAR(message.top, ExactPixels(240, 144), 1);
  EXPECT_NEAR(message.height, ExactPixels(255, 144), 1);
}

TEST(ProgressWindow, ClosingItByTheSystemIsIgnored) {
  ProgressFixture fixture;
  fixture.frm.Load();
  SendMessageW(fixture.frm.hwnd(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindow(fixture.frm.hwnd()));
}

}  // namespace
}  // namespace velmori::test
