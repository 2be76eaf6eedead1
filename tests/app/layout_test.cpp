// The layout rule, the window placement and the font heights.
#include <gtest/gtest.h>

#include <map>

#include "app/layout.h"

namespace halvoran {
namespace {

const std::map<Control, Size> kSizes = {
    {Control::InterfaceLabel, {90, 20}}, {Control::InterfaceList, {150, 24}}, {Control::PortNumberList, {40, 24}},
    {Control::ConnectButton, {75, 27}},  {Control::DisconnectButton, {90, 27}}, {Control::SerialGroup, {500, 44}},
    {Control::BaudLabel, {60, 18}},      {Control::BaudList, {93, 22}},         {Control::FormatLabel, {72, 18}},
    {Control::FormatList, {138, 22}},    {Control::StatusBar, {800, 24}},       {Control::Browser, {1, 1}},
};

Size SizeOf(Control c) { return kSizes.at(c); }

TEST(Layout, BottomBandFollowsTheTable) {
    const int cx = 800, cy = 600;
    std::vector<ControlMove> expected = {
        {Control::Browser, {2, 2, 796, 488}},
        {Control::InterfaceLabel, {2, 494, 90, 20}},
        {Control::InterfaceList, {100, 492, 150, 24}},
        {Control::PortNumberList, {252, 492, 40, 24}},
        {Control::ConnectButton, {298, 492, 75, 27}},
        {Control::DisconnectButton, {385, 492, 90, 27}},
        {Control::SerialGroup, {2, 518, 475, 44}},
        {Control::BaudLabel, {20, 536, 60, 18}},
        {Control::BaudList, {88, 532, 93, 22}},
        {Control::FormatLabel, {229, 536, 72, 18}},
        {Control::FormatList, {303, 532, 138, 22}},
        {Control::StatusBar, {0, 574, 800, 24}},
    };
    EXPECT_EQ(ComputeLayout(cx, cy, SizeOf), expected);
}

TEST(Layout, ShrunkenWindowOnlyMovesBrowserAndStatusBar) {
    std::vector<ControlMove> at112 = ComputeLayout(640, 112, SizeOf);
    ASSERT_EQ(at112.size(), 12u);
    EXPECT_EQ(at112.front(), (ControlMove{Control::Browser, {2, 2, 636, 0}}));

    std::vector<ControlMove> expected = {{Control::Browser, {0, 0, 640, 0}},
                                         {Control::StatusBar, {0, 47, 800, 24}}};
    EXPECT_EQ(ComputeLayout(640, 111, SizeOf), expected);
    EXPECT_EQ(ComputeLayout(640, 0, SizeOf), expected);
}

TEST(Layout, PlacementAndFonts) {
    EXPECT_EQ(WindowPlacement({1920, 1080}), (Rect{192, 43, 1536, 864}));
    EXPECT_EQ(WindowPlacement({1366, 768}), (Rect{136, 30, 1092, 614}));
    struct Case {
        int Points, Dpi, Pixels;
    } cases[] = {{14, 96, 19}, {13, 96, 17}, {14, 120, 23}, {13, 120, 22}, {14, 72, 14}};
    for (const Case& c : cases) EXPECT_EQ(FontPixelHeight(c.Points, c.Dpi), c.Pixels) << c.Points << "pt " << c.Dpi;
}

}  // namespace
}  // namespace halvoran
