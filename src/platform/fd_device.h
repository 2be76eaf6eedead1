// Device over a POSIX file descriptor: device files, ttys, ptys.
#pragma once
#include "platform/device.h"

namespace halvoran {

class FdDevice : public Device {
public:
    FdDevice() = default;
    ~FdDevice() override;
    FdDevice(const FdDevice&) = delete;
    FdDevice& operator=(const FdDevice&) = delete;

    bool Open(const std::string& path) override;
    void Close() override;
    bool IsOpen() const override { return fd_ >= 0; }
    long Read(uint8_t* buffer, size_t n, uint32_t timeoutMs) override;
    bool Write(const uint8_t* data, size_t n) override;
    bool Flush() override;

    // The descriptor, for the platform code that sets up a line (termios, ppdev).
    int Fd() const { return fd_; }

private:
    int fd_ = -1;
};

}  // namespace halvoran
