// A parallel line double for machines without a parallel port. Bytes go to
// and come from another Device that plays the printer (a scripted printer or
// the in-process simulator), which stays open like a cable across reopens.
// Negotiation answers, the acknowledgement and faults are set by the caller.
#pragma once
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/parallel_line.h"

namespace halvoran {

class FakeParallelLine final : public ParallelLine {
public:
    FakeParallelLine(Device& printer, Sleeper& sleeper) : printer_(printer), sleeper_(sleeper) {}

    // Answers for the next negotiations, in order; afterwards every
    // negotiation gets the standing answer (both modes granted unless changed).
    void QueueNegotiation(NegotiationResult answer) { queued_.push_back(answer); }
    void SetNegotiationAnswer(NegotiationResult answer) { standing_ = answer; }
    // What the printer sends once a negotiation has granted a mode
    // (ESC backslash unless changed; empty sends nothing).
    void SetAcknowledgement(std::vector<uint8_t> bytes) { ack_ = std::move(bytes); }
    // For a printer that sends its own acknowledgement: called in place of
    // sending the bytes above.
    void SetAcknowledger(std::function<void()> acknowledge) { acknowledge_ = std::move(acknowledge); }
    void FailOpen(bool fail) { failOpen_ = fail; }
    // Writes never complete: each one uses up its time limit and fails.
    void StallWrites(bool stall) { stallWrites_ = stall; }

    int NegotiationCount() const { return negotiations_; }
    int OpenCount() const { return opens_; }
    const std::string& LastPath() const { return lastPath_; }

    bool Open(const std::string& path) override;
    void Close() override { open_ = false; }
    bool IsOpen() const override { return open_; }
    long Read(uint8_t* buffer, size_t n, uint32_t timeoutMs) override;
    bool Write(const uint8_t* data, size_t n) override;
    bool Flush() override { return open_; }
    NegotiationResult Negotiate(NegotiationMasks request) override;
    bool WriteWithin(const uint8_t* data, size_t n, uint32_t timeoutMs) override;

private:
    Device& printer_;
    Sleeper& sleeper_;
    std::deque<NegotiationResult> queued_;
    NegotiationResult standing_{NegotiateStatus::Done, {kChannelNibble, kIeeeCompatibility}};
    std::vector<uint8_t> ack_{0x1B, 0x5C};
    std::function<void()> acknowledge_;
    std::deque<uint8_t> pendingAck_;
    bool failOpen_ = false;
    bool stallWrites_ = false;
    bool open_ = false;
    int negotiations_ = 0;
    int opens_ = 0;
    std::string lastPath_;
};

}  // namespace halvoran
