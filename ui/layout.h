#pragma once
// The geometry of both windows: fixed twips, converted to pixels at a DPI.
// Pure functions, so the layout is tested without any window.

#include <cstdint>

namespace velmori {

inline constexpr double kTwipsPerInch = 1440.0;

struct TwipsRect {
  double left, top, width, height;
};

struct PixelRect {
  int left, top, width, height;
  bool operator==(const PixelRect& other) const {
    return left == other.left && top == other.top && width == other.width &&
           height == other.height;
  }
};

struct PixelSize {
  int width, height;
};

// twips x dpi / 1440, rounded to the nearest pixel; negative lengths give 0.
int TwipsToPixels(double twips, unsigned dpi);
PixelRect ToPixels(const TwipsRect& twips, unsigned dpi);

// The main window, in twips relative to the client area. The two buttons stand
// in the invisible frame fraBtn; their own positions are relative to it.
namespace main_twips {
inline constexpr double kClientWidth = 6105;
inline constexpr double kClientHeight = 2190;
inline constexpr TwipsRect lblVbp{300, 180, 1980, 195};
inline constexpr TwipsRect txtVbp{240, 420, 5235, 285};
inline constexpr TwipsRect cmdVbp{5520, 420, 315, 255};
inline constexpr TwipsRect fraBtn{3120, 1680, 2775, 375};
inline constexpr TwipsRect cmdOK{0, 30, 1335, 315};
inline constexpr TwipsRect cmdCancel{1440, 30, 1335, 315};
inline constexpr TwipsRect Label1{240, 900, 5595, 615};
}  // namespace main_twips

// The progress window. lblProg is relative to the client area of picProg.
namespace progress_twips {
inline constexpr double kClientWidth = 3750;
inline constexpr double kClientHeight = 975;
inline constexpr TwipsRect lblMsg{180, 240, 3375, 255};
inline constexpr TwipsRect picProg{180, 480, 3375, 255};
inline constexpr TwipsRect lblProg{0, 0, 15, 225};
}  // namespace progress_twips

// Pixel rectangles of the main window's controls, relative to its client area.
struct MainLayout {
  PixelSize client;
  PixelRect lblVbp, txtVbp, cmdVbp, cmdOK, cmdCancel, Label1;
};
MainLayout LayoutMain(unsigned dpi);

// A label sized to its text: the text's extent, but never smaller than designed.
PixelRect SizedToText(const PixelRect& designed, PixelSize text);

// Pixel rectangles of the progress window for a bar of `barTwips` width.
struct ProgressLayout {
  PixelSize client;
  PixelRect lblMsg, picProg;
  PixelRect lblProg;  // relative to picProg's client area
};
ProgressLayout LayoutProgress(unsigned dpi, double barTwips);

// The bar width of Progress: the full outer width of picProg x index / maximum.
double BarWidthTwips(std::int32_t index, std::int32_t maximum);

}  // namespace velmori
