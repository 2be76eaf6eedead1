#include "platform/clock.h"

#include <chrono>
#include <thread>

namespace halvoran {

uint32_t SteadyClock::NowMs() {
    using namespace std::chrono;
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void RealSleeper::SleepMs(uint32_t ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

Clock& SystemClock() {
    static SteadyClock clock;
    return clock;
}

Sleeper& SystemSleeper() {
    static RealSleeper sleeper;
    return sleeper;
}

}  // namespace halvoran
