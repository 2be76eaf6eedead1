#include "platform/fake_parallel_line.h"

namespace halvoran {

namespace {

// An IEEE 1284 handshake takes a little time on the wire.
constexpr uint32_t kNegotiationMs = 1;

}  // namespace

bool FakeParallelLine::Open(const std::string& path) {
    lastPath_ = path;
    if (open_ || failOpen_) return false;
    if (!printer_.IsOpen() && !printer_.Open(path)) return false;
    open_ = true;
    ++opens_;
    return true;
}

long FakeParallelLine::Read(uint8_t* buffer, size_t n, uint32_t timeoutMs) {
    if (!open_) return -1;
    if (pendingAck_.empty()) return printer_.Read(buffer, n, timeoutMs);
    size_t got = 0;
    while (got < n && !pendingAck_.empty()) {
        buffer[got++] = pendingAck_.front();
        pendingAck_.pop_front();
    }
    return static_cast<long>(got);
}

bool FakeParallelLine::Write(const uint8_t* data, size_t n) { return open_ && printer_.Write(data, n); }

bool FakeParallelLine::WriteWithin(const uint8_t* data, size_t n, uint32_t timeoutMs) {
    if (!open_) return false;
    if (stallWrites_) {
        sleeper_.SleepMs(timeoutMs);
        return false;
    }
    return printer_.Write(data, n);
}

NegotiationResult FakeParallelLine::Negotiate(NegotiationMasks request) {
    ++negotiations_;
    sleeper_.SleepMs(kNegotiationMs);
    if (!open_) return {};
    NegotiationResult answer = standing_;
    if (!queued_.empty()) {
        answer = queued_.front();
        queued_.pop_front();
    }
    if (IsGranted(answer, request)) {
        if (acknowledge_) {
            acknowledge_();
        } else {
            pendingAck_.assign(ack_.begin(), ack_.end());
        }
    }
    return answer;
}

}  // namespace halvoran
