// The serial port over a real pseudo-terminal: against the simulated printer
// of halvoran-sim, and against a peer that hangs up.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "link/uart_port.h"
#include "platform/fd_device.h"
#include "platform/line_request.h"
#include "platform/termios_line.h"
#include "printer_sim.h"
#include "pty_link.h"

namespace halvoran {
namespace {

constexpr int kPort = 7;

// The tty's settings as another opener of it sees them.
termios ReadBack(const std::string& path) {
    termios t{};
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    EXPECT_GE(fd, 0) << path;
    if (fd >= 0) {
        EXPECT_EQ(::tcgetattr(fd, &t), 0);
        ::close(fd);
    }
    return t;
}

bool SameLine(const termios& a, const termios& b) {
    return a.c_cflag == b.c_cflag && a.c_iflag == b.c_iflag && cfgetospeed(&a) == cfgetospeed(&b);
}

bool IsLink8N1(const termios& t, bool xon) {
    return cfgetospeed(&t) == B57600 && (t.c_cflag & CSIZE) == CS8 &&
           !(t.c_cflag & (PARENB | CMSPAR | CSTOPB | CRTSCTS)) && !(t.c_iflag & IXOFF) &&
           ((t.c_iflag & IXON) != 0) == xon;
}

std::vector<uint8_t> PageRequest(const std::string& path) {
    const std::string text = "GET " + path + " HTTP/1.1\r\nHost: printer\r\n\r\n";
    ModeCommand command = MakeModeCommand(kModeRequest);
    std::vector<uint8_t> frame(command.begin(), command.end());
    frame.push_back(static_cast<uint8_t>(text.size() >> 8));
    frame.push_back(static_cast<uint8_t>(text.size() & 0xFF));
    frame.insert(frame.end(), text.begin(), text.end());
    frame.push_back(kEsc);
    frame.push_back(kBackslash);
    return frame;
}

// The simulated printer on the master side of a pty, the port on its slave.
struct SimPtyTest : ::testing::Test {
    sim::PrinterSim printer{SystemClock(), {}};
    sim::PtyLink link;
    std::atomic<bool> stop{false};
    std::thread runner;
    FdDevice device;
    TermiosLine line{device};
    ComMap ports;
    CUartPort port{{&device, &SystemClock(), &SystemSleeper(), nullptr}, line, ports};
    termios found{};

