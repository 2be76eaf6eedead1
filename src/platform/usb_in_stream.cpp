#include "platform/usb_in_stream.h"

#include <algorithm>
#include <cstring>

namespace halvoran {

UsbInStream::UsbInStream(Transfer transfer, size_t packetSize)
    : transfer_(std::move(transfer)), packetSize_(std::max<size_t>(packetSize, 1)) {}

void UsbInStream::Reset(size_t packetSize) {
    packetSize_ = std::max<size_t>(packetSize, 1);
    kept_.clear();
    keptAt_ = 0;
    moreFollows_ = false;
}

size_t UsbInStream::TakeKept(uint8_t* buffer, size_t n) {
    size_t take = std::min(n, kept_.size() - keptAt_);
    if (take > 0) std::memcpy(buffer, kept_.data() + keptAt_, take);
    keptAt_ += take;
    if (keptAt_ == kept_.size()) {
        kept_.clear();
        keptAt_ = 0;
    }
    return take;
}

long UsbInStream::Read(uint8_t* buffer, size_t n, uint32_t timeoutMs) {
    size_t got = TakeKept(buffer, n);
    if (got == n) return static_cast<long>(got);
    // Kept bytes that ended with a short packet are the whole rest of the message.
    if (got > 0 && !moreFollows_) return static_cast<long>(got);
    const size_t want = (n - got + packetSize_ - 1) / packetSize_ * packetSize_;
    scratch_.resize(want);
    long moved = transfer_(scratch_.data(), want, timeoutMs);
    if (moved < 0) return got > 0 ? static_cast<long>(got) : -1;
    const size_t arrived = std::min(static_cast<size_t>(moved), want);
    moreFollows_ = arrived > 0 && arrived % packetSize_ == 0;
    const size_t use = std::min(arrived, n - got);
    std::memcpy(buffer + got, scratch_.data(), use);
    kept_.assign(scratch_.begin() + static_cast<long>(use), scratch_.begin() + static_cast<long>(arrived));
    keptAt_ = 0;
    return static_cast<long>(got + use);
}

}  // namespace halvoran
