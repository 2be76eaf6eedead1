// A serial line double: keeps a termios record for the device it belongs to,
// records every change, and can refuse configurations like a driver does.
#pragma once
#include <cstring>
#include <functional>
#include <vector>

#include "platform/device.h"
#include "platform/serial_line.h"

namespace halvoran::test {

class FakeSerialLine : public SerialLine {
public:
    // Works only while device is open, as the real line works on its descriptor.
    explicit FakeSerialLine(const Device& device) : device_(device) {
        std::memset(&Current, 0, sizeof Current);
        cfsetospeed(&Current, B9600);
        cfsetispeed(&Current, B9600);
        Current.c_cflag = CS7 | CREAD | PARENB;
    }

    bool GetConfig(LineConfig& config) override {
        if (!device_.IsOpen() || FailGet) return false;
        config = Current;
        return true;
    }
    bool SetConfig(const LineConfig& config) override {
        if (!device_.IsOpen() || (Refuse && Refuse(config))) return false;
        Current = config;
        Sets.push_back(config);
        return true;
    }
    bool SetModemLines(bool dtr, bool rts) override {
        if (!device_.IsOpen() || !HasModemLines) return false;
        Dtr = dtr;
        Rts = rts;
        return true;
    }
    bool Purge() override {
        if (!device_.IsOpen()) return false;
        ++Purges;
        return true;
    }

    LineConfig Current;
    std::vector<LineConfig> Sets;
    std::function<bool(const LineConfig&)> Refuse;
    bool FailGet = false;
    bool HasModemLines = true;
    bool Dtr = false;
    bool Rts = true;
    int Purges = 0;

private:
    const Device& device_;
};

}  // namespace halvoran::test
