// CUSBPort: the port for a printer attached by USB. Printers are found among
// the printer-class interfaces in discovery order (bus, then port path);
// port number n opens entry n - 1. The reply mode is switched by a vendor
// request and the mode handshake travels in 64-byte blocks.
#pragma once
#include <optional>
#include <string>

#include "link/ciface.h"
#include "platform/usb_printer_bus.h"

namespace halvoran {

class CUSBPort final : public CIface {
public:
    // The bus is the port's device: it replaces env.Dev.
    CUSBPort(PortEnv env, UsbPrinterBus& bus);

    bool Connect() override;
    bool Disconnect(uint8_t mode) override;
    bool Open() override;
    // One read of the 4-byte header and one of the payload, each bounded by
    // ReadTimeout; a short header keeps the caller's capacity as the length.
    bool ReadRecord(uint8_t* buffer, uint32_t& length) override;
    bool Write(const uint8_t* data, uint32_t count) override;
    bool SetBidiMode(uint8_t on) override;
    bool Release() override;

    // The location of the printer interface at this discovery index, or nothing.
    std::optional<std::string> FindUsbPrinter(uint8_t index);

    // The location found by the last Open's discovery.
    std::string InterfacePath;

private:
    bool ReadEcho(uint32_t& length);

    UsbPrinterBus& bus_;
};

// The longest wait for the connect echo's header.
inline constexpr uint32_t kEchoHeaderLimitMs = 10000;

}  // namespace halvoran
