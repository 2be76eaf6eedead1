// The web panel end to end: the simulated printer on a pseudo-terminal, the
// serial port, the navigation dispatcher on a window thread and the loopback
// browser host, driven by a client that behaves as a browser engine.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <thread>

#include "app/texts.h"
#include "bridge/browser_host.h"
#include "bridge/navigation_dispatcher.h"
#include "bridge/page_cache.h"
#include "bridge/page_path.h"
#include "bridge/panel_bridge.h"
#include "bridge/welcome_page.h"
#include "e2e/host_browser.h"
#include "link/uart_port.h"
#include "platform/clock.h"
#include "platform/com_map.h"
#include "platform/fd_device.h"
#include "platform/termios_line.h"
#include "printer_sim.h"
#include "pty_link.h"
#include "support/recording_window.h"
#include "support/temp_folder.h"

namespace halvoran::test {
namespace {

class HostPanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetLanguageIndex(0);
        for (const auto& file : std::filesystem::directory_iterator(HALVORAN_SOURCE_DIR "/resources/p1"))
            std::filesystem::copy_file(file.path(), folder.PageCache() + "/" + file.path().filename().string());

        std::string problem;
        ASSERT_TRUE(pty.Open("", problem)) << problem;
        simThread = std::thread([this] { pty.Run(printer, 0, stopSim); });
        ASSERT_TRUE(comPorts.Override(1, pty.SlavePath()));

        window.View = &host;
        ASSERT_TRUE(host.Start());
        // The window's start-up: the welcome page, shown untouched.
        windowThread.Run([this] {
            bridge->Reset(&window, folder.Path());
            GenerateWelcomePage(*bridge);
            host.Navigate(WelcomePageFile(folder.Path()));
        });
        std::optional<LoadedPage> welcome = browser.LoadTopLevel();
        ASSERT_TRUE(welcome);
        EXPECT_EQ(welcome->Document.Status, 200);
        EXPECT_EQ(welcome->Document.Body, folder.Read("p1/welcome_local.htm"));
        EXPECT_NE(welcome->Document.Body.find("printer.gif"), std::string::npos);
    }

    void TearDown() override {
        host.Stop();
        windowThread.Run([this] {
            if (bridge->Port) bridge->Port->Disconnect(1);
        });
        stopSim = true;
        if (simThread.joinable()) simThread.join();
    }

    // The Connect command over COM1 at the first baud and format rows.
    LoadedPage Connect() {
        bool connected = false;
        windowThread.Run([&] {
            serial.SetLineSettings(1, 0, 0);
            connected = serial.Connect();
            if (!connected) return;
            bridge->Port = &serial;
            ResetPageCache(*bridge);
            host.Navigate(LocalPagePath(folder.Path(), "/homepage.html"));
        });
        EXPECT_TRUE(connected);
        std::optional<LoadedPage> page = browser.LoadTopLevel();
        EXPECT_TRUE(page);
        return page.value_or(LoadedPage{});
    }

    std::string PathOf(const std::string& name) const { return "/" + host.Secret() + "/p1/" + name; }
    size_t StatusLines() const { return window.Lines().size(); }

    TempFolder folder;
    sim::PrinterSim printer{SystemClock(), {}};
    sim::PtyLink pty;
    std::atomic<bool> stopSim{false};
    std::thread simThread;

    ComMap comPorts;
    FdDevice device;
    TermiosLine line{device};
    CUartPort serial{PortEnv{&device, &SystemClock(), &SystemSleeper(), nullptr}, line, comPorts};

    RecordingWindow window;
    std::unique_ptr<PanelBridge> bridge = std::make_unique<PanelBridge>();
    NavigationDispatcher dispatcher{*bridge};
    WindowThread windowThread;
    BrowserHost host{folder.Path(), dispatcher, [this](std::function<void()> task) { windowThread.Post(std::move(task)); }};
    LoopbackBrowser browser{host};
};

TEST_F(HostPanelTest, ConnectShowsTheHomePageWithItsFivePrinterPagesInPlace) {
    LoadedPage home = Connect();
    EXPECT_EQ(home.Document.Status, 200);
    EXPECT_EQ(home.Document.Redirects, 0);
    EXPECT_EQ(home.Document.Body, folder.Read("p1/homepage.html"));
    ASSERT_EQ(home.Frames.size(), 5u);
    for (const auto& [name, frame] : home.Frames) {
        SCOPED_TRACE(name);
        // Fetched from the printer into the cache and shown in place, not redirected.
        EXPECT_EQ(frame.Status, 200);
        EXPECT_EQ(frame.Redirects, 0);
        const std::string file = frame.Path.substr(frame.Path.rfind('/') + 1);
        EXPECT_FALSE(frame.Body.empty());
        EXPECT_EQ(frame.Body, folder.Read("p1/" + file));
    }
    EXPECT_NE(home.Frames["status"].Body.find("<html"), std::string::npos);
    EXPECT_EQ(bridge->FramesetPhase, 0);
    // Style sheets and pictures come from the cache without a navigation.
    Shown style = browser.Go(PathOf("css.css"), "style");
    EXPECT_EQ(style.Status, 200);
    EXPECT_EQ(style.Body, folder.Read("p1/css.css"));
}

