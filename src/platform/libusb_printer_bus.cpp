#include "platform/libusb_printer_bus.h"

#include <functional>
#include <libusb.h>

namespace halvoran {

namespace {

constexpr uint8_t kPrinterClass = LIBUSB_CLASS_PRINTER;
constexpr uint32_t kPlainWriteLimitMs = 10000;
constexpr unsigned kControlTimeoutMs = 5000;
constexpr int kMaxPortDepth = 7;

struct Endpoints {
    uint8_t In = 0;
    uint8_t Out = 0;
    uint16_t InPacket = 0;
};

Endpoints BulkEndpoints(const libusb_interface_descriptor& alt) {
    Endpoints found;
    for (int e = 0; e < alt.bNumEndpoints; ++e) {
        const libusb_endpoint_descriptor& ep = alt.endpoint[e];
        if ((ep.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK) != LIBUSB_TRANSFER_TYPE_BULK) continue;
        if ((ep.bEndpointAddress & LIBUSB_ENDPOINT_DIR_MASK) == LIBUSB_ENDPOINT_IN) {
            if (!found.In) {
                found.In = ep.bEndpointAddress;
                found.InPacket = ep.wMaxPacketSize;
            }
        } else if (!found.Out) {
            found.Out = ep.bEndpointAddress;
        }
    }
    return found;
}

using Visit = std::function<bool(libusb_device*, const UsbPrinterInterface&, const libusb_interface_descriptor&)>;

// Calls visit for each printer-class interface (its first alternate setting
// with both bulk endpoints, else its first) until visit returns true.
void ForEachPrinterInterface(libusb_context* context, const Visit& visit) {
    if (!context) return;
    libusb_device** list = nullptr;
    ssize_t count = libusb_get_device_list(context, &list);
    if (count < 0) return;
    bool done = false;
    for (ssize_t d = 0; d < count && !done; ++d) {
        libusb_device* device = list[d];
        libusb_device_descriptor desc{};
        libusb_config_descriptor* config = nullptr;
        if (libusb_get_device_descriptor(device, &desc) != 0) continue;
        if (libusb_get_active_config_descriptor(device, &config) != 0 &&
            libusb_get_config_descriptor(device, 0, &config) != 0) {
            continue;
        }
        UsbPrinterInterface printer;
        printer.Bus = libusb_get_bus_number(device);
        uint8_t ports[kMaxPortDepth];
        int depth = libusb_get_port_numbers(device, ports, kMaxPortDepth);
        if (depth > 0) printer.PortPath.assign(ports, ports + depth);
        printer.VendorId = desc.idVendor;
        printer.ProductId = desc.idProduct;
        for (int i = 0; i < config->bNumInterfaces && !done; ++i) {
            const libusb_interface& iface = config->interface[i];
            const libusb_interface_descriptor* chosen = nullptr;
            bool chosenBidi = false;
            for (int a = 0; a < iface.num_altsetting && !chosenBidi; ++a) {
                const libusb_interface_descriptor& alt = iface.altsetting[a];
                if (alt.bInterfaceClass != kPrinterClass) continue;
                Endpoints ep = BulkEndpoints(alt);
                chosenBidi = ep.In && ep.Out;
                if (!chosen || chosenBidi) chosen = &alt;
            }
            if (!chosen) continue;
            printer.Interface = chosen->bInterfaceNumber;
            done = visit(device, printer, *chosen);
        }
        libusb_free_config_descriptor(config);
    }
    libusb_free_device_list(list, 1);
}

}  // namespace

LibusbPrinterBus::LibusbPrinterBus()
    : in_([this](uint8_t* buffer, size_t n, uint32_t timeoutMs) -> long {
              int moved = 0;
              int rc = libusb_bulk_transfer(handle_, inEndpoint_, buffer, static_cast<int>(n), &moved, timeoutMs);
              if (rc == 0 || rc == LIBUSB_ERROR_TIMEOUT) return moved;
              return moved > 0 ? moved : -1;
          },
          64) {
    if (libusb_init(&context_) != 0) context_ = nullptr;
}

LibusbPrinterBus::~LibusbPrinterBus() {
    Close();
    if (context_) libusb_exit(context_);
}

std::vector<UsbPrinterInterface> LibusbPrinterBus::ListPrinterInterfaces() {
    std::vector<UsbPrinterInterface> found;
    ForEachPrinterInterface(context_, [&](libusb_device*, const UsbPrinterInterface& printer,
                                          const libusb_interface_descriptor&) {
        found.push_back(printer);
        return false;
    });
    return found;
}

bool LibusbPrinterBus::Open(const std::string& location) {
    if (handle_) return false;
    bool opened = false;
    ForEachPrinterInterface(context_, [&](libusb_device* device, const UsbPrinterInterface& printer,
                                          const libusb_interface_descriptor& alt) {
        if (UsbLocation(printer) != location) return false;
        Endpoints ep = BulkEndpoints(alt);
        libusb_device_handle* handle = nullptr;
        if (!ep.In || !ep.Out || libusb_open(device, &handle) != 0) return true;
        // Detaches usblp for the claim and attaches it again at release.
        libusb_set_auto_detach_kernel_driver(handle, 1);
        if (libusb_claim_interface(handle, alt.bInterfaceNumber) != 0 ||
            (alt.bAlternateSetting != 0 &&
             libusb_set_interface_alt_setting(handle, alt.bInterfaceNumber, alt.bAlternateSetting) != 0)) {
            libusb_release_interface(handle, alt.bInterfaceNumber);
            libusb_close(handle);
            return true;
        }
        handle_ = handle;
        interface_ = alt.bInterfaceNumber;
        inEndpoint_ = ep.In;
        outEndpoint_ = ep.Out;
        in_.Reset(ep.InPacket);
        opened = true;
        return true;
    });
    return opened;
}

void LibusbPrinterBus::Close() {
    if (!handle_) return;
    libusb_release_interface(handle_, interface_);
    libusb_close(handle_);
    handle_ = nullptr;
}

long LibusbPrinterBus::Read(uint8_t* buffer, size_t n, uint32_t timeoutMs) {
    if (!handle_) return -1;
    if (n == 0) return 0;
    return in_.Read(buffer, n, timeoutMs);
}

bool LibusbPrinterBus::WriteWithin(const uint8_t* data, size_t n, uint32_t timeoutMs) {
    if (!handle_) return false;
    size_t done = 0;
    while (done < n) {
        int moved = 0;
        int rc = libusb_bulk_transfer(handle_, outEndpoint_, const_cast<uint8_t*>(data + done),
                                      static_cast<int>(n - done), &moved, timeoutMs);
        if (moved <= 0) return false;
        done += static_cast<size_t>(moved);
        // A slow printer that keeps taking bytes is never cut off.
        if (rc != 0 && rc != LIBUSB_ERROR_TIMEOUT) return false;
    }
    return true;
}

bool LibusbPrinterBus::Write(const uint8_t* data, size_t n) { return WriteWithin(data, n, kPlainWriteLimitMs); }

bool LibusbPrinterBus::SendVendorRequest(const UsbVendorRequest& request) {
    if (!handle_) return false;
    const uint8_t type = static_cast<uint8_t>(LIBUSB_ENDPOINT_OUT) | static_cast<uint8_t>(LIBUSB_REQUEST_TYPE_VENDOR) |
                         static_cast<uint8_t>(LIBUSB_RECIPIENT_INTERFACE);
    std::vector<uint8_t> data = request.Data;
    int rc = libusb_control_transfer(handle_, type, request.Request, request.Value, interface_, data.data(),
                                     static_cast<uint16_t>(data.size()), kControlTimeoutMs);
    return rc >= 0;
}

}  // namespace halvoran
