// CColorStatusBar: the model of the two-part status bar, a label part and a
// message part drawn black, or red for errors. The front end draws it from
// PartText and PartColor.
#pragma once
#include <cstdint>
#include <mutex>
#include <string>

namespace halvoran {

struct Rgb {
    uint8_t Red, Green, Blue;
    bool operator==(const Rgb&) const = default;
};

class CColorStatusBar {
public:
    static constexpr int kControlId = 1016;
    // The label part ends this many pixels from the left; the message part runs to the right edge.
    static constexpr int kLabelPartEnd = 100;
    static constexpr Rgb ErrorColor{255, 0, 0};
    static constexpr Rgb NormalColor{0, 0, 0};

    void SetLabel(const std::string& label);
    // Only the lowest bit of isError counts.
    void SetMessage(const std::string& text, uint8_t isError);

    // Part 0 is the label, part 1 the message; any other part is empty.
    std::string PartText(int part) const;
    Rgb PartColor(int part) const;
    bool IsError() const;
    // The message shown now; readable from any thread.
    std::string MessageText() const;

private:
    mutable std::mutex mutex_;
    uint8_t isError_ = 0;
    std::string labelText_;
    std::string messageText_;
};

}  // namespace halvoran
