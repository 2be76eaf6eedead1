// USB discovery order, locations, the vendor command mapping and the bulk IN stream.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>

#include "platform/libusb_printer_bus.h"
#include "platform/usb_in_stream.h"
#include "platform/usb_printer_bus.h"

namespace halvoran {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(UsbDiscovery, SortsByBusThenPortPathThenInterface) {
    std::vector<UsbPrinterInterface> printers = {
        {2, {1}, 0}, {1, {2}, 0}, {1, {1, 3}, 0}, {1, {1}, 1}, {1, {10}, 0}, {1, {1}, 0}, {1, {}, 0},
    };
    std::sort(printers.begin(), printers.end(), DiscoveryOrder);
    std::vector<std::string> locations;
    for (const auto& p : printers) locations.push_back(UsbLocation(p));
    EXPECT_EQ(locations, (std::vector<std::string>{"usb:1-:0", "usb:1-1:0", "usb:1-1:1", "usb:1-1.3:0", "usb:1-2:0",
                                                    "usb:1-10:0", "usb:2-1:0"}));
}

struct VendorCase {
    Bytes Command;
    std::optional<UsbVendorRequest> Request;
};

TEST(UsbVendorCommand, FirstByteIsTheRequestNextTwoTheValueTheRestData) {
    const VendorCase cases[] = {
        {{0x1D, 0x1A, 0x01}, UsbVendorRequest{0x1D, 0x1A01, {}}},
        {{0x1D, 0x1A, 0x1B}, UsbVendorRequest{0x1D, 0x1A1B, {}}},
        {{0xFF, 0xFF, 0xFE, 7, 8}, UsbVendorRequest{0xFF, 0xFFFE, {7, 8}}},
        {{0x1D, 0x1A}, std::nullopt},
    };
    for (const VendorCase& c : cases) {
        EXPECT_EQ(VendorRequestFor(c.Command.data(), c.Command.size()), c.Request) << c.Command.size();
    }
}

// A device that sends its messages in packets of 8 bytes, each transfer
// ending at a short packet or when the request is full.
class PacketDevice {
public:
    void Send(const Bytes& message) { messages_.push_back(message); }
    long Transfer(uint8_t* buffer, size_t n, uint32_t) {
        ++transfers_;
        EXPECT_EQ(n % kPacket, 0u) << "transfers ask for whole packets";
        if (messages_.empty()) return 0;
        Bytes& m = messages_.front();
        size_t take = std::min(n, m.size());
        std::copy(m.begin(), m.begin() + static_cast<long>(take), buffer);
        m.erase(m.begin(), m.begin() + static_cast<long>(take));
        if (m.empty()) messages_.pop_front();
        return static_cast<long>(take);
    }
    static constexpr size_t kPacket = 8;
    int transfers_ = 0;

private:
    std::deque<Bytes> messages_;
};

Bytes Count(size_t n, uint8_t from = 0) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(from + i);
    return b;
}

TEST(UsbInStream, AHeaderReadKeepsTheRestOfThePacketForThePayloadRead) {
    PacketDevice device;
    UsbInStream in([&](uint8_t* b, size_t n, uint32_t t) { return device.Transfer(b, n, t); }, PacketDevice::kPacket);
    device.Send(Count(4 + 21));  // a record: 4 header bytes and 21 payload bytes
    device.Send(Count(3, 100));  // the next message
    uint8_t header[4];
    EXPECT_EQ(in.Read(header, 4, 1000), 4);
    EXPECT_EQ(Bytes(header, header + 4), Count(4));
    uint8_t payload[64];
    EXPECT_EQ(in.Read(payload, 21, 1000), 21);
    EXPECT_EQ(Bytes(payload, payload + 21), Count(21, 4));
    // A message ended by a short packet is not joined with the next one.
    EXPECT_EQ(in.Read(payload, sizeof payload, 1000), 3);
    EXPECT_EQ(Bytes(payload, payload + 3), Count(3, 100));
    EXPECT_EQ(in.Read(payload, sizeof payload, 1000), 0);
}

TEST(UsbInStream, KeptBytesOfAMessageThatEndedAreAllTheReadGets) {
    PacketDevice device;
    UsbInStream in([&](uint8_t* b, size_t n, uint32_t t) { return device.Transfer(b, n, t); }, PacketDevice::kPacket);
    device.Send(Count(6));
    device.Send(Count(5, 50));
    uint8_t buffer[16];
    EXPECT_EQ(in.Read(buffer, 2, 1000), 2);
    EXPECT_EQ(in.Read(buffer, 16, 1000), 4);
    EXPECT_EQ(Bytes(buffer, buffer + 4), Count(4, 2));
    EXPECT_EQ(device.transfers_, 1);
    in.Reset(PacketDevice::kPacket);
    EXPECT_EQ(in.Read(buffer, 16, 1000), 5);
}

TEST(UsbInStream, ATransferErrorIsAFailedReadUnlessBytesWereKept) {
    int calls = 0;
    UsbInStream in(
        [&](uint8_t* b, size_t n, uint32_t) -> long {
            if (calls++ > 0) return -1;
            std::fill(b, b + n, 7);
            return static_cast<long>(n);  // a full packet: more may follow
        },
        8);
    uint8_t buffer[16];
    EXPECT_EQ(in.Read(buffer, 4, 1000), 4);
    EXPECT_EQ(in.Read(buffer, 16, 1000), 4);
    EXPECT_EQ(in.Read(buffer, 16, 1000), -1);
}

TEST(LibusbPrinterBus, OpensNoUnlistedLocationAndFailsWhileClosed) {
    LibusbPrinterBus bus;
    EXPECT_FALSE(bus.Open("usb:250-9.9.9:0"));
    EXPECT_FALSE(bus.IsOpen());
    uint8_t byte = 0;
    EXPECT_EQ(bus.Read(&byte, 1, 10), -1);
    EXPECT_FALSE(bus.WriteWithin(&byte, 1, 10));
    EXPECT_FALSE(bus.SendVendorRequest({0x1D, 0x1A01, {}}));
}

}  // namespace
}  // namespace halvoran
