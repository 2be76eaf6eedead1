// A sleeper in virtual time for the bridge's fixed waits. Events can be put at
// virtual times: a sleep that passes one runs it before returning. A held
// sleeper also keeps each sleeping thread waiting until the test lets it go,
// so a worker thread can be stopped at a known point.
#pragma once
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>

#include "platform/clock.h"

namespace halvoran::test {

class SteppedSleeper : public Sleeper {
public:
    explicit SteppedSleeper(VirtualTime& time, bool held = false) : time_(time), held_(held) {}

    // Runs event once a sleep passes the virtual time atMs.
    void At(uint64_t atMs, std::function<void()> event) {
        std::lock_guard lock(mutex_);
        events_.emplace(atMs, std::move(event));
    }

    void SleepMs(uint32_t ms) override {
        std::unique_lock lock(mutex_);
        ++sleepers_;
        changed_.notify_all();
        changed_.wait(lock, [this] { return !held_; });
        --sleepers_;
        const uint64_t end = time_.Elapsed() + ms;
        while (!events_.empty() && events_.begin()->first <= end) {
            auto event = std::move(events_.begin()->second);
            const uint64_t at = events_.begin()->first;
            events_.erase(events_.begin());
            if (at > time_.Elapsed()) time_.Advance(at - time_.Elapsed());
            lock.unlock();
            event();
            lock.lock();
        }
        if (end > time_.Elapsed()) time_.Advance(end - time_.Elapsed());
    }

    // Waits (in real time, bounded) until a thread sleeps in the held sleeper.
    bool WaitUntilSleeping() {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(10), [this] { return sleepers_ > 0; });
    }

    // Lets every sleep, present and future, pass.
    void Release() {
        std::lock_guard lock(mutex_);
        held_ = false;
        changed_.notify_all();
    }

private:
    VirtualTime& time_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::multimap<uint64_t, std::function<void()>> events_;
    bool held_;
    int sleepers_ = 0;
};

}  // namespace halvoran::test
