#include "app/layout.h"

namespace halvoran {

std::vector<ControlMove> ComputeLayout(int cx, int cy, const std::function<Size(Control)>& sizeOf) {
    std::vector<ControlMove> moves;
    auto place = [&](Control which, int left, int top) {
        Size own = sizeOf(which);
        moves.push_back({which, {left, top, own.Width, own.Height}});
        return left + own.Width;  // the right edge, where the next control starts from
    };
    if (cy < kBottomBandHeight) {
        moves.push_back({Control::Browser, {0, 0, cx, 0}});
        place(Control::StatusBar, 0, sizeOf(Control::DisconnectButton).Height + 20);
        return moves;
    }
    moves.push_back({Control::Browser, {2, 2, cx - 4, cy - kBottomBandHeight}});
    place(Control::InterfaceLabel, 2, cy - 106);
    int right = place(Control::InterfaceList, sizeOf(Control::InterfaceLabel).Width + 10, cy - 108);
    right = place(Control::PortNumberList, right + 2, cy - 108);
    right = place(Control::ConnectButton, right + 6, cy - 108);
    right = place(Control::DisconnectButton, right + 12, cy - 108);
    moves.push_back({Control::SerialGroup, {2, cy - 82, right, sizeOf(Control::SerialGroup).Height}});
    place(Control::BaudLabel, 20, cy - 64);
    right = place(Control::BaudList, sizeOf(Control::BaudLabel).Width + 28, cy - 68);
    right = place(Control::FormatLabel, right + 48, cy - 64);
    place(Control::FormatList, right + 2, cy - 68);
    place(Control::StatusBar, 0, cy - 68 + sizeOf(Control::FormatList).Height + 20);
    return moves;
}

Rect WindowPlacement(Size screen) {
    return {screen.Width * 10 / 100, screen.Height * 4 / 100, screen.Width * 80 / 100, screen.Height * 80 / 100};
}

int FontPixelHeight(int points, int dpi) {
    // MulDiv: the product divided with rounding half away from zero.
    long long product = static_cast<long long>(points) * dpi;
    long long half = product >= 0 ? 36 : -36;
    return static_cast<int>((product + half) / 72);
}

}  // namespace halvoran