TEST_F(HostPanelTest, LinksFormsIndexPageAndPanelpop) {
    Connect();
    const std::string frameOf = PathOf("toc.htm");

    // A link: fetched, redirected to the cached file, shown.
    Shown cfgs = browser.Go(LoopbackBrowser::Resolve(frameOf, "cfgs.htm"), "frame");
    EXPECT_EQ(cfgs.Status, 200);
    EXPECT_EQ(cfgs.Redirects, 1);
    EXPECT_EQ(cfgs.Path, PathOf("cfgs.htm"));
    EXPECT_NE(cfgs.Body.find("<form"), std::string::npos);
    EXPECT_EQ(cfgs.Body, folder.Read("p1/cfgs.htm"));

    // A settings form: posted over the link, the printer's reply shown.
    Shown posted = browser.Go(PathOf("prsgen.htm"), "frame", "net.name=Front%20desk&net.location=Hall&net.contact=Ann");
    EXPECT_EQ(posted.Status, 200);
    EXPECT_EQ(posted.Redirects, 1);
    EXPECT_EQ(posted.Body, folder.Read("p1/prsgen.htm"));
    Shown general = browser.Go(PathOf("setgen.htm"), "frame");
    EXPECT_NE(general.Body.find("Front desk"), std::string::npos) << general.Body;

    // The printer's index page: fetched, but the view gets the home page
    // again, whose frames are loaded in place once more.
    Shown index = browser.Go(PathOf("index.htm"), "frame");
    EXPECT_EQ(index.Status, 204);
    EXPECT_EQ(index.Redirects, 1);
    EXPECT_EQ(browser.PendingTopLevel(), host.HttpUrlFor(LocalPagePath(folder.Path(), "/homepage.html")));
    std::optional<LoadedPage> home = browser.LoadTopLevel();
    ASSERT_TRUE(home);
    EXPECT_EQ(home->Document.Status, 200);
    EXPECT_EQ(home->Document.Body, folder.Read("p1/homepage.html"));
    ASSERT_EQ(home->Frames.size(), 5u);
    for (const auto& [name, frame] : home->Frames) EXPECT_EQ(frame.Status, 200) << name;

    // panelpop is refused: the frame keeps its page, the printer is not asked.
    const size_t lines = StatusLines();
    Shown panelpop = browser.Go(PathOf("panelpop.htm"), "frame");
    EXPECT_EQ(panelpop.Status, 204);
    EXPECT_EQ(StatusLines(), lines);
    EXPECT_FALSE(std::filesystem::exists(folder.PageCache() + "/panelpop.htm"));

    // After all this, ordinary links still work.
    EXPECT_EQ(browser.Go(PathOf("status.htm"), "frame").Status, 200);
}

TEST_F(HostPanelTest, RequestsWithoutTheSecretOrWithAForeignHostNeverReachThePrinter) {
    Connect();
    const size_t lines = StatusLines();
    httplib::Client client("127.0.0.1", host.Port());
    auto noSecret = client.Get("/p1/cfgs.htm", {{"Sec-Fetch-Dest", "document"}});
    auto wrongSecret = client.Get("/00000000000000000000000000000000/p1/cfgs.htm", {{"Sec-Fetch-Dest", "document"}});
    auto foreign = client.Get(PathOf("cfgs.htm").c_str(),
                              {{"Sec-Fetch-Dest", "document"}, {"Host", "printer.example:" + std::to_string(host.Port())}});
    auto foreignPost = client.Post(PathOf("prsgen.htm").c_str(), {{"Sec-Fetch-Dest", "document"}, {"Host", "evil.example"}},
                                   "net.name=x", "application/x-www-form-urlencoded");
    for (auto* res : {&noSecret, &wrongSecret, &foreign, &foreignPost}) {
        ASSERT_TRUE(*res);
        EXPECT_EQ((*res)->status, 403);
    }
    EXPECT_EQ(StatusLines(), lines);
    EXPECT_FALSE(std::filesystem::exists(folder.PageCache() + "/cfgs.htm"));
}

}  // namespace
}  // namespace halvoran::test
