#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bridge/restart_monitor.h"
#include "bridge_fixture.h"
#include "platform/files.h"

namespace halvoran::test {
namespace {

// The monitor's body runs on the test's thread in virtual time.
class RestartMonitorTest : public BridgeFixture {
protected:
    void SetUp() override {
        BridgeFixture::SetUp();
        pause.Release();
        ShowStatus(*bridge, kResetText);  // shown just before a monitor starts
        bridge->NavState = Blocked;
        bridge->RestartRunning = true;
        bridge->PreviousPage = "/cfgs.htm";
        bridge->PreviousFile = Local("/cfgs.htm");
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const StatusLine& line : window.Lines()) texts.push_back(line.Text);
        return texts;
    }
    size_t ConnectAttempts() const {
        size_t attempts = 0;
        for (const Bytes& frame : device.Writes()) attempts += frame.size() == kModeCommandSize;
        return attempts;
    }
    void ExpectNavigationHandledAgain() const {
        EXPECT_EQ(bridge->NavState, Idle);
        EXPECT_EQ(bridge->NavCounter, 1);
        EXPECT_FALSE(bridge->RestartRunning);
    }
};

TEST_F(RestartMonitorTest, CountsDownFourteenSecondsThenReconnectsAndRefreshes) {
    device.QueueReply(ConnectEcho());
    device.QueueReply(MakeRecord("<p>cfgs</p>"));
    RestartMonitor(*bridge);

    std::vector<std::string> expected{kResetText};
    for (int n = 14; n >= 1; --n) expected.push_back(kResetText + " " + std::to_string(n));
    expected.push_back("Printer has been successfully connected ");
    expected.push_back("/cfgs.htm is loaded !");
    EXPECT_EQ(Texts(), expected);
    EXPECT_EQ(ConnectAttempts(), 1u);
    EXPECT_EQ(RequestLines().back(), "GET /cfgs.htm HTTP/1.1");
    EXPECT_EQ(folder.Read("p1/cfgs.htm"), "<p>cfgs</p>");
    ExpectNavigationHandledAgain();
    EXPECT_EQ(window.RunPosted(), 0);
}

TEST_F(RestartMonitorTest, ChineseCountdownBuildsOnTheChineseBaseText) {
    SetLanguageIndex(1);
    window.Clear();
    ShowStatus(*bridge, Tr(text::ResetRequired));
    bridge->StopRestart = 1;
    RestartMonitor(*bridge);
    SetLanguageIndex(0);
    EXPECT_EQ(Texts().back(), std::string(text::ResetRequired.Chinese) + " 14");
}

TEST_F(RestartMonitorTest, StopRequestedFourAndAHalfSecondsInEndsAfterTheCountTen) {
    pause.At(4500, [this] { bridge->StopRestart = 1; });
    RestartMonitor(*bridge);
    EXPECT_EQ(Texts().back(), kResetText + " 10");
    EXPECT_EQ(time.Elapsed(), 5000u);
    EXPECT_EQ(ConnectAttempts(), 0u);
    ExpectNavigationHandledAgain();
    // The Disconnect command runs on the window's thread afterwards.
    EXPECT_EQ(window.Disconnects(), 0);
    EXPECT_EQ(window.RunPosted(), 1);
    EXPECT_EQ(window.Disconnects(), 1);
}

TEST_F(RestartMonitorTest, PrinterBackAfterTwentySecondsIsReachedByALaterAttempt) {
    device.QueueReply(Bytes{});  // the attempt at 14 s goes unheard
    device.QueueReply(ConnectEcho());
    device.QueueReply(MakeRecord("<p>cfgs</p>"));
    RestartMonitor(*bridge);
    EXPECT_EQ(ConnectAttempts(), 2u);
    // 14 s countdown, a 10 s read time-out, a 1 s pause, then the second attempt.
    EXPECT_EQ(time.Elapsed(), 25000u);
    const auto texts = Texts();
    EXPECT_EQ(texts[texts.size() - 2], "Printer has been successfully connected ");
    ExpectNavigationHandledAgain();
}

TEST_F(RestartMonitorTest, FourFailedAttemptsReleaseThePortAndEnableConnect) {
    device.FailOpen(true);
    RestartMonitor(*bridge);
    EXPECT_EQ(time.Elapsed(), 14000u + 4 * 1000u);  // every failure is followed by a pause
    EXPECT_EQ(window.Lines().back(), (StatusLine{"Fail to connect printer, please check connection", false}));
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(bridge->Port, &port);
    ExpectNavigationHandledAgain();
    EXPECT_EQ(window.RunPosted(), 1);
    EXPECT_EQ(window.ConnectEnables(), 1);
    EXPECT_EQ(window.Disconnects(), 0);
}

TEST_F(RestartMonitorTest, NoPreviousPageMeansNoRefresh) {
    bridge->PreviousPage.clear();
    bridge->PreviousFile.clear();
    device.QueueReply(ConnectEcho());
    RestartMonitor(*bridge);
    EXPECT_EQ(device.Writes().size(), 1u);
    EXPECT_EQ(Texts().back(), "Printer has been successfully connected ");
}

TEST_F(RestartMonitorTest, ClosesTheLinkWithoutTellingThePrinter) {
    bridge->StopRestart = 1;
    RestartMonitor(*bridge);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_TRUE(device.Writes().empty());
}

// The monitor on its own thread, held at its first wait.
class RestartThreadTest : public BridgeFixture {};

TEST_F(RestartThreadTest, RunsOnceAtATimeAndCountsAsRunningUntilItsEnd) {
    ShowStatus(*bridge, kResetText);
    bridge->NavState = Blocked;
    bridge->StopRestart = 1;  // left over from an earlier wait: cleared at the start
    ASSERT_TRUE(StartRestartMonitor(*bridge));
    ASSERT_TRUE(pause.WaitUntilSleeping());
    EXPECT_TRUE(bridge->RestartRunning);
    EXPECT_EQ(bridge->StopRestart, 0);
    EXPECT_FALSE(StartRestartMonitor(*bridge));

    EndMonitor();
    EXPECT_FALSE(bridge->RestartRunning);
    EXPECT_EQ(bridge->NavState, Idle);
    EXPECT_EQ(window.RunPosted(), 1);
    EXPECT_EQ(window.Disconnects(), 1);

    // A later reset starts a new monitor.
    pause.At(time.Elapsed() + 1, [this] { bridge->StopRestart = 1; });
    ASSERT_TRUE(StartRestartMonitor(*bridge));
    bridge->RestartThread.join();
    EXPECT_FALSE(bridge->RestartRunning);
}

}  // namespace
}  // namespace halvoran::test
