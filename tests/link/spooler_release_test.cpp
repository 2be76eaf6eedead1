// Moving installed printers off the port and back, against a spooler double.
#include <gtest/gtest.h>

#include <set>

#include "platform/clock.h"
#include "support/fake_spooler.h"
#include "support/scripted_device.h"
#include "support/stream_port.h"

namespace halvoran {
namespace {

using test::FakeSpooler;

struct Printer {
    std::string Name;
    std::string Port;
    std::string AfterRelease;  // port text while the tool holds the port
    std::string AfterRestore;
};

struct SpoolerCase {
    const char* Title;
    uint8_t Kind;
    uint8_t PortNumber;
    std::vector<Printer> Printers;
    bool Released;  // ReleaseSpoolerPort's result
    std::set<std::string> Denied = {};
    std::set<std::string> Failing = {};
    std::string MovedMeanwhile = {};  // printer the user moves to "LPT3:" while held
};

const SpoolerCase kCases[] = {
    {"two on the port, one elsewhere", kPortParallel, 1,
     {{"a", "LPT1:", "FILE:", "LPT1:"}, {"b", "LPT2:", "LPT2:", "LPT2:"}, {"c", "LPT1:", "FILE:", "LPT1:"}}, true},
    {"lower case port comes back upper case", kPortSerial, 2, {{"a", "com2:", "FILE:", "COM2:"}}, true},
    {"list of ports and name without colon stay", kPortSerial, 2,
     {{"a", "COM1:,COM2:", "COM1:,COM2:", "COM1:,COM2:"}, {"b", "COM2", "COM2", "COM2"},
      {"c", "COM12:", "COM12:", "COM12:"}},
     true},
    {"serial port name has the colon, parallel name is not confused", kPortSerial, 1,
     {{"a", "LPT1:", "LPT1:", "LPT1:"}, {"b", "COM1:", "FILE:", "COM1:"}}, true},
    {"a printer that may not be changed ends the pass", kPortSerial, 2,
     {{"a", "COM2:", "FILE:", "COM2:"}, {"b", "COM2:", "COM2:", "COM2:"}, {"c", "COM2:", "COM2:", "COM2:"}},
     true, {"b"}},
    {"a failed change skips only that printer", kPortSerial, 2,
     {{"a", "COM2:", "COM2:", "COM2:"}, {"b", "COM2:", "FILE:", "COM2:"}}, true, {}, {"a"}},
    {"a printer moved meanwhile stays where the user put it", kPortParallel, 1,
     {{"a", "LPT1:", "FILE:", "LPT3:"}, {"b", "LPT1:", "FILE:", "LPT1:"}}, true, {}, {}, "a"},
    {"USB takes no part", kPortUsb, 1, {{"a", "COM1:", "COM1:", "COM1:"}, {"b", "LPT1:", "LPT1:", "LPT1:"}}, false},
};

class SpoolerReleaseTest : public ::testing::TestWithParam<SpoolerCase> {};

TEST_P(SpoolerReleaseTest, MovesExactlyThePortsPrintersAndGivesThemBack) {
    const SpoolerCase& c = GetParam();
    VirtualTime time;
    test::ScriptedDevice device(time);
    FakeSpooler spooler;
    for (const Printer& p : c.Printers) spooler.Add(p.Name, p.Port);
    spooler.Denied = c.Denied;
    spooler.Failing = c.Failing;
    test::StreamPort port({&device, &time, &time, &spooler});
    port.PortKind = c.Kind;
    port.PortNumber = c.PortNumber;

    EXPECT_EQ(port.ReleaseSpoolerPort(), c.Released);
    size_t held = 0;
    for (const Printer& p : c.Printers) {
        EXPECT_EQ(spooler.Port(p.Name), p.AfterRelease) << p.Name;
        if (p.AfterRelease == "FILE:") ++held;
    }
    EXPECT_EQ(port.HeldPrinterCount, held);
    ASSERT_EQ(port.HeldPrinters.size(), held);

    if (!c.MovedMeanwhile.empty()) spooler.SetPrinterPort(c.MovedMeanwhile, "LPT3:");
    port.RestoreSpoolerPort();
    for (const Printer& p : c.Printers) EXPECT_EQ(spooler.Port(p.Name), p.AfterRestore) << p.Name;
    EXPECT_EQ(port.HeldPrinterCount, 0);
    EXPECT_TRUE(port.HeldPrinters.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, SpoolerReleaseTest, ::testing::ValuesIn(kCases));

struct SpoolerFixture : ::testing::Test {
    VirtualTime time;
    test::ScriptedDevice device{time};
    FakeSpooler spooler;
    test::StreamPort port{{&device, &time, &time, &spooler}};
    SpoolerFixture() { port.PortNumber = 2; }
};

TEST_F(SpoolerFixture, NothingIsMovedWith256PrintersButAllWith255) {
    for (int count : {256, 255}) {
        FakeSpooler many;
        for (int i = 0; i < count; ++i) many.Add("p" + std::to_string(i), "COM2:");
        test::StreamPort p({&device, &time, &time, &many});
        p.PortNumber = 2;
        EXPECT_EQ(p.ReleaseSpoolerPort(), count == 255) << count;
        EXPECT_EQ(p.HeldPrinterCount, count == 255 ? 255 : 0) << count;
        EXPECT_EQ(many.Port("p0"), count == 255 ? "FILE:" : "COM2:") << count;
        p.RestoreSpoolerPort();
        EXPECT_EQ(many.Port("p254"), "COM2:");
    }
}

TEST_F(SpoolerFixture, SecondReleaseWhileHeldDoesNothing) {
    spooler.Add("a", "COM2:");
    ASSERT_TRUE(port.ReleaseSpoolerPort());
    spooler.Add("b", "COM2:");
    EXPECT_FALSE(port.ReleaseSpoolerPort());
    EXPECT_EQ(spooler.Port("b"), "COM2:");
    EXPECT_EQ(port.HeldPrinterCount, 1);
}

TEST_F(SpoolerFixture, UnlistableOrUnreadableSpoolerMovesNothing) {
    spooler.Add("a", "COM2:");
    spooler.Add("b", "COM2:");
    spooler.Unreadable = {"a"};
    EXPECT_TRUE(port.ReleaseSpoolerPort());
    EXPECT_EQ(spooler.Port("a"), "COM2:");
    EXPECT_EQ(spooler.Port("b"), "FILE:");
    port.RestoreSpoolerPort();

    spooler.FailList = true;
    EXPECT_FALSE(port.ReleaseSpoolerPort());
    EXPECT_EQ(port.HeldPrinterCount, 0);
}

TEST_F(SpoolerFixture, OpenMovesPrintersOncePerConnectionAndDisconnectGivesThemBack) {
    spooler.Add("a", "COM2:");
    device.QueueReply(test::MakeRecord(test::Bytes(MakeModeCommand(kModeConnect).begin(),
                                                   MakeModeCommand(kModeConnect).end())));
    ASSERT_TRUE(port.Connect());
    EXPECT_EQ(spooler.Port("a"), "FILE:");
    EXPECT_EQ(port.ReleaseOnOpen, 0);
    // Release (after a failed connect or an upload) gives the port back but
    // leaves ReleaseOnOpen clear: the next Open moves nothing.
    port.Release();
    EXPECT_EQ(spooler.Port("a"), "COM2:");
    ASSERT_TRUE(port.Open());
    EXPECT_EQ(spooler.Port("a"), "COM2:");
    EXPECT_TRUE(port.Disconnect(0));
    EXPECT_EQ(port.ReleaseOnOpen, 1);
    ASSERT_TRUE(port.Open());
    EXPECT_EQ(spooler.Port("a"), "FILE:");
    EXPECT_TRUE(port.Disconnect(1));
    EXPECT_EQ(spooler.Port("a"), "COM2:");
}

}  // namespace
}  // namespace halvoran
