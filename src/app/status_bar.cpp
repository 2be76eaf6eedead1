#include "app/status_bar.h"

namespace halvoran {

void CColorStatusBar::SetLabel(const std::string& label) {
    std::lock_guard lock(mutex_);
    labelText_ = label;
    isError_ = 0;
}

void CColorStatusBar::SetMessage(const std::string& text, uint8_t isError) {
    std::lock_guard lock(mutex_);
    messageText_ = text;
    isError_ = isError & 1;
}

std::string CColorStatusBar::PartText(int part) const {
    std::lock_guard lock(mutex_);
    if (part == 0) return labelText_;
    if (part == 1) return messageText_;
    return {};
}

Rgb CColorStatusBar::PartColor(int part) const {
    std::lock_guard lock(mutex_);
    return part == 1 && isError_ ? ErrorColor : NormalColor;
}

bool CColorStatusBar::IsError() const {
    std::lock_guard lock(mutex_);
    return isError_ != 0;
}

std::string CColorStatusBar::MessageText() const { return PartText(1); }

}  // namespace halvoran
