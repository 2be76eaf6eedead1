// SerialLine over the descriptor of an open FdDevice (tty, USB serial adapter, pty).
#pragma once
#include "platform/fd_device.h"
#include "platform/serial_line.h"

namespace halvoran {

class TermiosLine final : public SerialLine {
public:
    explicit TermiosLine(const FdDevice& device) : device_(device) {}
    bool GetConfig(LineConfig& config) override;
    bool SetConfig(const LineConfig& config) override;
    bool SetModemLines(bool dtr, bool rts) override;
    bool Purge() override;

private:
    const FdDevice& device_;
};

}  // namespace halvoran
