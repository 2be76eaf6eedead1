// COM device map and the port a CUPS device URI names.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/com_map.h"
#include "platform/cups_port_map.h"

namespace halvoran {
namespace {

TEST(ComMap, EveryKindOfSerialDeviceIsReachableAndAnyNumberCanBePointedElsewhere) {
    ComMap map;
    const struct {
        int Number;
        const char* Path;
    } kRows[] = {{1, "/dev/ttyS0"},   {4, "/dev/ttyS3"},   {5, "/dev/ttyUSB0"}, {10, "/dev/ttyUSB5"},
                 {11, "/dev/ttyACM0"}, {16, "/dev/ttyACM5"}, {0, ""},            {17, ""}, {-1, ""}};
    for (const auto& row : kRows) EXPECT_EQ(map.DevicePath(row.Number), row.Path) << row.Number;

    EXPECT_TRUE(map.Override(3, "/dev/pts/7"));
    EXPECT_EQ(map.DevicePath(3), "/dev/pts/7");
    EXPECT_EQ(map.DevicePath(2), "/dev/ttyS1");
    EXPECT_FALSE(map.Override(17, "/dev/pts/7"));
    EXPECT_FALSE(map.Override(2, ""));
    EXPECT_EQ(map.DevicePath(2), "/dev/ttyS1");
}

TEST(CupsPortMap, DeviceUrisOnAPort) {
    ComMap com;
    LptMap lpt;
    const struct {
        const char* Uri;
        const char* Port;
    } kRows[] = {
        {"serial:/dev/ttyS1", "COM2:"},
        {"SERIAL:/dev/ttyS1", "COM2:"},  // schemes ignore case
        {"serial:/dev/ttyS1?baud=9600+bits=8", "COM2:"},
        {"file:/dev/ttyS1", "COM2:"},
        {"file:///dev/ttyUSB0", "COM5:"},
        {"file://localhost/dev/ttyACM5", "COM16:"},
        {"file://otherhost/dev/ttyS1", ""},
        {"serial:/dev/ttyS10", ""},
        {"serial:/dev/ttys1", ""},  // device paths do not ignore case
        {"serial:/dev/lp0", ""},
        {"parallel:/dev/lp0", "LPT1:"},
        {"parallel:/dev/parport1", "LPT2:"},
        {"file:/dev/lp15", "LPT16:"},
        {"parallel:/dev/ttyS0", ""},
        {"usb://Acme/P1?serial=42", ""},
        {"ipp://host/printers/dev/ttyS1", ""},
        {"socket://10.0.0.1:9100", ""},
        {"serial:", ""},
        {"", ""},
    };
    for (const auto& row : kRows) EXPECT_EQ(PortOfDeviceUri(row.Uri, com, lpt), row.Port) << row.Uri;
}

TEST(CupsPortMap, LinksToTheDeviceOfAPortCount) {
    namespace fs = std::filesystem;
    char folder[] = "/tmp/halvoran-map-XXXXXX";
    ASSERT_TRUE(mkdtemp(folder));
    const fs::path device = fs::path(folder) / "tty-real";
    const fs::path link = fs::path(folder) / "by-id-adapter";
    { std::ofstream(device.string()) << ""; }
    fs::create_symlink(device, link);
    ComMap com;
    com.Override(6, device.string());
    EXPECT_EQ(PortOfDeviceUri("serial:" + link.string(), com, LptMap{}), "COM6:");
    fs::remove_all(folder);
}

}  // namespace
}  // namespace halvoran
