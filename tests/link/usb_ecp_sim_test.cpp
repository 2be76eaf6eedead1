// The parallel and USB ports over their platform doubles with the simulated
// printer at the far end: connect, fetch pages into a page cache, disconnect.
#include <gtest/gtest.h>

#include "bridge/page_cache.h"
#include "bridge/page_path.h"
#include "bridge/panel_bridge.h"
#include "link/ecp_port.h"
#include "link/usb_port.h"
#include "platform/fake_parallel_line.h"
#include "platform/fake_usb_bus.h"
#include "sim_device.h"
#include "support/recording_window.h"
#include "support/temp_folder.h"

namespace halvoran::test {
namespace {

class SimPortTest : public ::testing::TestWithParam<uint8_t> {
protected:
    void Start(sim::SimOptions options = {}) {
        printer.emplace(time, time, std::move(options));
        line.emplace(*printer, time);
        // The simulated printer sends its own ESC backslash after a negotiation.
        line->SetAcknowledger([this] { printer->WithPrinter([](sim::PrinterSim& p) { p.AcknowledgeNegotiation(); }); });
        bus.emplace(*printer, time);
        bus->SetPrinters({{3, {2}, 0}, {1, {4}, 0}});
        const PortEnv env{nullptr, &time, &time, nullptr};
        if (GetParam() == kPortUsb) {
            port = &usb.emplace(env, *bus);
        } else {
            port = &ecp.emplace(env, *line, lpt);
        }
        port->Configure(1, 10000, 10000);
        bridge.Reset(&window, folder.Path());
    }
    bool Fetch(const std::string& page) {
        return FetchPage(page, bridge, LocalPagePath(folder.Path(), page), false);
    }
    sim::LinkState State() { return printer->WithPrinter([](sim::PrinterSim& p) { return p.State(); }); }

    VirtualTime time;
    TempFolder folder;
    RecordingWindow window;
    PanelBridge bridge;
    LptMap lpt;
    std::optional<sim::SimDevice> printer;
    std::optional<FakeParallelLine> line;
    std::optional<FakeUsbBus> bus;
    std::optional<CECP> ecp;
    std::optional<CUSBPort> usb;
    CIface* port = nullptr;
};

TEST_P(SimPortTest, ConnectsFetchesPagesAndDisconnects) {
    Start();
    ASSERT_TRUE(port->Connect());
    EXPECT_EQ(State(), sim::LinkState::WebPanel);
    if (GetParam() == kPortUsb) EXPECT_EQ(bus->OpenedLocation(), "usb:1-4:0");

    bridge.Port = port;
    ASSERT_TRUE(Fetch("/status.htm"));
    EXPECT_NE(folder.Read("p1/status.htm").find("Halvoran P1 - Status"), std::string::npos);
    ASSERT_TRUE(Fetch("/cfgs.htm"));
    EXPECT_FALSE(folder.Read("p1/cfgs.htm").empty());
    EXPECT_TRUE(port->IsOpen());

    EXPECT_TRUE(port->Disconnect(1));
    EXPECT_EQ(State(), sim::LinkState::Offline);
    EXPECT_FALSE(port->IsOpen());
    ASSERT_TRUE(port->Connect());  // and again after a disconnect
}

TEST_P(SimPortTest, APrinterThatFallsSilentFailsTheFetchInsteadOfHanging) {
    sim::SimOptions options;
    options.SilentAfter = 1;  // answers the first page only
    Start(options);
    ASSERT_TRUE(port->Connect());
    bridge.Port = port;
    ASSERT_TRUE(Fetch("/status.htm"));
    const uint64_t before = time.Elapsed();
    EXPECT_FALSE(Fetch("/cfgs.htm"));
    EXPECT_GE(time.Elapsed() - before, port->ReadTimeout);
    EXPECT_FALSE(port->IsOpen());  // the fetch closes the port after a failed read
    EXPECT_TRUE(window.Lines().back().IsError);
}

TEST_P(SimPortTest, AWrongEchoFailsConnectAndLeavesThePortOpenForRelease) {
    sim::SimOptions options;
    options.WrongEcho = true;
    Start(options);
    EXPECT_FALSE(port->Connect());
    EXPECT_TRUE(port->IsOpen());
    EXPECT_TRUE(port->Release());
    EXPECT_FALSE(port->IsOpen());
}

INSTANTIATE_TEST_SUITE_P(Ports, SimPortTest, ::testing::Values(kPortUsb, kPortParallel),
                         [](const auto& info) { return info.param == kPortUsb ? "Usb" : "Parallel"; });

}  // namespace
}  // namespace halvoran::test
