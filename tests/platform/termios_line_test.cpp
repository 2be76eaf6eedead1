// TermiosLine on a real pseudo-terminal.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include "platform/fd_device.h"
#include "platform/line_request.h"
#include "platform/termios_line.h"

namespace halvoran {
namespace {

struct PtyLine : ::testing::Test {
    int master = -1;
    FdDevice device;
    TermiosLine line{device};

    void SetUp() override {
        master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(master, 0);
        ASSERT_EQ(::grantpt(master), 0);
        ASSERT_EQ(::unlockpt(master), 0);
        char name[128];
        ASSERT_EQ(::ptsname_r(master, name, sizeof name), 0);
        ASSERT_TRUE(device.Open(name));
    }
    void TearDown() override {
        device.Close();
        if (master >= 0) ::close(master);
    }
};

TEST_F(PtyLine, PurgeDropsUnreadInput) {
    LineConfig raw;
    ASSERT_TRUE(line.GetConfig(raw));
    ASSERT_TRUE(MapLineRequest(raw, {57600, kParityNone, kOneStopBit, 8, false}));
    ASSERT_TRUE(line.SetConfig(raw));
    ASSERT_EQ(::write(master, "abc", 3), 3);
    uint8_t byte;
    ASSERT_EQ(device.Read(&byte, 1, 1000), 1);
    ::usleep(20000);  // the rest has reached the slave's input queue
    EXPECT_TRUE(line.Purge());
    EXPECT_EQ(device.Read(&byte, 1, 0), 0);
}

// A pty has no modem lines; that is reported, and the data settings still hold.
// Settings the driver drops without an error are reported as refused.
TEST_F(PtyLine, SettingsAreConfirmedByReadingThemBack) {
    LineConfig config;
    ASSERT_TRUE(line.GetConfig(config));
    ASSERT_TRUE(MapLineRequest(config, {57600, kParityNone, kOneStopBit, 8, true}));
    EXPECT_FALSE(line.SetModemLines(true, false));
    ASSERT_TRUE(line.SetConfig(config));
    LineConfig now;
    ASSERT_TRUE(line.GetConfig(now));
    EXPECT_EQ(cfgetospeed(&now), B57600);
    EXPECT_TRUE(now.c_iflag & IXON);

    for (uint8_t parity : {kParityOdd, kParityEven, kParityMark, kParitySpace}) {
        LineConfig want = now;
        ASSERT_TRUE(MapLineRequest(want, {9600, parity, kOneStopBit, 8, false}));
        const bool set = line.SetConfig(want);
        LineConfig after;
        ASSERT_TRUE(line.GetConfig(after));
        const bool carried = (after.c_cflag & (PARENB | PARODD | CMSPAR)) == (want.c_cflag & (PARENB | PARODD | CMSPAR));
        EXPECT_EQ(set, carried) << int{parity};
    }
    device.Close();
    EXPECT_FALSE(line.GetConfig(now));
    EXPECT_FALSE(line.SetConfig(config));
    EXPECT_FALSE(line.Purge());
}

}  // namespace
}  // namespace halvoran
