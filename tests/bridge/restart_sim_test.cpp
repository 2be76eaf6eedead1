// A settings form that makes the simulated printer restart, the wait and the
// reconnect, in virtual time.
#if __has_include("sim_device.h")
#include <gtest/gtest.h>

#include <string>

#include "bridge/form_submission.h"
#include "bridge_fixture.h"
#include "sim_device.h"

namespace halvoran::test {
namespace {

struct RestartCase {
    uint32_t RestartMs;
    uint32_t ConnectAttempts;
};

class SimRestart : public ::testing::TestWithParam<RestartCase> {
protected:
    void SetUp() override {
        SetLanguageIndex(0);
        bridge->Reset(&window, folder.Path());
        bridge->Pause = &pause;
        port.PortKind = kPortUsb;
        ASSERT_TRUE(port.Connect());
        bridge->Port = &port;
        folder.Write("p1/logo.htm", "logo");
        folder.Write("p1/toc.htm", "toc");
        bridge->PreviousPage = "/status.htm";
        bridge->PreviousFile = LocalPagePath(folder.Path(), "/status.htm");
    }

    TempFolder folder;
    RecordingWindow window;
    VirtualTime time;
    SteppedSleeper pause{time, true};
    sim::SimDevice device{time, time, sim::SimOptions{.RestartMs = GetParam().RestartMs}};
    StreamPort port{PortEnv{&device, &time, &time, nullptr}};
    std::unique_ptr<PanelBridge> bridge = std::make_unique<PanelBridge>();
};

TEST_P(SimRestart, MarkedAnswerWaitsReconnectsAndRefreshesThePreviousPage) {
    const std::string form = "save=1";
    ASSERT_TRUE(SubmitForm("/prssvcfg.htm", form.c_str(), *bridge, LocalPagePath(folder.Path(), "/prssvcfg.htm"),
                           static_cast<int32_t>(form.size())));
    EXPECT_EQ(window.Lines().back(), (StatusLine{kResetText, false}));
    ASSERT_TRUE(bridge->RestartRunning);
    const uint64_t started = time.Elapsed();
    pause.Release();
    bridge->RestartThread.join();

    const auto lines = window.Lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[lines.size() - 3].Text, kResetText + " 1");
    EXPECT_EQ(lines[lines.size() - 2].Text, "Printer has been successfully connected ");
    EXPECT_EQ(lines.back().Text, "/status.htm is loaded !");
    EXPECT_NE(folder.Read("p1/status.htm"), "");
    EXPECT_EQ(device.Printer().Status().Restarts, 1u);
    // 14 s of countdown; each unheard attempt costs the 10 s read time-out and a 1 s pause.
    EXPECT_EQ(time.Elapsed() - started, 14000u + (GetParam().ConnectAttempts - 1) * 11000u);
    EXPECT_EQ(bridge->NavState, Idle);
    EXPECT_FALSE(bridge->RestartRunning);
}

INSTANTIATE_TEST_SUITE_P(RestartTimes, SimRestart,
                         ::testing::Values(RestartCase{8000, 1}, RestartCase{20000, 2}));

}  // namespace
}  // namespace halvoran::test
#endif
