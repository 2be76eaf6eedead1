// The USB printers as the USB port needs them: the printer-class interfaces
// (class 7) of the attached devices, and one of them opened as the port's
// byte device. Device::Open takes a location from UsbLocation; Read is one
// bulk IN read, Write one bulk OUT write.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/device.h"

namespace halvoran {

struct UsbPrinterInterface {
    uint8_t Bus = 0;
    std::vector<uint8_t> PortPath;  // hub port numbers from the root hub down
    uint8_t Interface = 0;          // bInterfaceNumber
    uint16_t VendorId = 0;
    uint16_t ProductId = 0;
};

// "usb:<bus>-<port>.<port>...:<interface>", for example "usb:1-1.4:0".
std::string UsbLocation(const UsbPrinterInterface& printer);

// Discovery order: by bus, then port path, then interface number.
bool DiscoveryOrder(const UsbPrinterInterface& a, const UsbPrinterInterface& b);

// A vendor control request to the printer interface.
struct UsbVendorRequest {
    uint8_t Request = 0;
    uint16_t Value = 0;
    std::vector<uint8_t> Data;
    bool operator==(const UsbVendorRequest&) const = default;
};

// A vendor command's bytes as a request: bRequest = byte 0, wValue =
// byte 1 * 256 + byte 2, further bytes as data; nullopt below 3 bytes.
std::optional<UsbVendorRequest> VendorRequestFor(const uint8_t* command, size_t n);

class UsbPrinterBus : public Device {
public:
    // Every printer-class interface attached now, in no particular order.
    virtual std::vector<UsbPrinterInterface> ListPrinterInterfaces() = 0;
    // Sends the request to the open interface (host to device, vendor type,
    // interface recipient, wIndex = interface number).
    virtual bool SendVendorRequest(const UsbVendorRequest& request) = 0;
    // Writes all n bytes; fails when the printer takes nothing for timeoutMs.
    virtual bool WriteWithin(const uint8_t* data, size_t n, uint32_t timeoutMs) = 0;
};

}  // namespace halvoran
