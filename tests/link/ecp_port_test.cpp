// The parallel port over the ppdev double, with a scripted printer behind it.
#include <gtest/gtest.h>

#include "link/ecp_port.h"
#include "platform/fake_parallel_line.h"
#include "support/fake_spooler.h"
#include "support/scripted_device.h"

namespace halvoran::test {
namespace {

const Bytes kConnectCommand = {0x1D, 0x1A, 0x1B, 0x1C, 0x1D, 'M', 'O', 'D', 'E', 0x15};
const Bytes kDisconnectCommand = {0x1D, 0x1A, 0x1B, 0x1C, 0x1D, 'M', 'O', 'D', 'E', 0x16};
const NegotiationMasks kNothing{0, 0};

class EcpTest : public ::testing::Test {
protected:
    void SetUp() override {
        port.Configure(1, 10000, 10000);
        spooler.Add("a", "LPT1:");
        spooler.Add("b", "LPT2:");
    }
    bool ConnectWithEcho() {
        printer.QueueReply(MakeRecord(kConnectCommand));
        return port.Connect();
    }

    VirtualTime time;
    ScriptedDevice printer{time};
    FakeParallelLine line{printer, time};
    FakeSpooler spooler;
    LptMap ports;
    CECP port{PortEnv{nullptr, &time, &time, &spooler}, line, ports};
};

TEST_F(EcpTest, ConnectNegotiatesReopensAndChecksTheEcho) {
    ASSERT_TRUE(ConnectWithEcho());
    EXPECT_EQ(line.LastPath(), "/dev/parport0");
    EXPECT_EQ(printer.Writes(), std::vector<Bytes>{kConnectCommand});
    EXPECT_EQ(line.NegotiationCount(), 1);
    EXPECT_EQ(line.OpenCount(), 3);  // Open, reopen before the acknowledgement, reopen after the echo
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(port.BidiMode, 1);
    EXPECT_EQ(port.ReleaseOnOpen, 0);
    EXPECT_EQ(spooler.Port("a"), "FILE:");
    EXPECT_EQ(spooler.Port("b"), "LPT2:");

    port.Configure(1, 10000, 10000);
    EXPECT_EQ(port.BidiMode, 0);
}

TEST_F(EcpTest, PortTwoOpensTheSecondParportAndMovesLpt2Printers) {
    port.Configure(2, 10000, 10000);
    ASSERT_TRUE(ConnectWithEcho());
    EXPECT_EQ(line.LastPath(), "/dev/parport1");
    EXPECT_EQ(port.SpoolerPortName(), "LPT2:");
    EXPECT_EQ(spooler.Port("a"), "LPT1:");
    EXPECT_EQ(spooler.Port("b"), "FILE:");
}

TEST_F(EcpTest, OpenOnAnOpenPortFailsAndKeepsTheDevice) {
    ASSERT_TRUE(port.Open());
    EXPECT_FALSE(port.Open());
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(line.OpenCount(), 1);
}

TEST_F(EcpTest, AFailedOpenFailsConnect) {
    line.FailOpen(true);
    EXPECT_FALSE(ConnectWithEcho());
    EXPECT_FALSE(port.IsOpen());
    EXPECT_TRUE(printer.Writes().empty());
}

struct NegotiationCase {
    const char* Title;
    NegotiationResult Answer;
    bool Granted;
};

const NegotiationCase kNegotiationCases[] = {
    {"nibble reverse granted", {NegotiateStatus::Done, {kChannelNibble, 0}}, true},
    {"compatibility forward granted", {NegotiateStatus::Done, {0, kIeeeCompatibility}}, true},
    {"not connected but a mode granted", {NegotiateStatus::NotConnected, {kChannelNibble, 0}}, true},
    {"not connected, nothing granted", {NegotiateStatus::NotConnected, kNothing}, false},
    {"answered, nothing granted", {NegotiateStatus::Done, kNothing}, false},
    {"other failure ignores the masks", {NegotiateStatus::Failed, {kChannelNibble, kIeeeCompatibility}}, false},
    {"only modes not asked for", {NegotiateStatus::Done, {0x0004, 0x0001}}, false},
};

class EcpNegotiationTest : public EcpTest, public ::testing::WithParamInterface<NegotiationCase> {};

TEST_P(EcpNegotiationTest, GrantedModesDecideAndRefusalGivesUpAfterTenSeconds) {
    const NegotiationCase& c = GetParam();
    SCOPED_TRACE(c.Title);
    line.SetNegotiationAnswer(c.Answer);
    ASSERT_TRUE(port.Open());
    const uint64_t start = time.Elapsed();
    EXPECT_EQ(port.SetBidiMode(1), c.Granted);
    EXPECT_EQ(port.BidiMode, c.Granted ? 1 : 0);
    if (c.Granted) {
        EXPECT_EQ(line.NegotiationCount(), 1);
        return;
    }
    const uint64_t spent = time.Elapsed() - start;
    EXPECT_GE(spent, kNegotiationLimitMs);
    EXPECT_LT(spent, kNegotiationLimitMs + 2 * kNegotiationRetryMs);
    // Attempts are spaced by sleeps, not run back to back.
    EXPECT_LE(line.NegotiationCount(), static_cast<int>(kNegotiationLimitMs / kNegotiationRetryMs) + 2);
    EXPECT_TRUE(port.IsOpen());
}

INSTANTIATE_TEST_SUITE_P(Answers, EcpNegotiationTest, ::testing::ValuesIn(kNegotiationCases),
                         [](const auto& info) { return std::to_string(info.index); });

TEST_F(EcpTest, NegotiationRetriesUntilThePrinterAnswers) {
    for (int i = 0; i < 5; ++i) line.QueueNegotiation({NegotiateStatus::NotConnected, kNothing});
    line.QueueNegotiation({NegotiateStatus::Failed, kNothing});
    ASSERT_TRUE(ConnectWithEcho());
    EXPECT_EQ(line.NegotiationCount(), 7);
    EXPECT_LT(time.Elapsed(), kNegotiationLimitMs);
}

struct AckCase {
    const char* Title;
    Bytes Ack;
    bool Accepted;
};

const AckCase kAckCases[] = {
    {"ESC backslash", {0x1B, 0x5C}, true},
    {"no acknowledgement", {}, false},
    {"ESC then another byte", {0x1B, 0x41}, false},
    {"a single ESC", {0x1B}, false},
    {"reversed", {0x5C, 0x1B}, false},
};

class EcpAckTest : public EcpTest, public ::testing::WithParamInterface<AckCase> {};

TEST_P(EcpAckTest, OnlyEscBackslashAcknowledges) {
    const AckCase& c = GetParam();
    SCOPED_TRACE(c.Title);
    line.SetAcknowledgement(c.Ack);
    ASSERT_TRUE(port.Open());
    const uint64_t start = time.Elapsed();
    EXPECT_EQ(port.SetBidiMode(1), c.Accepted);
    EXPECT_EQ(port.BidiMode, c.Accepted ? 1 : 0);
    if (c.Ack.size() < 2) EXPECT_GE(time.Elapsed() - start, port.ReadTimeout);
}

INSTANTIATE_TEST_SUITE_P(Acks, EcpAckTest, ::testing::ValuesIn(kAckCases),
                         [](const auto& info) { return std::to_string(info.index); });

TEST_F(EcpTest, WhileInReplyModeSetBidiModeSkipsNegotiationButStillWaitsForTheAck) {
    ASSERT_TRUE(ConnectWithEcho());
    const int opens = line.OpenCount();
    EXPECT_FALSE(port.SetBidiMode(1));  // nothing acknowledges without a negotiation
    EXPECT_EQ(line.NegotiationCount(), 1);
    EXPECT_EQ(line.OpenCount(), opens + 1);

    printer.Deliver({0x1B, 0x5C});
    EXPECT_TRUE(port.SetBidiMode(1));
    EXPECT_EQ(line.NegotiationCount(), 1);
}

TEST_F(EcpTest, EveryRecordIsFollowedByAReopen) {
    ASSERT_TRUE(ConnectWithEcho());
    printer.QueueReply(MakeRecord("hello", true));
    const Bytes request = ToBytes("GET");
    ASSERT_TRUE(port.Write(request.data(), static_cast<uint32_t>(request.size())));
    const int opens = line.OpenCount();
    uint8_t buffer[64] = {};
    uint32_t length = sizeof buffer;
    ASSERT_TRUE(port.ReadRecord(buffer, length));
    EXPECT_EQ(Bytes(buffer, buffer + length), ToBytes("hello"));
    EXPECT_EQ(port.RecordMarker, 1);
    EXPECT_EQ(line.OpenCount(), opens + 1);
    EXPECT_TRUE(port.IsOpen());
}

TEST_F(EcpTest, AFailedReopenFailsTheReadWithTheRecordInTheBuffer) {
    ASSERT_TRUE(ConnectWithEcho());
    printer.QueueReply(MakeRecord("page"));
    const Bytes request = ToBytes("GET");
    ASSERT_TRUE(port.Write(request.data(), static_cast<uint32_t>(request.size())));
    line.FailOpen(true);
    uint8_t buffer[64] = {};
    uint32_t length = sizeof buffer;
    EXPECT_FALSE(port.ReadRecord(buffer, length));
    EXPECT_EQ(length, 4u);
    EXPECT_EQ(Bytes(buffer, buffer + 4), ToBytes("page"));
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(EcpTest, AStalledWriteFailsAfterTheWriteTimeoutOfItsCall) {
    ASSERT_TRUE(port.Open());
    line.StallWrites(true);
    const uint8_t data[] = {1, 2, 3};
    for (uint32_t limit : {10000u, 200000u, 500u}) {
        port.WriteTimeout = limit;
        const uint64_t start = time.Elapsed();
        EXPECT_FALSE(port.Write(data, sizeof data));
        EXPECT_EQ(time.Elapsed() - start, limit);
    }
    EXPECT_TRUE(port.IsOpen());
}

TEST_F(EcpTest, APrinterThatNeverTakesDataFailsConnect) {
    line.StallWrites(true);
    EXPECT_FALSE(ConnectWithEcho());
    EXPECT_TRUE(printer.Writes().empty());
    EXPECT_TRUE(port.Release());
    EXPECT_EQ(spooler.Port("a"), "LPT1:");
}

struct DisconnectCase {
    const char* Title;
    uint8_t Mode;
    bool StallWrites;
    std::vector<Bytes> Sent;
};

const DisconnectCase kDisconnectCases[] = {
    {"mode 1 tells the printer", 1, false, {kDisconnectCommand}},
    {"mode 0 sends nothing", 0, false, {}},
    {"a refused disconnect command still closes", 1, true, {}},
};

class EcpDisconnectTest : public EcpTest, public ::testing::WithParamInterface<DisconnectCase> {};

TEST_P(EcpDisconnectTest, EndsReplyModeReturnsPrintersAndCloses) {
    const DisconnectCase& c = GetParam();
    SCOPED_TRACE(c.Title);
    ASSERT_TRUE(ConnectWithEcho());
    const size_t before = printer.Writes().size();
    line.StallWrites(c.StallWrites);
    EXPECT_TRUE(port.Disconnect(c.Mode));
    std::vector<Bytes> writes = printer.Writes();
    EXPECT_EQ(std::vector<Bytes>(writes.begin() + static_cast<long>(before), writes.end()), c.Sent);
    EXPECT_EQ(port.BidiMode, 0);
    EXPECT_EQ(port.ReleaseOnOpen, 1);
    EXPECT_EQ(port.HeldPrinterCount, 0);
    EXPECT_EQ(spooler.Port("a"), "LPT1:");
    EXPECT_FALSE(port.IsOpen());
}

INSTANTIATE_TEST_SUITE_P(Modes, EcpDisconnectTest, ::testing::ValuesIn(kDisconnectCases),
                         [](const auto& info) { return std::to_string(info.index); });

TEST_F(EcpTest, DisconnectOnAClosedPortFailsAndSendsNothing) {
    EXPECT_FALSE(port.Disconnect(1));
    EXPECT_TRUE(printer.Writes().empty());
}

TEST_F(EcpTest, CloseKeepsPrintersHeldReleaseGivesThemBackWithoutRearming) {
    ASSERT_TRUE(ConnectWithEcho());
    EXPECT_TRUE(port.Close());
    EXPECT_EQ(spooler.Port("a"), "FILE:");
    EXPECT_EQ(port.HeldPrinterCount, 1);

    EXPECT_TRUE(port.Release());
    EXPECT_EQ(spooler.Port("a"), "LPT1:");
    EXPECT_EQ(port.HeldPrinterCount, 0);
    EXPECT_EQ(port.ReleaseOnOpen, 0);
    EXPECT_EQ(printer.Writes().size(), 1u);  // only the connect command

    // ReleaseOnOpen is still clear: the next Open moves no printer.
    ASSERT_TRUE(port.Open());
    EXPECT_EQ(spooler.Port("a"), "LPT1:");
}

}  // namespace
}  // namespace halvoran::test
