// SimDevice: an in-process byte device with the simulated printer at its far
// end. Writes feed the printer; reads deliver its answers when they are due
// by the given clock, waiting with the given sleeper (virtual time in tests,
// the system clock for real runs). Closing the device loses the bytes still
// on their way, as a port purge does. Thread-safe.
#pragma once
#include <mutex>
#include <string>

#include "platform/clock.h"
#include "platform/device.h"
#include "printer_sim.h"

namespace halvoran::sim {

class SimDevice : public Device {
public:
    SimDevice(Clock& clock, Sleeper& sleeper, SimOptions options = {});

    bool Open(const std::string& path) override;
    void Close() override;
    bool IsOpen() const override;
    long Read(uint8_t* buffer, size_t n, uint32_t timeoutMs) override;
    bool Write(const uint8_t* data, size_t n) override;
    bool Flush() override;

    // The printer behind the device; use it only while no other thread is
    // inside a read or write (for example between test steps).
    PrinterSim& Printer() { return printer_; }
    // Runs f on the printer under the device's lock.
    template <typename F>
    auto WithPrinter(F&& f) {
        std::lock_guard lock(mutex_);
        return f(printer_);
    }
    std::string LastPath() const;

private:
    Clock& clock_;
    Sleeper& sleeper_;
    mutable std::mutex mutex_;
    PrinterSim printer_;
    bool open_ = false;
    std::string lastPath_;
};

}  // namespace halvoran::sim
