#include "support/scripted_device.h"

#include <algorithm>

namespace halvoran::test {

Bytes ToBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes MakeRecord(const Bytes& payload, bool marker) {
    Bytes record{static_cast<uint8_t>(payload.size() >> 8), static_cast<uint8_t>(payload.size() & 0xFF),
                 static_cast<uint8_t>(marker ? 0x55 : 0x00), static_cast<uint8_t>(marker ? 0xAA : 0x00)};
    record.insert(record.end(), payload.begin(), payload.end());
    return record;
}

Bytes MakeRecord(const std::string& payload, bool marker) { return MakeRecord(ToBytes(payload), marker); }

void ScriptedDevice::QueueReply(ScriptedReply reply) {
    std::lock_guard lock(mutex_);
    replies_.push_back(std::move(reply));
}

void ScriptedDevice::Deliver(Bytes data) {
    std::lock_guard lock(mutex_);
    Schedule(ScriptedReply{std::move(data)});
}

void ScriptedDevice::Schedule(const ScriptedReply& reply) {
    uint64_t due = std::max<uint64_t>(time_.Elapsed(), incoming_.empty() ? 0 : incoming_.back().DueMs) + reply.DelayMs;
    for (size_t i = 0; i < reply.Data.size(); ++i) {
        if (i > 0) due += reply.PerByteMs;
        incoming_.push_back({reply.Data[i], due});
    }
}

std::vector<Bytes> ScriptedDevice::Writes() const {
    std::lock_guard lock(mutex_);
    return writes_;
}

Bytes ScriptedDevice::AllWritten() const {
    std::lock_guard lock(mutex_);
    Bytes all;
    for (const Bytes& w : writes_) all.insert(all.end(), w.begin(), w.end());
    return all;
}

bool ScriptedDevice::Open(const std::string& path) {
    std::lock_guard lock(mutex_);
    lastPath_ = path;
    if (open_ || failOpen_) return false;
    open_ = true;
    ++openCount_;
    return true;
}

void ScriptedDevice::Close() {
    std::lock_guard lock(mutex_);
    open_ = false;
}

long ScriptedDevice::Read(uint8_t* buffer, size_t n, uint32_t timeoutMs) {
    std::lock_guard lock(mutex_);
    if (!open_) return -1;
    const uint64_t now = time_.Elapsed();
    if (incoming_.empty() || (incoming_.front().DueMs > now && incoming_.front().DueMs >= now + timeoutMs)) {
        time_.Advance(timeoutMs);
        return 0;
    }
    // A byte due exactly at the deadline arrives too late, as when poll times out.
    // Otherwise wait (in virtual time) for the first byte and take what has arrived.
    if (incoming_.front().DueMs > now) time_.Advance(incoming_.front().DueMs - now);
    const uint64_t at = time_.Elapsed();
    size_t got = 0;
    while (got < n && !incoming_.empty() && incoming_.front().DueMs <= at) {
        buffer[got++] = incoming_.front().Byte;
        incoming_.pop_front();
    }
    return static_cast<long>(got);
}

bool ScriptedDevice::Write(const uint8_t* data, size_t n) {
    std::lock_guard lock(mutex_);
    if (!open_ || failWrites_) return false;
    writes_.emplace_back(data, data + n);
    if (!silent_ && !replies_.empty()) {
        Schedule(replies_.front());
        replies_.pop_front();
    }
    return true;
}

}  // namespace halvoran::test
