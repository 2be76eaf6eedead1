// A test double that plays a printer on a byte device in virtual time: each
// write is answered with the next prepared reply, whose bytes can arrive
// slowly; the printer can fall silent or refuse to open.
#pragma once
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/device.h"

namespace halvoran::test {

using Bytes = std::vector<uint8_t>;

// A ResponseRecord: length, marker, payload.
Bytes MakeRecord(const Bytes& payload, bool marker = false);
Bytes MakeRecord(const std::string& payload, bool marker = false);
Bytes ToBytes(const std::string& text);

struct ScriptedReply {
    Bytes Data;
    uint32_t DelayMs = 0;    // before the first byte
    uint32_t PerByteMs = 0;  // between bytes
};

class ScriptedDevice : public Device {
public:
    explicit ScriptedDevice(VirtualTime& time) : time_(time) {}

    // The reply to the next write that has none yet.
    void QueueReply(ScriptedReply reply);
    void QueueReply(Bytes data) { QueueReply(ScriptedReply{std::move(data)}); }
    // Bytes that arrive without a write.
    void Deliver(Bytes data);
    // Writes are accepted but never answered any more.
    void FallSilent() { silent_ = true; }
    void FailOpen(bool fail) { failOpen_ = fail; }
    void FailWrites(bool fail) { failWrites_ = fail; }

    // Everything written, one entry per Write call.
    std::vector<Bytes> Writes() const;
    Bytes AllWritten() const;
    int OpenCount() const { return openCount_; }
    std::string LastPath() const { return lastPath_; }

    bool Open(const std::string& path) override;
    void Close() override;
    bool IsOpen() const override { return open_; }
    long Read(uint8_t* buffer, size_t n, uint32_t timeoutMs) override;
    bool Write(const uint8_t* data, size_t n) override;
    bool Flush() override { return open_; }

private:
    struct Pending {
        uint8_t Byte;
        uint64_t DueMs;
    };
    void Schedule(const ScriptedReply& reply);

    VirtualTime& time_;
    mutable std::mutex mutex_;
    std::deque<ScriptedReply> replies_;
    std::deque<Pending> incoming_;
    std::vector<Bytes> writes_;
    bool silent_ = false;
    bool failOpen_ = false;
    bool failWrites_ = false;
    bool open_ = false;
    int openCount_ = 0;
    std::string lastPath_;
};

}  // namespace halvoran::test
