// The USB port over the libusb double, with a scripted printer behind it.
#include <gtest/gtest.h>

#include "link/usb_port.h"
#include "platform/fake_usb_bus.h"
#include "support/fake_spooler.h"
#include "support/scripted_device.h"

namespace halvoran::test {
namespace {

const Bytes kConnectCommand = {0x1D, 0x1A, 0x1B, 0x1C, 0x1D, 'M', 'O', 'D', 'E', 0x15};

Bytes Block(uint8_t code) {
    Bytes block = {0x1D, 0x1A, 0x1B, 0x1C, 0x1D, 'M', 'O', 'D', 'E', code};
    block.resize(64, 0);
    return block;
}

UsbPrinterInterface At(uint8_t bus, std::vector<uint8_t> ports, uint8_t interfaceNumber) {
    return {bus, std::move(ports), interfaceNumber, 0x1234, 0x5678};
}

class UsbTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Listed out of order on purpose; discovery sorts them.
        bus.SetPrinters({At(2, {1}, 0), At(1, {2}, 0), At(1, {1, 3}, 0), At(1, {1}, 1), At(1, {1}, 0)});
        spooler.Add("a", "LPT1:");
        port.Configure(1, 10000, 10000);
    }
    bool ConnectWithEcho(Bytes echo = kConnectCommand) {
        printer.QueueReply(MakeRecord(echo));
        return port.Connect();
    }
    bool Send(const std::string& text) {
        const Bytes data = ToBytes(text);
        return port.Write(data.data(), static_cast<uint32_t>(data.size()));
    }

    VirtualTime time;
    ScriptedDevice printer{time};
    FakeUsbBus bus{printer, time};
    FakeSpooler spooler;
    CUSBPort port{PortEnv{nullptr, &time, &time, &spooler}, bus};
};

TEST_F(UsbTest, PortNumberNPicksEntryNMinusOneInBusThenPortPathOrder) {
    const char* expected[] = {"usb:1-1:0", "usb:1-1:1", "usb:1-1.3:0", "usb:1-2:0", "usb:2-1:0"};
    for (uint8_t n = 1; n <= 5; ++n) {
        port.Configure(n, 10000, 10000);
        ASSERT_TRUE(port.Open()) << int(n);
        EXPECT_EQ(bus.OpenedLocation(), expected[n - 1]);
        EXPECT_EQ(port.DevicePath, expected[n - 1]);
        EXPECT_TRUE(port.Close());
    }
    for (uint8_t n : {0, 6, 16}) {
        port.Configure(n, 10000, 10000);
        EXPECT_FALSE(port.Open()) << int(n);
        EXPECT_FALSE(port.IsOpen());
    }
    EXPECT_EQ(port.FindUsbPrinter(255), std::nullopt);
}

TEST_F(UsbTest, ConnectSendsTheVendorCommandAndA64ByteBlock) {
    ASSERT_TRUE(ConnectWithEcho());
    EXPECT_EQ(printer.Writes(), std::vector<Bytes>{Block(0x15)});
    ASSERT_EQ(bus.VendorRequests().size(), 1u);
    EXPECT_EQ(bus.VendorRequests()[0], (UsbVendorRequest{0x1D, 0x1A01, {}}));
    EXPECT_EQ(port.BidiMode, 1);
    EXPECT_EQ(port.ReleaseOnOpen, 1);
    EXPECT_EQ(spooler.Port("a"), "LPT1:");
    EXPECT_TRUE(spooler.Changes.empty());
    EXPECT_GE(time.Elapsed(), 1u);
}

TEST_F(UsbTest, ARejectedVendorCommandDoesNotStopConnect) {
    bus.RejectVendorRequests(true);
    EXPECT_TRUE(ConnectWithEcho());
    EXPECT_EQ(port.BidiMode, 0);
    EXPECT_EQ(printer.Writes(), std::vector<Bytes>{Block(0x15)});
}

TEST_F(UsbTest, OpenOnAnOpenPortFails) {
    ASSERT_TRUE(port.Open());
    EXPECT_FALSE(port.Open());
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(bus.OpenCount(), 1);
}

