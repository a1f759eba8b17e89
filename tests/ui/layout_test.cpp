// The layout as a pure function: twips in, pixels out.

#include <gtest/gtest.h>

#include <cmath>

#include "layout.h"

namespace velmori {
namespace {

struct TwipsCase {
  double twips;
  unsigned dpi;
  int pixels;
};

TEST(TwipsToPixels, RoundsToTheNearestPixel) {
  const TwipsCase cases[] = {
      {1440, 96, 96},  {15, 96, 1},     {7, 96, 0},       {8, 96, 1},
      {195, 144, 20},  {225, 144, 23},  {6105, 96, 407},  {6105, 144, 611},
      {6105, 120, 509}, {2190, 192, 292}, {2700, 96, 180}, {482.142857, 96, 32},
      {0, 144, 0},     {-30, 96, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TwipsToPixels(c.twips, c.dpi), c.pixels) << c.twips << " twips at " << c.dpi;
  }
}

TEST(TwipsToPixels, NotANumberGivesNoWidth) {
  EXPECT_EQ(TwipsToPixels(std::nan(""), 96), 0);
}

// Every rectangle of the layout lies within half a pixel of twips x dpi / 1440.
void ExpectNear(const PixelRect& actual, TwipsRect twips, unsigned dpi, const char* name) {
  const auto exact = [dpi](double t) { return t * dpi / 1440.0; };
  EXPECT_NEAR(actual.left, exact(twips.left), 0.5) << name << " at " << dpi;
  EXPECT_NEAR(actual.top, exact(twips.top), 0.5) << name << " at " << dpi;
  EXPECT_NEAR(actual.width, exact(twips.width), 0.5) << name << " at " << dpi;
  EXPECT_NEAR(actual.height, exact(twips.height), 0.5) << name << " at " << dpi;
}

TEST(LayoutMain, FollowsTheTwipsOfTheWindowAtEveryDensity) {
  for (unsigned dpi : {96u, 120u, 144u, 168u, 192u, 288u}) {
    const MainLayout layout = LayoutMain(dpi);
    EXPECT_NEAR(layout.client.width, 6105.0 * dpi / 1440, 0.5);
    EXPECT_NEAR(layout.client.height, 2190.0 * dpi / 1440, 0.5);
    ExpectNear(layout.lblVbp, {300, 180, 1980, 195}, dpi, "lblVbp");
    ExpectNear(layout.txtVbp, {240, 420, 5235, 285}, dpi, "txtVbp");
    ExpectNear(layout.cmdVbp, {5520, 420, 315, 255}, dpi, "cmdVbp");
    // The buttons stand in fraBtn (3120, 1680): OK at (0, 30), Cancel at (1440, 30).
    ExpectNear(layout.cmdOK, {3120, 1710, 1335, 315}, dpi, "cmdOK");
    ExpectNear(layout.cmdCancel, {4560, 1710, 1335, 315}, dpi, "cmdCancel");
    ExpectNear(layout.Label1, {240, 900, 5595, 615}, dpi, "Label1");
  }
}

TEST(SizedToText, KeepsTheDesignedSizeUnlessTheTextNeedsMore) {
  const PixelRect designed{20, 12, 132, 13};
  const struct {
    PixelSize text;
    PixelRect expected;
  } cases[] = {
      {{120, 12}, designed},                 // smaller text: as designed
      {{132, 13}, designed},                 // exactly the designed size
      {{142, 13}, {20, 12, 142, 13}},        // a wider font: as wide as the text
      {{100, 16}, {20, 12, 132, 16}},        // a taller font: as tall as the text
      {{0, 0}, designed},                    // nothing measured
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SizedToText(designed, c.text), c.expected) << c.text.width << "x" << c.text.height;
  }
}

TEST(LayoutProgress, FollowsTheTwipsOfTheWindow) {
  for (unsigned dpi : {96u, 144u, 192u}) {
    const ProgressLayout layout = LayoutProgress(dpi, 15);
    EXPECT_NEAR(layout.client.width, 3750.0 * dpi / 1440, 0.5);
    EXPECT_NEAR(layout.client.height, 975.0 * dpi / 1440, 0.5);
    ExpectNear(layout.lblMsg, {180, 240, 3375, 255}, dpi, "lblMsg");
    ExpectNear(layout.picProg, {180, 480, 3375, 255}, dpi, "picProg");
    ExpectNear(layout.lblProg, {0, 0, 15, 225}, dpi, "lblProg");
  }
}

TEST(LayoutProgress, TheBarWidthFollowsItsTwips) {
  const struct {
    double twips;
    unsigned dpi;
    int pixels;
  } cases[] = {{0, 96, 0}, {15, 96, 1}, {15, 144, 2}, {2700, 96, 180}, {2700, 144, 270},
               {3375, 96, 225}, {1687.5, 96, 113}};
  for (const auto& c : cases) {
    EXPECT_EQ(LayoutProgress(c.dpi, c.twips).lblProg.width, c.pixels) << c.twips << " " << c.dpi;
  }
}

TEST(BarWidthTwips, IsTheTrackWidthTimesIndexOverMaximumInFloatingPoint) {
  EXPECT_DOUBLE_EQ(BarWidthTwips(0, 5), 0);
  EXPECT_DOUBLE_EQ(BarWidthTwips(4, 5), 2700);
  EXPECT_DOUBLE_EQ(BarWidthTwips(1, 2), 1687.5);  // not rounded to whole twips
  EXPECT_DOUBLE_EQ(BarWidthTwips(1, 7), 3375.0 / 7);
  EXPECT_DOUBLE_EQ(BarWidthTwips(2, 2), 3375);
  // Large counts do not overflow: the product is formed in floating point.
  EXPECT_DOUBLE_EQ(BarWidthTwips(2000000000, 2147483647), 3375.0 * 2000000000 / 2147483647);
}

}  // namespace
}  // namespace velmori
