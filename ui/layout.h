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
  bool operator==(const PixelRect& other) const = default;
};

struct PixelSize {
  int width, height;
};

// twips x dpi / 1440, rounded to the nearest pixel; negative lengths give 0.
int TwipsToPixels(double twips, unsigned dpi);
PixelRect ToPixels(const TwipsRect& twips, unsigned dpi);

// The main window, in twips relative to the client area. The two buttons stand
// in an invisible frame; their own positions are relative to it.
namespace main_twips {
inline constexpr double kClientWidth = 6105;
inline constexpr double kClientHeight = 2190;
inline constexpr TwipsRect kPathLabel{300, 180, 1980, 195};
inline constexpr TwipsRect kPathEdit{240, 420, 5235, 285};
inline constexpr TwipsRect kBrowseButton{5520, 420, 315, 255};
inline constexpr TwipsRect kButtonFrame{3120, 1680, 2775, 375};
inline constexpr TwipsRect kOkButton{0, 30, 1335, 315};
inline constexpr TwipsRect kCancelButton{1440, 30, 1335, 315};
inline constexpr TwipsRect kWarningLabel{240, 900, 5595, 615};
}  // namespace main_twips

// The progress window. The bar is relative to the client area of its track.
namespace progress_twips {
inline constexpr double kClientWidth = 3750;
inline constexpr double kClientHeight = 975;
inline constexpr TwipsRect kMessageLabel{180, 240, 3375, 255};
inline constexpr TwipsRect kTrack{180, 480, 3375, 255};
inline constexpr TwipsRect kBar{0, 0, 15, 225};
}  // namespace progress_twips

// Pixel rectangles of the main window's controls, relative to its client area.
// A font wider than the one the geometry was drawn for may wrap the warning
// onto more lines: `warningGrowth` pixels more for the label then push the
// buttons below it down and the client area with them.
struct MainLayout {
  PixelSize client;
  PixelRect pathLabel, pathEdit, browseButton, okButton, cancelButton, warningLabel;
};
MainLayout LayoutMain(unsigned dpi, int warningGrowth = 0);

// A label sized to its text: the text's extent, but never smaller than designed.
PixelRect SizedToText(const PixelRect& designed, PixelSize text);

// Pixel rectangles of the progress window for a bar of `barTwips` width; the
// message label `messageGrowth` pixels taller than designed, the track below it
// and the client area moved and grown alike.
struct ProgressLayout {
  PixelSize client;
  PixelRect messageLabel, track;
  PixelRect bar;  // relative to the track's client area
};
ProgressLayout LayoutProgress(unsigned dpi, double barTwips, int messageGrowth = 0);

// The pixels a text of `textHeight` needs beyond a label's `designedHeight`.
inline int Growth(int textHeight, int designedHeight) {
  return textHeight > designedHeight ? textHeight - designedHeight : 0;
}

// The bar width after `index` files of `maximum`: the full outer width of the
// track x index / maximum.
double BarWidthTwips(std::int32_t index, std::int32_t maximum);

}  // namespace velmori
