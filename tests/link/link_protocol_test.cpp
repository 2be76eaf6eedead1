#include <gtest/gtest.h>

#include "link/frames.h"
#include "support/scripted_device.h"
#include "support/stream_port.h"

namespace halvoran::test {
namespace {

const Bytes kConnectCommand = {0x1D, 0x1A, 0x1B, 0x1C, 0x1D, 'M', 'O', 'D', 'E', 0x15};

class LinkTest : public ::testing::Test {
protected:
    VirtualTime time;
    ScriptedDevice device{time};
    StreamPort port{PortEnv{&device, &time, &time, nullptr}};
};

TEST(Frames, ModeCommandsAndBlocks) {
    ModeCommand connect = MakeModeCommand(kModeConnect);
    EXPECT_EQ(Bytes(connect.begin(), connect.end()), kConnectCommand);
    CommandBlock block = MakeCommandBlock(kModeDisconnect);
    EXPECT_EQ(block[9], 0x16);
    for (size_t i = 10; i < block.size(); ++i) EXPECT_EQ(block[i], 0) << i;
}

TEST(Frames, RecordHeaderMarkerNeedsBothBytes) {
    const uint8_t marked[] = {0x01, 0x02, 0x55, 0xAA};
    const uint8_t swapped[] = {0x00, 0x05, 0xAA, 0x55};
    EXPECT_EQ(ParseRecordHeader(marked).Length, 0x0102);
    EXPECT_TRUE(ParseRecordHeader(marked).Marker);
    EXPECT_FALSE(ParseRecordHeader(swapped).Marker);
}

struct EchoCase {
    const char* name;
    Bytes echo;
    bool connects;
};

class ConnectEcho : public LinkTest, public ::testing::WithParamInterface<EchoCase> {};

TEST_P(ConnectEcho, ConnectsOnlyOnAFullMatchingEcho) {
    device.QueueReply(MakeRecord(GetParam().echo));
    EXPECT_EQ(port.Connect(), GetParam().connects);
    ASSERT_EQ(device.Writes().size(), 1u);
    EXPECT_EQ(device.Writes()[0], kConnectCommand);
    EXPECT_EQ(port.ReleaseOnOpen, 0);
    EXPECT_TRUE(port.IsOpen()) << "a failed connect leaves the port open for Release";
}

Bytes WithCode(uint8_t code) {
    Bytes b = kConnectCommand;
    b[9] = code;
    return b;
}

Bytes Extended(Bytes b) {
    b.push_back(0xEE);
    b.push_back(0xFF);
    return b;
}

INSTANTIATE_TEST_SUITE_P(Echoes, ConnectEcho,
                         ::testing::Values(EchoCase{"exact", kConnectCommand, true},
                                           EchoCase{"nineBytes", Bytes(kConnectCommand.begin(), kConnectCommand.end() - 1), false},
                                           EchoCase{"wrongCode", WithCode(0x16), false},
                                           EchoCase{"twelveBytes", Extended(kConnectCommand), true},
                                           EchoCase{"empty", Bytes{}, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(LinkTest, ConnectFailsWhenThePrinterIsSilent) {
    device.FallSilent();
    EXPECT_FALSE(port.Connect());
    EXPECT_GE(time.Elapsed(), 10000u);
}

TEST_F(LinkTest, ConnectFailsWhenOpenFails) {
    device.FailOpen(true);
    EXPECT_FALSE(port.Connect());
    EXPECT_TRUE(device.Writes().empty());
}

TEST_F(LinkTest, ConnectEchoLargerThanReplyBufferIsRefused) {
    Bytes huge = kConnectCommand;
    huge.resize(kReplyBufferSize + 1, 0x41);
    device.QueueReply(MakeRecord(huge));
    EXPECT_FALSE(port.Connect());
}

TEST_F(LinkTest, RecordMarkerIsSetAndClearedPerRecord) {
    ASSERT_TRUE(port.Open());
    device.Deliver(MakeRecord(Bytes{1, 2, 3, 4, 5}, true));
    device.Deliver(MakeRecord(Bytes{6, 7, 8, 9, 10}, false));
    uint8_t buffer[16];
    uint32_t length = sizeof buffer;
    ASSERT_TRUE(port.ReadRecord(buffer, length));
    EXPECT_EQ(length, 5u);
    EXPECT_EQ(port.RecordMarker, 1);
    EXPECT_EQ(buffer[0], 1);
    length = sizeof buffer;
    ASSERT_TRUE(port.ReadRecord(buffer, length));
    EXPECT_EQ(port.RecordMarker, 0);
    EXPECT_EQ(buffer[4], 10);
}

TEST_F(LinkTest, ZeroLengthRecordSucceedsAtOnce) {
    ASSERT_TRUE(port.Open());
    device.Deliver(MakeRecord(Bytes{}));
    uint8_t buffer[4] = {9, 9, 9, 9};
    uint32_t length = sizeof buffer;
    ASSERT_TRUE(port.ReadRecord(buffer, length));
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(time.Elapsed(), 0u);
}

TEST_F(LinkTest, RecordLargerThanCapacityIsRefusedWithoutOverrun) {
    ASSERT_TRUE(port.Open());
    device.Deliver(MakeRecord(Bytes(17, 0x41)));
    uint8_t buffer[32];
    std::fill(std::begin(buffer), std::end(buffer), 0);
    uint32_t length = 16;
    EXPECT_FALSE(port.ReadRecord(buffer, length));
    for (uint8_t b : buffer) EXPECT_EQ(b, 0);
}

TEST_F(LinkTest, ReadExactlyLimitIsInactivityNotTotalTime) {
    port.ReadTimeout = 10000;
    ASSERT_TRUE(port.Open());
    // One byte every 9 s: 36 s in all, never 10 s without a byte.
    device.Deliver(MakeRecord(Bytes{1, 2, 3, 4}));
    ScriptedReply slow{MakeRecord(Bytes{1, 2, 3, 4}), 9000, 9000};
    device.QueueReply(slow);
    uint8_t buffer[8];
    uint32_t length = sizeof buffer;
    ASSERT_TRUE(port.ReadRecord(buffer, length));  // the first, prompt record
    ASSERT_TRUE(port.Write(buffer, 1));            // triggers the slow one
    length = sizeof buffer;
    const uint64_t start = time.Elapsed();
    ASSERT_TRUE(port.ReadRecord(buffer, length));
    EXPECT_EQ(length, 4u);
    EXPECT_GE(time.Elapsed() - start, 8u * 9000u);
}

TEST_F(LinkTest, ReadExactlyFailsAfterTenSecondPause) {
    ASSERT_TRUE(port.Open());
    ScriptedReply paused{MakeRecord(Bytes{1}), 10000, 0};
    device.QueueReply(paused);
    ASSERT_TRUE(port.Write(kConnectCommand.data(), 1));
    uint8_t buffer[8];
    uint32_t length = sizeof buffer;
    EXPECT_FALSE(port.ReadRecord(buffer, length));
}

TEST_F(LinkTest, FailedHeaderReadKeepsTheMarker) {
    ASSERT_TRUE(port.Open());
    device.Deliver(MakeRecord(Bytes{1}, true));
    uint8_t buffer[8];
    uint32_t length = sizeof buffer;
    ASSERT_TRUE(port.ReadRecord(buffer, length));
    length = sizeof buffer;
    EXPECT_FALSE(port.ReadRecord(buffer, length));
    EXPECT_EQ(port.RecordMarker, 1);
}

TEST_F(LinkTest, DisconnectSendsCommandOnlyWhenAsked) {
    for (uint8_t mode : {uint8_t{0}, uint8_t{1}}) {
        ScriptedDevice dev{time};
        StreamPort p{PortEnv{&dev, &time, &time, nullptr}};
        ASSERT_TRUE(p.Open());
        p.ReleaseOnOpen = 0;
        p.BidiMode = 1;
        EXPECT_TRUE(p.Disconnect(mode));
        EXPECT_FALSE(p.IsOpen());
        EXPECT_EQ(p.BidiMode, 0);
        EXPECT_EQ(p.ReleaseOnOpen, 1);
        if (mode == 0) {
            EXPECT_TRUE(dev.Writes().empty());
        } else {
            ASSERT_EQ(dev.Writes().size(), 1u);
            EXPECT_EQ(dev.Writes()[0], WithCode(0x16));
        }
    }
}

TEST_F(LinkTest, ClosedPortDisconnectFailsAndCloseSucceeds) {
    EXPECT_FALSE(port.Disconnect(1));
    EXPECT_TRUE(port.Close());
    EXPECT_TRUE(device.Writes().empty());
}

TEST_F(LinkTest, OpenTwiceFails) {
    ASSERT_TRUE(port.Open());
    EXPECT_FALSE(port.Open());
}

}  // namespace
}  // namespace halvoran::test
