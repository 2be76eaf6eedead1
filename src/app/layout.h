// The main window's geometry rules: the layout of the bottom band, the
// window's placement on the screen and the font heights.
#pragma once
#include <functional>
#include <vector>

#include "app/window_ui.h"

namespace halvoran {

inline constexpr int kBottomBandHeight = 112;

struct ControlMove {
    Control Which;
    Rect To;
    bool operator==(const ControlMove&) const = default;
};

// Every move of one layout pass for a client area of cx × cy, in order; the
// status bar's move is last. Controls keep their own size (sizeOf), except
// the browser, which fills the area above the bottom band.
std::vector<ControlMove> ComputeLayout(int cx, int cy, const std::function<Size(Control)>& sizeOf);

// The window on the primary screen: 10 % from the left, 4 % from the top,
// 80 % of the screen's width and height.
Rect WindowPlacement(Size screen);

// Cell height in pixels of a font of this many points: points × dpi / 72, rounded.
int FontPixelHeight(int points, int dpi);

}  // namespace halvoran
