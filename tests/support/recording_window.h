// A window double that records every status text.
#pragma once
#include <mutex>
#include <string>
#include <vector>

#include "bridge/bridge_window.h"

namespace halvoran::test {

struct StatusLine {
    std::string Text;
    bool IsError;
    bool operator==(const StatusLine&) const = default;
};

class RecordingWindow : public BridgeWindow {
public:
    void SetStatusText(const std::string& text, bool isError) override {
        std::lock_guard lock(mutex_);
        lines_.push_back({text, isError});
    }
    std::vector<StatusLine> Lines() const {
        std::lock_guard lock(mutex_);
        return lines_;
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        lines_.clear();
    }

private:
    mutable std::mutex mutex_;
    std::vector<StatusLine> lines_;
};

}  // namespace halvoran::test
