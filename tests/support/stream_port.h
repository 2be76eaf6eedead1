// A minimal concrete port for testing the shared link logic: it reads records
// with ReadExactly and connects like the serial port, without line settings.
#pragma once
#include "link/ciface.h"

namespace halvoran::test {

class StreamPort : public CIface {
public:
    explicit StreamPort(PortEnv env) : CIface(kPortSerial, 10000, env) {}
    bool Connect() override { return ConnectHandshake(0, true, true, false); }
    bool Disconnect(uint8_t mode) override { return DisconnectAndClose(mode, 0); }
    bool ReadRecord(uint8_t* buffer, uint32_t& length) override { return ReadRecordExactly(buffer, length); }
    bool Write(const uint8_t* data, uint32_t count) override { return Dev().Write(data, count); }
    bool Release() override {
        if (HeldPrinterCount) RestoreSpoolerPort();
        return Close();
    }
    using CIface::ReadExactly;

protected:
    std::string FormDevicePath() override { return "/dev/test" + std::to_string(PortNumber); }
};

}  // namespace halvoran::test
