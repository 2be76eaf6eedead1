// The serial port against a scripted printer and a line double, in virtual time.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "link/uart_port.h"
#include "platform/line_request.h"
#include "support/fake_serial_line.h"
#include "support/fake_spooler.h"
#include "support/scripted_device.h"

namespace halvoran {
namespace {

using test::Bytes;

Bytes Command(uint8_t code) {
    ModeCommand c = MakeModeCommand(code);
    return Bytes(c.begin(), c.end());
}

bool Is57600_8N1(const LineConfig& t, bool xon) {
    return cfgetospeed(&t) == B57600 && cfgetispeed(&t) == B57600 && (t.c_cflag & CSIZE) == CS8 &&
           !(t.c_cflag & (PARENB | CSTOPB | CRTSCTS)) && !(t.c_iflag & IXOFF) && !(t.c_iflag & INPCK) &&
           ((t.c_iflag & IXON) != 0) == xon && t.c_cc[VSTART] == 0x11 && t.c_cc[VSTOP] == 0x13;
}

struct UartRig {
    VirtualTime time;
    test::ScriptedDevice device{time};
    test::FakeSerialLine line{device};
    test::FakeSpooler spooler;
    ComMap ports;
    CUartPort port{{&device, &time, &time, &spooler}, line, ports};
    LineConfig found{};

    UartRig() {
        ports.Override(3, "/dev/pts/test3");
        found = line.Current;
        port.SetLineSettings(3, 1, 0);
    }
    void QueueEcho() { device.QueueReply(test::MakeRecord(Command(kModeConnect))); }
    // Writes after the burst and the connect command.
    std::vector<Bytes> LaterWrites() const {
        auto all = device.Writes();
        return std::vector<Bytes>(all.begin() + std::min<size_t>(all.size(), 21), all.end());
    }
};

struct UartFixture : ::testing::Test, UartRig {};

TEST(UartTables, SelectionsOutsideTheListsSelectRowFive) {
    VirtualTime time;
    test::ScriptedDevice device(time);
    test::FakeSerialLine line(device);
    ComMap ports;
    CUartPort port({&device, &time, &time, nullptr}, line, ports);
    struct {
        int Baud, Format;
        uint32_t LineBaud;
        uint8_t Parity, StopBits;
    } const kRows[] = {
        {0, 0, 19200, kParityNone, 0}, {1, 1, 9600, kParityNone, 2}, {2, 2, 4800, kParityEven, 0},
        {3, 3, 2400, kParityOdd, 0},   {4, 4, 1200, kParityMark, 0}, {5, 5, 600, kParitySpace, 0},
        {6, 6, 600, kParitySpace, 0},  {255, 255, 600, kParitySpace, 0}, {-1, -1, 600, kParitySpace, 0},
    };
    for (const auto& row : kRows) {
        port.ReadTimeout = 1;
        port.BidiMode = 1;
        ASSERT_TRUE(port.SetLineSettings(7, row.Baud, row.Format));
        EXPECT_EQ(port.PortNumber, 7);
        EXPECT_EQ(port.BaudIndex, std::min(row.Baud < 0 ? 5 : row.Baud, 5));
        EXPECT_EQ(port.LineBaud, row.LineBaud) << row.Baud;
        EXPECT_EQ(port.LineDataBits, 8);
        EXPECT_EQ(port.LineParity, row.Parity) << row.Format;
        EXPECT_EQ(port.LineStopBits, row.StopBits) << row.Format;
        EXPECT_EQ(port.ReadTimeout, 10000u);
        EXPECT_EQ(port.WriteTimeout, 10000u);
        EXPECT_EQ(port.BidiMode, 0);
    }
    EXPECT_STREQ(FormatTable[5].Text, "8Bit Spc  1Stop");
    for (const FormatRow& row : FormatTable) EXPECT_EQ(std::string(row.Text).size(), 15u);
}

// Open puts the line at the user's rows; the termios flags of every format row.
TEST_F(UartFixture, OpenAppliesTheFormatRowToTheLine) {
    struct {
        int Format;
        tcflag_t Cflags;  // of PARENB | PARODD | CMSPAR | CSTOPB
        bool ParityCheck;
    } const kRows[] = {
        {0, 0, false},
        {1, CSTOPB, false},
        {2, PARENB, false},
        {3, PARENB | PARODD, true},
        {4, PARENB | PARODD | CMSPAR, true},
        {5, PARENB | CMSPAR, false},
    };
    for (const auto& row : kRows) {
        port.SetLineSettings(3, 2, row.Format);
        ASSERT_TRUE(port.Open());
        const LineConfig& t = line.Current;
        EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR | CSTOPB), row.Cflags) << row.Format;
        EXPECT_EQ((t.c_iflag & INPCK) != 0, row.ParityCheck) << row.Format;
        EXPECT_EQ(t.c_cflag & (CSIZE | CRTSCTS), tcflag_t{CS8}) << row.Format;
        EXPECT_EQ(t.c_iflag & (IXON | IXOFF), 0u) << row.Format;
        EXPECT_EQ(cfgetospeed(&t), B4800);
        EXPECT_TRUE(line.Dtr);
        EXPECT_FALSE(line.Rts);
        EXPECT_EQ(device.LastPath(), "/dev/pts/test3");
        EXPECT_EQ(port.DevicePath, "COM3");
        ASSERT_TRUE(port.Close());
        // Close leaves the device as Open found it.
        EXPECT_EQ(std::memcmp(&line.Current, &found, sizeof found), 0) << row.Format;
    }
}

