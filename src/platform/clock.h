// Millisecond clock and sleeper. The core never reads the system time or
// sleeps directly, so tests can run every fixed wait in virtual time.
#pragma once
#include <atomic>
#include <cstdint>

namespace halvoran {

class Clock {
public:
    virtual ~Clock() = default;
    // Millisecond tick; wraps like a 32-bit tick counter, so compare with subtraction.
    virtual uint32_t NowMs() = 0;
};

class Sleeper {
public:
    virtual ~Sleeper() = default;
    virtual void SleepMs(uint32_t ms) = 0;
};

class SteadyClock final : public Clock {
public:
    uint32_t NowMs() override;
};

class RealSleeper final : public Sleeper {
public:
    void SleepMs(uint32_t ms) override;
};

// Test time: a sleep advances the clock at once. Thread-safe.
class VirtualTime final : public Clock, public Sleeper {
public:
    uint32_t NowMs() override { return static_cast<uint32_t>(now_.load()); }
    void SleepMs(uint32_t ms) override { Advance(ms); }
    void Advance(uint64_t ms) { now_ += ms; }
    uint64_t Elapsed() const { return now_.load(); }

private:
    std::atomic<uint64_t> now_{0};
};

// The clock and sleeper of the running program.
Clock& SystemClock();
Sleeper& SystemSleeper();

}  // namespace halvoran
