#include "platform/usb_printer_bus.h"

#include <tuple>

namespace halvoran {

std::string UsbLocation(const UsbPrinterInterface& printer) {
    std::string text = "usb:" + std::to_string(printer.Bus) + "-";
    for (size_t i = 0; i < printer.PortPath.size(); ++i) {
        if (i > 0) text += ".";
        text += std::to_string(printer.PortPath[i]);
    }
    return text + ":" + std::to_string(printer.Interface);
}

bool DiscoveryOrder(const UsbPrinterInterface& a, const UsbPrinterInterface& b) {
    return std::tie(a.Bus, a.PortPath, a.Interface) < std::tie(b.Bus, b.PortPath, b.Interface);
}

std::optional<UsbVendorRequest> VendorRequestFor(const uint8_t* command, size_t n) {
    if (n < 3) return std::nullopt;
    UsbVendorRequest request;
    request.Request = command[0];
    request.Value = static_cast<uint16_t>(command[1] << 8 | command[2]);
    request.Data.assign(command + 3, command + n);
    return request;
}

}  // namespace halvoran