TEST_F(UartFixture, ConnectSendsTheBurstAtUserSettingsThenRunsAt57600) {
    QueueEcho();
    ASSERT_TRUE(port.Connect());
    auto writes = device.Writes();
    ASSERT_EQ(writes.size(), 21u);
    for (size_t i = 0; i < 20; ++i) EXPECT_EQ(writes[i], Bytes{static_cast<uint8_t>(i % 2 ? 0x13 : 0x11)}) << i;
    EXPECT_EQ(writes[20], Command(kModeConnect));
    // Open at the user's 9600 8N1, then the link settings, nothing in between.
    ASSERT_EQ(line.Sets.size(), 2u);
    EXPECT_EQ(cfgetospeed(&line.Sets[0]), B9600);
    EXPECT_TRUE(Is57600_8N1(line.Current, false));
    EXPECT_TRUE(line.Dtr);
    EXPECT_FALSE(line.Rts);
    // 20 burst pauses of 1 ms, 200 ms after the burst, 200 ms before the command.
    EXPECT_GE(time.Elapsed(), 420u);
    EXPECT_EQ(port.ReleaseOnOpen, 0);
    EXPECT_EQ(port.BidiMode, 0);
}

TEST_F(UartFixture, ConnectOutcomes) {
    struct {
        const char* Title;
        std::function<void(UartRig&)> Setup;
        bool Connects;
    } const kCases[] = {
        {"device refusing parity still links (a pty)",
         [](UartRig& f) {
             f.port.SetLineSettings(3, 0, 2);
             f.line.Refuse = [](const LineConfig& t) { return (t.c_cflag & PARENB) != 0; };
             f.QueueEcho();
         },
         true},
        {"no modem lines is not a failure",
         [](UartRig& f) {
             f.line.HasModemLines = false;
             f.QueueEcho();
         },
         true},
        {"refused link settings fail", [](UartRig& f) {
             f.line.Refuse = [](const LineConfig& t) { return cfgetospeed(&t) == B57600; };
             f.QueueEcho();
         },
         false},
        {"unreadable configuration fails", [](UartRig& f) {
             f.line.FailGet = true;
             f.QueueEcho();
         },
         false},
        {"no such device", [](UartRig& f) { f.device.FailOpen(true); }, false},
        {"silent printer", [](UartRig&) {}, false},
        {"wrong echo", [](UartRig& f) { f.device.QueueReply(test::MakeRecord(Command(kModeDisconnect))); },
         false},
    };
    for (const auto& c : kCases) {
        UartRig f;
        c.Setup(f);
        EXPECT_EQ(f.port.Connect(), c.Connects) << c.Title;
        f.port.Release();
    }
}

