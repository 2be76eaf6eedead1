// UsbPrinterBus over libusb. Open detaches the kernel's usblp driver where it
// is attached (it is given back at Close), claims the interface and finds its
// bulk endpoints. Every transfer has a time-out.
#pragma once
#include "platform/usb_in_stream.h"
#include "platform/usb_printer_bus.h"

struct libusb_context;
struct libusb_device_handle;

namespace halvoran {

class LibusbPrinterBus final : public UsbPrinterBus {
public:
    LibusbPrinterBus();
    ~LibusbPrinterBus() override;
    LibusbPrinterBus(const LibusbPrinterBus&) = delete;
    LibusbPrinterBus& operator=(const LibusbPrinterBus&) = delete;

    std::vector<UsbPrinterInterface> ListPrinterInterfaces() override;
    bool Open(const std::string& location) override;
    void Close() override;
    bool IsOpen() const override { return handle_ != nullptr; }
    long Read(uint8_t* buffer, size_t n, uint32_t timeoutMs) override;
    // A plain write, with the port's default 10000 ms inactivity limit.
    bool Write(const uint8_t* data, size_t n) override;
    // A bulk OUT transfer ends once the printer has taken the bytes.
    bool Flush() override { return IsOpen(); }
    bool SendVendorRequest(const UsbVendorRequest& request) override;
    bool WriteWithin(const uint8_t* data, size_t n, uint32_t timeoutMs) override;

private:
    libusb_context* context_ = nullptr;
    libusb_device_handle* handle_ = nullptr;
    uint8_t interface_ = 0;
    uint8_t inEndpoint_ = 0;
    uint8_t outEndpoint_ = 0;
    UsbInStream in_;
};

}  // namespace halvoran
