// Uploads end to end: the download worker drives the serial port over a real
// pseudo-terminal to the simulated printer. The worker's own pauses run in
// virtual time; the line and the printer run in real time.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "app/texts.h"
#include "bridge/panel_bridge.h"
#include "download/download_file.h"
#include "download/download_worker.h"
#include "link/uart_port.h"
#include "platform/fd_device.h"
#include "platform/files.h"
#include "platform/termios_line.h"
#include "printer_sim.h"
#include "pty_link.h"
#include "support/recording_window.h"
#include "support/temp_folder.h"
#include "upload_envelope.h"

namespace halvoran {
namespace {

constexpr int kPort = 3;

class DownloadPtyTest : public ::testing::Test {
protected:
    void StartPrinter(sim::SimOptions options) {
        printer.emplace(SystemClock(), std::move(options));
        std::string problem;
        ASSERT_TRUE(link.Open("", problem)) << problem;
        ports.Override(kPort, link.SlavePath());
        runner = std::thread([this] { link.Run(*printer, 0, stop); });
        port.SetLineSettings(kPort, 0, 1);  // the user's rows: 19200, 8N2
        bridge.Reset(&window, folder.Path());
        bridge.Pause = &workerTime;
        bridge.Time = &workerTime;
    }
    // Lets the printer take the last bytes and settle, then stops its line.
    void StopPrinter(uint32_t settleMs) {
        std::this_thread::sleep_for(std::chrono::milliseconds(settleMs));
        stop = true;
        if (runner.joinable()) runner.join();
        printer->Tick();
    }
    void TearDown() override {
        stop = true;
        if (runner.joinable()) runner.join();
    }
    void Upload(uint8_t mode, const std::vector<uint8_t>& file) {
        const std::string path = folder.Path() + "/upload.bin";
        ASSERT_TRUE(WriteWholeFile(path, file.data(), file.size()));
        ASSERT_TRUE(port.Connect());
        bridge.Port = &port;
        bridge.NavState = Blocked;
        const std::string form = "Content-Disposition: form-data; name=\"file\"; filename=\"" + path + "\"\r\n";
        bridge.PostData = form.c_str();
        ASSERT_TRUE(StartDownload(mode, bridge));
        bridge.PostData = nullptr;
        bridge.DownloadThread.join();
        EXPECT_EQ(window.RunPosted(), 1);  // the Disconnect command
    }
    bool Shown(const TextPair& pair) const {
        for (const auto& line : window.Lines())
            if (line.Text == pair.English) return true;
        return false;
    }

    std::optional<sim::PrinterSim> printer;
    sim::PtyLink link;
    std::atomic<bool> stop{false};
    std::thread runner;
    FdDevice device;
    TermiosLine line{device};
    ComMap ports;
    CUartPort port{{&device, &SystemClock(), &SystemSleeper(), nullptr}, line, ports};
    VirtualTime workerTime;
    test::RecordingWindow window;
    test::TempFolder folder;
    PanelBridge bridge;
};

TEST_F(DownloadPtyTest, ConfigUploadChangesThePrintersSettings) {
    StartPrinter({});
    Upload(kDownloadConfig, sim::MakeConfigFile("net.name=Uploaded line\n"));
    StopPrinter(300);
    EXPECT_TRUE(Shown(text::ConfigCompleted));
    EXPECT_EQ(printer->Settings().Get("net.name"), "Uploaded line");
    EXPECT_NE(printer->Status().LastUpload.find("applied"), std::string::npos) << printer->Status().LastUpload;
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(DownloadPtyTest, SerialFirmwareUploadInDownloadModeWhileThePrinterThrottles) {
    sim::SimOptions options;
    options.XoffEvery = 2048;
    options.XoffMs = 20;
    StartPrinter(options);
    const std::vector<uint8_t> file = sim::MakeFirmwareFile("MON", 40000);
    Upload(kDownloadFirmware, file);
    StopPrinter(sim::kFirmwareSettleMs + 300);
    EXPECT_TRUE(Shown(text::FirmwareCompleted));
    EXPECT_GE(printer->Throttles(), 5u);
    EXPECT_EQ(printer->Status().FirmwareTag, "MON");
    EXPECT_EQ(printer->Status().FirmwareSize, file.size()) << printer->Status().LastUpload;
    EXPECT_EQ(printer->State(), sim::LinkState::Restarting);
    // Nine rests of 200 ms for a file over 102400 bytes would show here; this one is smaller.
    EXPECT_EQ(workerTime.Elapsed(), 2000u + 4000u);
}

}  // namespace
}  // namespace halvoran