struct EchoCase {
    const char* Title;
    std::optional<Bytes> Reply;  // none: the printer stays silent
    bool Connects;
};

Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const EchoCase kEchoCases[] = {
    {"the ten command bytes", MakeRecord(kConnectCommand), true},
    {"twelve bytes starting with the command", MakeRecord(Concat(kConnectCommand, {1, 2})), true},
    {"nine bytes", MakeRecord(Bytes(kConnectCommand.begin(), kConnectCommand.end() - 1)), false},
    {"wrong code byte", MakeRecord(Concat(Bytes(kConnectCommand.begin(), kConnectCommand.end() - 1), {0x16})), false},
    {"a header too short", Bytes{0x00, 0x0A}, false},
    {"an empty record", MakeRecord(Bytes{}), false},
    {"no answer", std::nullopt, false},
};

class UsbEchoTest : public UsbTest, public ::testing::WithParamInterface<EchoCase> {};

TEST_P(UsbEchoTest, ConnectNeedsTheEchoWithinTenSeconds) {
    const EchoCase& c = GetParam();
    SCOPED_TRACE(c.Title);
    port.ReadTimeout = 1000;  // the echo header wait does not follow ReadTimeout
    if (c.Reply) printer.QueueReply(*c.Reply);
    EXPECT_EQ(port.Connect(), c.Connects);
    if (!c.Reply) {
        EXPECT_GE(time.Elapsed(), kEchoHeaderLimitMs);
        EXPECT_LE(time.Elapsed(), kEchoHeaderLimitMs + 10);
    }
    EXPECT_TRUE(port.IsOpen());  // a failed Connect leaves the device open
}

INSTANTIATE_TEST_SUITE_P(Echoes, UsbEchoTest, ::testing::ValuesIn(kEchoCases),
                         [](const auto& info) { return std::to_string(info.index); });

TEST_F(UsbTest, ReadRecordReadsHeaderAndPayloadAndTheMarker) {
    ASSERT_TRUE(ConnectWithEcho());
    printer.QueueReply(MakeRecord("hello", true));
    printer.QueueReply(MakeRecord(""));
    ASSERT_TRUE(Send("GET"));
    uint8_t buffer[64] = {};
    uint32_t length = sizeof buffer;
    ASSERT_TRUE(port.ReadRecord(buffer, length));
    EXPECT_EQ(Bytes(buffer, buffer + length), ToBytes("hello"));
    EXPECT_EQ(port.RecordMarker, 1);

    ASSERT_TRUE(Send("GET"));
    length = sizeof buffer;
    ASSERT_TRUE(port.ReadRecord(buffer, length));
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(port.RecordMarker, 0);
}

TEST_F(UsbTest, AShortHeaderKeepsTheCallersCapacityAndTheMarker) {
    ASSERT_TRUE(ConnectWithEcho());
    port.RecordMarker = 1;
    printer.QueueReply(Bytes{0xAB, 0xCD});
    printer.QueueReply(ScriptedReply{ToBytes("12345678"), 100});
    ASSERT_TRUE(Send("GET"));
    ASSERT_TRUE(Send("GET"));
    uint8_t buffer[6] = {};
    uint32_t length = sizeof buffer;
    ASSERT_TRUE(port.ReadRecord(buffer, length));
    EXPECT_EQ(Bytes(buffer, buffer + length), ToBytes("123456"));
    EXPECT_EQ(port.RecordMarker, 1);
}

struct ReadFailureCase {
    const char* Title;
    std::optional<Bytes> Reply;
};

const ReadFailureCase kReadFailures[] = {
    {"silent printer", std::nullopt},
    {"header without its payload", Bytes{0x00, 0x05, 0x00, 0x00}},
    {"payload larger than the buffer", MakeRecord(Bytes(65, 'x'))},
};

class UsbReadFailureTest : public UsbTest, public ::testing::WithParamInterface<ReadFailureCase> {};

