#include "layout.h"

#include <cmath>

namespace velmori {

int TwipsToPixels(double twips, unsigned dpi) {
  const double pixels = twips * dpi / kTwipsPerInch;
  if (!(pixels > 0)) return 0;  // also NaN
  return static_cast<int>(std::lround(pixels));
}

PixelRect ToPixels(const TwipsRect& twips, unsigned dpi) {
  return {TwipsToPixels(twips.left, dpi), TwipsToPixels(twips.top, dpi),
          TwipsToPixels(twips.width, dpi), TwipsToPixels(twips.height, dpi)};
}

namespace {

// A rectangle given relative to a container, moved into the container's parent.
TwipsRect Within(const TwipsRect& container, const TwipsRect& inner) {
  return {container.left + inner.left, container.top + inner.top, inner.width, inner.height};
}

}  // namespace

MainLayout LayoutMain(unsigned dpi, int warningGrowth) {
  using namespace main_twips;
  MainLayout layout{};
  layout.client = {TwipsToPixels(kClientWidth, dpi), TwipsToPixels(kClientHeight, dpi)};
  layout.pathLabel = ToPixels(kPathLabel, dpi);
  layout.pathEdit = ToPixels(kPathEdit, dpi);
  layout.browseButton = ToPixels(kBrowseButton, dpi);
  layout.okButton = ToPixels(Within(kButtonFrame, kOkButton), dpi);
  layout.cancelButton = ToPixels(Within(kButtonFrame, kCancelButton), dpi);
  layout.warningLabel = ToPixels(kWarningLabel, dpi);
  layout.warningLabel.height += warningGrowth;
  layout.okButton.top += warningGrowth;
  layout.cancelButton.top += warningGrowth;
  layout.client.height += warningGrowth;
  return layout;
}

PixelRect SizedToText(const PixelRect& designed, PixelSize text) {
  PixelRect rect = designed;
  if (text.width > rect.width) rect.width = text.width;
  if (text.height > rect.height) rect.height = text.height;
  return rect;
}

ProgressLayout LayoutProgress(unsigned dpi, double barTwips, int messageGrowth) {
  using namespace progress_twips;
  ProgressLayout layout{};
  layout.client = {TwipsToPixels(kClientWidth, dpi), TwipsToPixels(kClientHeight, dpi)};
  layout.messageLabel = ToPixels(kMessageLabel, dpi);
  layout.track = ToPixels(kTrack, dpi);
  layout.messageLabel.height += messageGrowth;
  layout.track.top += messageGrowth;
  layout.client.height += messageGrowth;
  TwipsRect bar = kBar;
  bar.width = barTwips;
  layout.bar = ToPixels(bar, dpi);
  return layout;
}

double BarWidthTwips(std::int32_t index, std::int32_t maximum) {
  return progress_twips::kTrack.width * static_cast<double>(index) / static_cast<double>(maximum);
}

}  // namespace velmori
