#include "platform/fake_usb_bus.h"

#include <algorithm>

namespace halvoran {

bool FakeUsbBus::Open(const std::string& location) {
    if (open_ || failOpen_) return false;
    bool listed = std::any_of(printers_.begin(), printers_.end(),
                              [&](const UsbPrinterInterface& p) { return UsbLocation(p) == location; });
    if (!listed) return false;
    if (!printer_.IsOpen() && !printer_.Open(location)) return false;
    open_ = true;
    opened_ = location;
    ++opens_;
    return true;
}

long FakeUsbBus::Read(uint8_t* buffer, size_t n, uint32_t timeoutMs) {
    if (!open_) return -1;
    return printer_.Read(buffer, n, timeoutMs);
}

bool FakeUsbBus::Write(const uint8_t* data, size_t n) { return open_ && printer_.Write(data, n); }

bool FakeUsbBus::WriteWithin(const uint8_t* data, size_t n, uint32_t timeoutMs) {
    if (!open_) return false;
    if (stallWrites_) {
        sleeper_.SleepMs(timeoutMs);
        return false;
    }
    return printer_.Write(data, n);
}

bool FakeUsbBus::SendVendorRequest(const UsbVendorRequest& request) {
    if (!open_) return false;
    vendorRequests_.push_back(request);
    return !rejectVendor_;
}

}  // namespace halvoran