TEST_P(UsbReadFailureTest, FailsWithinTheReadTimeout) {
    const ReadFailureCase& c = GetParam();
    SCOPED_TRACE(c.Title);
    ASSERT_TRUE(ConnectWithEcho());
    if (c.Reply) printer.QueueReply(*c.Reply);
    ASSERT_TRUE(Send("GET"));
    const uint64_t start = time.Elapsed();
    uint8_t buffer[64] = {};
    uint32_t length = sizeof buffer;
    EXPECT_FALSE(port.ReadRecord(buffer, length));
    EXPECT_LE(time.Elapsed() - start, uint64_t{2} * port.ReadTimeout);
}

INSTANTIATE_TEST_SUITE_P(Failures, UsbReadFailureTest, ::testing::ValuesIn(kReadFailures),
                         [](const auto& info) { return std::to_string(info.index); });

TEST_F(UsbTest, WriteNeedsAnOpenDeviceAndIsBounded) {
    EXPECT_FALSE(Send("GET"));
    ASSERT_TRUE(port.Open());
    EXPECT_TRUE(Send("GET"));
    bus.StallWrites(true);
    const uint64_t start = time.Elapsed();
    EXPECT_FALSE(Send("GET"));
    EXPECT_EQ(time.Elapsed() - start, port.WriteTimeout);
}

struct UsbDisconnectCase {
    const char* Title;
    uint8_t Mode;
    std::vector<Bytes> Sent;
    std::vector<UsbVendorRequest> Vendor;
};

const UsbDisconnectCase kUsbDisconnectCases[] = {
    {"mode 1 sends the block and switches reply mode off", 1, {Block(0x16)}, {{0x1D, 0x1A1B, {}}}},
    {"mode 0 sends nothing", 0, {}, {}},
};

class UsbDisconnectTest : public UsbTest, public ::testing::WithParamInterface<UsbDisconnectCase> {};

TEST_P(UsbDisconnectTest, ClosesWithoutTouchingTheSpooler) {
    const UsbDisconnectCase& c = GetParam();
    SCOPED_TRACE(c.Title);
    ASSERT_TRUE(ConnectWithEcho());
    const size_t writes = printer.Writes().size();
    const size_t requests = bus.VendorRequests().size();
    EXPECT_TRUE(port.Disconnect(c.Mode));
    std::vector<Bytes> sent = printer.Writes();
    EXPECT_EQ(std::vector<Bytes>(sent.begin() + static_cast<long>(writes), sent.end()), c.Sent);
    const auto& vendor = bus.VendorRequests();
    EXPECT_EQ(std::vector<UsbVendorRequest>(vendor.begin() + static_cast<long>(requests), vendor.end()), c.Vendor);
    EXPECT_EQ(port.BidiMode, 0);
    EXPECT_EQ(port.ReleaseOnOpen, 1);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_TRUE(spooler.Changes.empty());
    EXPECT_FALSE(port.Disconnect(1));  // now closed: nothing more is sent
    EXPECT_EQ(printer.Writes().size(), writes + c.Sent.size());
}

INSTANTIATE_TEST_SUITE_P(Modes, UsbDisconnectTest, ::testing::ValuesIn(kUsbDisconnectCases),
                         [](const auto& info) { return std::to_string(info.index); });

TEST_F(UsbTest, CloseAndReleaseBothJustCloseAndAllowReconnecting) {
    for (bool release : {false, true}) {
        ASSERT_TRUE(ConnectWithEcho()) << release;
        const size_t writes = printer.Writes().size();
        const size_t requests = bus.VendorRequests().size();
        EXPECT_TRUE(release ? port.Release() : port.Close());
        EXPECT_FALSE(port.IsOpen());
        EXPECT_EQ(printer.Writes().size(), writes);
        EXPECT_EQ(bus.VendorRequests().size(), requests);
        EXPECT_EQ(port.BidiMode, 1);  // only Disconnect clears it
    }
    EXPECT_TRUE(port.Release());  // on a closed port too
}

}  // namespace
}  // namespace halvoran::test