TEST_F(UartFixture, CloseWritesBackNothingWhenOpenFoundNoConfiguration) {
    line.FailGet = true;
    ASSERT_TRUE(port.Open());
    line.FailGet = false;
    ASSERT_TRUE(port.Close());
    EXPECT_TRUE(line.Sets.empty());
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(UartFixture, DownloadModeKeepsThePortOpenWithXonXoffAndLaterDisconnectSends0x16) {
    spooler.Add("q", "COM3:");
    QueueEcho();
    ASSERT_TRUE(port.Connect());
    EXPECT_EQ(spooler.Port("q"), "FILE:");
    const uint64_t before = time.Elapsed();
    ASSERT_TRUE(port.Disconnect(kDownloadMode));
    EXPECT_GE(time.Elapsed() - before, 300u);
    EXPECT_TRUE(port.IsOpen());
    EXPECT_TRUE(Is57600_8N1(line.Current, true));
    EXPECT_EQ(port.ReleaseOnOpen, 0);
    EXPECT_EQ(port.HeldPrinterCount, 1);
    EXPECT_EQ(LaterWrites(), std::vector<Bytes>{Command(kModeDownload)});

    ASSERT_TRUE(port.Disconnect(1));
    EXPECT_EQ(LaterWrites().back(), Command(kModeDisconnect));
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.ReleaseOnOpen, 1);
    EXPECT_EQ(spooler.Port("q"), "COM3:");
    EXPECT_EQ(std::memcmp(&line.Current, &found, sizeof found), 0);
}

TEST_F(UartFixture, ReleaseKeepsTheLinkSettingsAndCloseRestoresTheFoundOnes) {
    for (bool release : {true, false}) {
        QueueEcho();
        ASSERT_TRUE(port.Connect());
        const int purges = line.Purges;
        ASSERT_TRUE(release ? port.Release() : port.Close());
        EXPECT_FALSE(port.IsOpen());
        if (release) {
            EXPECT_TRUE(Is57600_8N1(line.Current, false));
            EXPECT_EQ(line.Purges, purges);
        } else {
            EXPECT_EQ(std::memcmp(&line.Current, &found, sizeof found), 0);
        }
        line.Current = found;
    }
}

TEST_F(UartFixture, ClosedPortAndBidiOffSendNothing) {
    EXPECT_FALSE(port.Disconnect(1));
    EXPECT_FALSE(port.Disconnect(kDownloadMode));
    EXPECT_TRUE(port.Close());
    ASSERT_TRUE(port.Open());
    EXPECT_TRUE(port.SetBidiMode(0));
    EXPECT_TRUE(port.SetBidiMode(2));
    EXPECT_TRUE(device.Writes().empty());
    EXPECT_TRUE(port.Disconnect(0));
    EXPECT_TRUE(device.Writes().empty());
}

TEST_F(UartFixture, EmptyRecordReadsAtOnceAndMarkerFollowsTheHeader) {
    ASSERT_TRUE(port.Open());
    device.Deliver(test::MakeRecord(Bytes{}, true));
    uint8_t buffer[16];
    uint32_t length = sizeof buffer;
    const uint64_t before = time.Elapsed();
    ASSERT_TRUE(port.ReadRecord(buffer, length));
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(port.RecordMarker, 1);
    EXPECT_EQ(time.Elapsed(), before);
}

TEST_F(UartFixture, FailedBurstWritesAreIgnoredButAFailedCommandWriteFails) {
    ASSERT_TRUE(port.Open());
    device.FailWrites(true);
    EXPECT_TRUE(port.SetBidiMode(1));
    EXPECT_TRUE(Is57600_8N1(line.Current, false));
    EXPECT_FALSE(port.Write(Command(kModeConnect).data(), kModeCommandSize));
}

}  // namespace
}  // namespace halvoran
