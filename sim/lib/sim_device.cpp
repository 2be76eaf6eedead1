#include "sim_device.h"

#include <algorithm>

namespace halvoran::sim {

namespace {
// Longest single wait, so that a reader notices bytes written meanwhile by another thread.
constexpr uint32_t kWaitStepMs = 10;
}  // namespace

SimDevice::SimDevice(Clock& clock, Sleeper& sleeper, SimOptions options)
    : clock_(clock), sleeper_(sleeper), printer_(clock, std::move(options)) {}

bool SimDevice::Open(const std::string& path) {
    std::lock_guard lock(mutex_);
    lastPath_ = path;
    if (open_ || printer_.LineDropped()) return false;
    open_ = true;
    return true;
}

void SimDevice::Close() {
    std::lock_guard lock(mutex_);
    if (open_) printer_.DiscardOutput();
    open_ = false;
}

bool SimDevice::IsOpen() const {
    std::lock_guard lock(mutex_);
    return open_;
}

std::string SimDevice::LastPath() const {
    std::lock_guard lock(mutex_);
    return lastPath_;
}

long SimDevice::Read(uint8_t* buffer, size_t n, uint32_t timeoutMs) {
    if (n == 0) return 0;
    const uint32_t start = clock_.NowMs();
    std::unique_lock lock(mutex_);
    while (true) {
        if (!open_ || printer_.LineDropped()) return -1;
        size_t got = printer_.TakeOutput(buffer, n);
        if (got > 0) return static_cast<long>(got);
        const uint32_t waited = clock_.NowMs() - start;
        if (waited >= timeoutMs) return 0;
        uint32_t wait = std::min(timeoutMs - waited, kWaitStepMs);
        if (std::optional<uint32_t> due = printer_.MsUntilOutput()) wait = std::min(wait, std::max<uint32_t>(*due, 1));
        lock.unlock();
        sleeper_.SleepMs(wait);
        lock.lock();
    }
}

bool SimDevice::Write(const uint8_t* data, size_t n) {
    std::lock_guard lock(mutex_);
    if (!open_ || printer_.LineDropped()) return false;
    printer_.Feed(data, n);
    return true;
}

bool SimDevice::Flush() { return IsOpen(); }

}  // namespace halvoran::sim
