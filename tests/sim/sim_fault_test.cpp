// Each fault the simulator can inject, as the tool's codecs see it.
#include <cstring>

#include "sim_fixture.h"

namespace halvoran::sim::test {
namespace {

TEST_F(SimLinkTest, SlowReplyWithinTheInactivityLimitIsReadToItsEnd) {
    SimOptions options;
    options.SlowByteMs = 9000;
    Start(options);
    const uint64_t start = time.Elapsed();
    ASSERT_TRUE(Connect());
    EXPECT_GE(time.Elapsed() - start, 14u * 9000u) << "every byte of the 14-byte echo came 9 s after the last";
}

TEST_F(SimLinkTest, SlowReplyBeyondTheInactivityLimitFails) {
    SimOptions options;
    options.SlowByteMs = 10500;
    Start(options);
    EXPECT_FALSE(Connect());
}

TEST_F(SimLinkTest, SilentAfterNRequestsAnswersNothingMore) {
    for (uint32_t answered : {0u, 2u}) {
        SCOPED_TRACE("silent after " + std::to_string(answered));
        log.clear();
        SimOptions options;
        options.SilentAfter = answered;
        Start(options);
        if (answered > 0) {
            ASSERT_TRUE(Connect());
            for (uint32_t i = 0; i < answered; ++i) EXPECT_TRUE(Get("/status.htm"));
            EXPECT_FALSE(Get("/status.htm"));
        }
        EXPECT_FALSE(Connect());
        EXPECT_EQ(Printer().State(), LinkState::Silent);
        EXPECT_EQ(Printer().RequestsAnswered(), answered);
        EXPECT_TRUE(Logged("fault: silent"));
    }
}

TEST_F(SimLinkTest, WrongEchoFailsTheConnect) {
    SimOptions options;
    options.WrongEcho = true;
    Start(options);
    EXPECT_FALSE(Connect());
    EXPECT_EQ(0, std::memcmp(port->ReplyBuffer, MakeModeCommand(kModeConnect).data(), kModeCommandSize - 1));
    EXPECT_NE(port->ReplyBuffer[kModeCommandSize - 1], kModeConnect);
}

TEST_F(SimLinkTest, OversizedRecordDoesNotFitThePageBuffer) {
    SimOptions options;
    options.OversizedRecord = true;
    Start(options);
    ASSERT_TRUE(Connect()) << "the echo is not padded";
    EXPECT_FALSE(Get("/status.htm"));
    port->Close();
    ASSERT_TRUE(Connect());
    std::optional<Reply> whole = Send(kRequestGet, "/status.htm", {}, 65535);
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->Payload.size(), kOversizedPayload);
}

TEST_F(SimLinkTest, DroppedLineFailsReadsWritesAndOpens) {
    SimOptions options;
    options.DropAfter = 1;
    Start(options);
    ASSERT_TRUE(Connect());
    EXPECT_TRUE(Get("/status.htm")) << "the answer before the drop still arrives";
    EXPECT_TRUE(Printer().LineDropped());
    EXPECT_FALSE(Get("/status.htm"));
    uint8_t byte;
    EXPECT_EQ(device->Read(&byte, 1, 100), -1);
    port->Close();
    EXPECT_FALSE(port->Open());
}

}  // namespace
}  // namespace halvoran::sim::test