    void SetUp() override {
        std::string problem;
        ASSERT_TRUE(link.Open("", problem)) << problem;
        ports.Override(kPort, link.SlavePath());
        found = ReadBack(link.SlavePath());
        runner = std::thread([this] { link.Run(printer, 0, stop); });
        port.SetLineSettings(kPort, 0, 1);  // 19200, 8N2
    }
    void TearDown() override {
        port.Release();
        stop = true;
        if (runner.joinable()) runner.join();
    }
    bool Fetch(const std::string& path, std::string& page) {
        std::vector<uint8_t> frame = PageRequest(path);
        if (!port.Write(frame.data(), static_cast<uint32_t>(frame.size()))) return false;
        std::vector<uint8_t> buffer(20000);
        uint32_t length = static_cast<uint32_t>(buffer.size());
        if (!port.ReadRecord(buffer.data(), length)) return false;
        page.assign(buffer.begin(), buffer.begin() + length);
        return true;
    }
};

TEST_F(SimPtyTest, ConnectFetchPagesAndDisconnectLeavesTheTtyAsFound) {
    ASSERT_TRUE(port.Connect());
    EXPECT_EQ(port.DevicePath, "COM7");
    EXPECT_TRUE(IsLink8N1(ReadBack(link.SlavePath()), false));
    for (const char* path : {"/status.htm", "/cfgs.htm", "/status.htm", "/report.htm"}) {
        std::string page;
        ASSERT_TRUE(Fetch(path, page)) << path;
        EXPECT_FALSE(page.empty()) << path;
    }
    ASSERT_TRUE(port.Disconnect(1));
    EXPECT_FALSE(port.IsOpen());
    EXPECT_TRUE(SameLine(ReadBack(link.SlavePath()), found));

    // The printer has left web panel mode: a request on the open line goes unanswered.
    ASSERT_TRUE(port.Open());
    port.ReadTimeout = 300;
    std::string page;
    EXPECT_FALSE(Fetch("/status.htm", page));
}

TEST_F(SimPtyTest, ReleaseKeepsTheLinkSettingsAndDownloadModeHonoursXonXoff) {
    ASSERT_TRUE(port.Connect());
    ASSERT_TRUE(port.Disconnect(kDownloadMode));
    EXPECT_TRUE(port.IsOpen());
    EXPECT_TRUE(IsLink8N1(ReadBack(link.SlavePath()), true));
    EXPECT_TRUE(port.Release());
    EXPECT_FALSE(port.IsOpen());
    EXPECT_TRUE(IsLink8N1(ReadBack(link.SlavePath()), true));

    // A fresh connection after Release runs without flow control again.
    ASSERT_TRUE(port.Connect());
    EXPECT_TRUE(IsLink8N1(ReadBack(link.SlavePath()), false));
    std::string page;
    EXPECT_TRUE(Fetch("/status.htm", page));
    EXPECT_TRUE(port.Release());
    EXPECT_TRUE(IsLink8N1(ReadBack(link.SlavePath()), false));
}

// Every format row on a real tty: the line carries the row exactly when the
// driver accepts it (a pty refuses parity), and Close gives back what Open found.
TEST_F(SimPtyTest, FormatRowsOnARealTty) {
    for (int row = 0; row < kSerialRowCount; ++row) {
        port.SetLineSettings(kPort, 1, row);
        ASSERT_TRUE(port.Open()) << row;
        const bool accepted =
            port.ApplyLineSettings(0, port.LineBaud, port.LineParity, port.LineStopBits, port.LineDataBits);
        LineConfig expected = found;
        ASSERT_TRUE(MapLineRequest(expected, {9600, port.LineParity, port.LineStopBits, 8, false}));
        const termios now = ReadBack(link.SlavePath());
        constexpr tcflag_t kRowFlags = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB;
        const bool carried = (now.c_cflag & kRowFlags) == (expected.c_cflag & kRowFlags) &&
                             (now.c_iflag & INPCK) == (expected.c_iflag & INPCK) && cfgetospeed(&now) == B9600;
        EXPECT_EQ(accepted, carried) << FormatTable[row].Text;
        if (port.LineParity == kParityNone) EXPECT_TRUE(accepted) << FormatTable[row].Text;
        ASSERT_TRUE(port.Close());
        EXPECT_TRUE(SameLine(ReadBack(link.SlavePath()), found)) << FormatTable[row].Text;
    }
}

TEST(UartPty, ReadFailsAtOnceWhenTheLineHangsUp) {
    int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    char name[128];
    ASSERT_EQ(::ptsname_r(master, name, sizeof name), 0);

    VirtualTime time;  // never advances by itself: a read that waited out its limit would hang here
    FdDevice device;
    TermiosLine line(device);
    ComMap ports;
    ports.Override(1, name);
    CUartPort port({&device, &time, &time, nullptr}, line, ports);
    port.SetLineSettings(1, 0, 0);
    ASSERT_TRUE(port.Open());
    // Two header bytes arrive, then the far end hangs up.
    const uint8_t partial[] = {0x00, 0x05};
    ASSERT_EQ(::write(master, partial, sizeof partial), 2);
    std::thread hangUp([master] {
        ::usleep(100000);
        ::close(master);
    });
    uint8_t buffer[64];
    uint32_t length = sizeof buffer;
    EXPECT_FALSE(port.ReadRecord(buffer, length));
    EXPECT_EQ(length, sizeof buffer);
    EXPECT_EQ(time.Elapsed(), 0u);
    hangUp.join();
    EXPECT_TRUE(port.Close());
}

}  // namespace
}  // namespace halvoran
