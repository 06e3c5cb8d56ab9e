#include <gtest/gtest.h>

#include "app/window_geometry.h"

namespace {

struct DesktopCase {
  Size desktop;
  Size client;
  Rect pane;
  int32_t progressX;
};

// Window, pane and bar for the desktop sizes people have.
const DesktopCase desktopCases[] = {
    {{1920, 1080}, {640, 864}, {10, 150, 620, 704}, 170},
    {{2560, 1440}, {853, 1152}, {10, 150, 833, 992}, 276},
    {{1366, 768}, {455, 614}, {10, 150, 435, 454}, 77},
    {{1280, 1024}, {426, 819}, {10, 150, 406, 659}, 63},
    {{1024, 768}, {341, 614}, {10, 150, 321, 454}, 20},
};

TEST(WindowGeometry, FollowsTheDesktopSize) {
  for (const DesktopCase& c : desktopCases) {
    SCOPED_TRACE(testing::Message() << c.desktop.width << "x" << c.desktop.height);
    const Size client = WindowSizeForDesktop(c.desktop);
    EXPECT_EQ(client, c.client);
    const ControlLayout layout = ControlLayoutForWindow(client);
    EXPECT_EQ(layout.browserPane, c.pane);
    EXPECT_EQ(layout.progressBar, (Rect{c.progressX, 70, 300, 50}));
  }
}

TEST(WindowGeometry, FixedControlsDoNotMove) {
  for (const Size client : {Size{640, 864}, Size{341, 614}}) {
    const ControlLayout layout = ControlLayoutForWindow(client);
    EXPECT_EQ(layout.videoIdLabel, (Rect{10, 14, 250, 55}));
    EXPECT_EQ(layout.videoIdField, (Rect{235, 10, 100, 25}));
    EXPECT_EQ(layout.downloadButton, (Rect{350, 10, 100, 25}));
    EXPECT_EQ(layout.openFolderButton, (Rect{350, 40, 100, 25}));
  }
}

TEST(WindowGeometry, WidthDropsTheRemainderAndHeightRoundsToNearest) {
  EXPECT_EQ(WindowSizeForDesktop({1280, 1027}), (Size{426, 822}));  // 821.6 goes up
  EXPECT_EQ(WindowSizeForDesktop({1281, 1028}), (Size{427, 822}));  // 822.4 goes down
  EXPECT_EQ(WindowSizeForDesktop({1282, 768}), (Size{427, 614}));    // 614.4
  EXPECT_EQ(WindowSizeForDesktop({900, 1026}), (Size{300, 821}));    // 820.8
}

TEST(WindowGeometry, NarrowWindowPutsTheBarLeftOfTheClientArea) {
  EXPECT_EQ(ControlLayoutForWindow(WindowSizeForDesktop({800, 600})).progressBar.x, 266 / 2 - 150);
}

TEST(Centring, CentresTheOuterBoxAndDropsHalfPixels) {
  EXPECT_EQ(CentredPosition({1920, 1080}, {640, 901}), (Point{640, 89}));
  EXPECT_EQ(CentredPosition({1366, 768}, {457, 653}), (Point{454, 57}));
  EXPECT_EQ(CentredPosition({1024, 768}, {1024, 768}), (Point{0, 0}));
}

TEST(Centring, LargerThanTheScreenGoesToZeroOnThatAxis) {
  EXPECT_EQ(CentredPosition({1024, 768}, {1100, 600}), (Point{0, 84}));
  EXPECT_EQ(CentredPosition({1024, 768}, {600, 900}), (Point{212, 0}));
}

}  // namespace
