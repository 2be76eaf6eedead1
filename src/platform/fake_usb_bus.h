// A USB printer bus double for machines without a USB printer. The listed
// printer interfaces are set by the caller; the opened one carries bytes to
// and from another Device that plays the printer (a scripted printer or the
// in-process simulator). Vendor requests are recorded and can be refused.
#pragma once
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/usb_printer_bus.h"

namespace halvoran {

class FakeUsbBus final : public UsbPrinterBus {
public:
    FakeUsbBus(Device& printer, Sleeper& sleeper) : printer_(printer), sleeper_(sleeper) {}

    // The interfaces the bus reports, in the order given.
    void SetPrinters(std::vector<UsbPrinterInterface> printers) { printers_ = std::move(printers); }
    void RejectVendorRequests(bool reject) { rejectVendor_ = reject; }
    void FailOpen(bool fail) { failOpen_ = fail; }
    // Writes never complete: each one uses up its time limit and fails.
    void StallWrites(bool stall) { stallWrites_ = stall; }

    const std::vector<UsbVendorRequest>& VendorRequests() const { return vendorRequests_; }
    const std::string& OpenedLocation() const { return opened_; }
    int OpenCount() const { return opens_; }

    std::vector<UsbPrinterInterface> ListPrinterInterfaces() override { return printers_; }
    bool Open(const std::string& location) override;
    void Close() override { open_ = false; }
    bool IsOpen() const override { return open_; }
    long Read(uint8_t* buffer, size_t n, uint32_t timeoutMs) override;
    bool Write(const uint8_t* data, size_t n) override;
    bool Flush() override { return open_ && printer_.Flush(); }
    bool SendVendorRequest(const UsbVendorRequest& request) override;
    bool WriteWithin(const uint8_t* data, size_t n, uint32_t timeoutMs) override;

private:
    Device& printer_;
    Sleeper& sleeper_;
    std::vector<UsbPrinterInterface> printers_;
    std::vector<UsbVendorRequest> vendorRequests_;
    std::string opened_;
    bool rejectVendor_ = false;
    bool failOpen_ = false;
    bool stallWrites_ = false;
    bool open_ = false;
    int opens_ = 0;
};

}  // namespace halvoran
