// The LPT device map and the ppdev line's behaviour on devices that are not parallel ports.
#include <gtest/gtest.h>

#include "platform/lpt_map.h"
#include "platform/parport_line.h"

namespace halvoran {
namespace {

TEST(LptMap, LptNIsParportNMinusOneAndCanBePointedElsewhere) {
    LptMap ports;
    EXPECT_EQ(ports.DevicePath(1), "/dev/parport0");
    EXPECT_EQ(ports.DevicePath(2), "/dev/parport1");
    EXPECT_EQ(ports.DevicePath(16), "/dev/parport15");
    for (int outside : {0, 17, -1}) EXPECT_EQ(ports.DevicePath(outside), "") << outside;

    EXPECT_TRUE(ports.Override(2, "/tmp/fake-parport"));
    EXPECT_EQ(ports.DevicePath(2), "/tmp/fake-parport");
    EXPECT_EQ(ports.DevicePath(1), "/dev/parport0");
    EXPECT_FALSE(ports.Override(0, "/tmp/x"));
    EXPECT_FALSE(ports.Override(17, "/tmp/x"));
    EXPECT_FALSE(ports.Override(3, ""));
}

TEST(ParportLine, OnlyAClaimableParallelPortOpens) {
    VirtualTime time;
    ParportLine line(time, time);
    for (const char* path : {"/dev/null", "/nonexistent/parport0", ""}) {
        EXPECT_FALSE(line.Open(path)) << path;
        EXPECT_FALSE(line.IsOpen());
    }
    uint8_t byte = 0;
    EXPECT_EQ(line.Read(&byte, 1, 100), -1);
    EXPECT_FALSE(line.WriteWithin(&byte, 1, 100));
    EXPECT_EQ(line.Negotiate({kChannelNibble, kIeeeCompatibility}).Status, NegotiateStatus::Failed);
    EXPECT_EQ(time.Elapsed(), 0u);
}

}  // namespace
}  // namespace halvoran
