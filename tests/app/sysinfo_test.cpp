// The settings file sysinfo.inf: reading, the key rules and the rewrite.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/sysinfo.h"
#include "support/temp_folder.h"

namespace halvoran {
namespace {

using test::TempFolder;

constexpr const char* kDefaultFile =
    "LANG=000\r\nPORT=000\r\nLPT=001\r\nUART=001\r\nUARTBAUDI=001\r\nUARTFORMATI=000\r\nUSB=001\r\n";

struct Values {
    int Lang, Port, Lpt, Uart, Baud, Format, Usb;
};

Values Read(const CSysInfo& s) {
    return {s.LangSetting, s.PortSetting,       s.LptSetting, s.UartSetting,
            s.UartBaudSetting, s.UartFormatSetting, s.UsbSetting};
}

void ExpectValues(const CSysInfo& s, const Values& want) {
    Values got = Read(s);
    EXPECT_EQ(got.Lang, want.Lang);
    EXPECT_EQ(got.Port, want.Port);
    EXPECT_EQ(got.Lpt, want.Lpt);
    EXPECT_EQ(got.Uart, want.Uart);
    EXPECT_EQ(got.Baud, want.Baud);
    EXPECT_EQ(got.Format, want.Format);
    EXPECT_EQ(got.Usb, want.Usb);
}

constexpr Values kDefaults{0, 0, 1, 1, 1, 0, 1};

TEST(ParseThreeDigits, AcceptsOnlyZeroToOneNinetyNine) {
    struct Case {
        const char* Chars;
        bool Valid;
        int Value;
    } cases[] = {{"000", true, 0}, {"001", true, 1},  {"199", true, 199}, {"200", false, 0},
                 {"1\r", false, 0}, {"1", false, 0}, {"", false, 0},      {"0a1", false, 0},
                 {"-01", false, 0}, {"0123", true, 12}};
    for (const Case& c : cases) {
        uint8_t out = 77;
        EXPECT_EQ(ParseThreeDigits(c.Chars, out), c.Valid) << c.Chars;
        EXPECT_EQ(out, c.Valid ? c.Value : 77) << "out untouched when invalid: " << c.Chars;
    }
}

struct FileCase {
    const char* Name;
    const char* Content;
    Values Expected;
};

class SettingsFileTest : public ::testing::TestWithParam<FileCase> {};

TEST_P(SettingsFileTest, LoadsValuesAndLeavesTheFileAlone) {
    TempFolder folder;
    folder.Write("sysinfo.inf", GetParam().Content);
    CSysInfo settings;
    settings.LoadSettings(folder.Path() + "/halvoran-config");
    EXPECT_EQ(settings.ProgramFolder, folder.Path());
    EXPECT_EQ(settings.SettingsPath, folder.Path() + "/sysinfo.inf");
    ExpectValues(settings, GetParam().Expected);
    EXPECT_EQ(folder.Read("sysinfo.inf"), GetParam().Content) << "a present file is not rewritten at start";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SettingsFileTest,
    ::testing::Values(
        FileCase{"Written", "LANG=001\r\nPORT=002\r\nLPT=004\r\nUART=003\r\nUARTBAUDI=000\r\nUARTFORMATI=005\r\nUSB=002\r\n",
                 {1, 2, 4, 3, 0, 5, 2}},
        FileCase{"Lang002", "LANG=002\r\n", {2, 0, 1, 1, 1, 0, 1}},
        FileCase{"Lang199", "LANG=199\r\n", {199, 0, 1, 1, 1, 0, 1}},
        FileCase{"Lang200StopsEverything", "LANG=200\r\nPORT=002\r\nLPT=004\r\nUART=003\r\nUARTBAUDI=000\r\nUARTFORMATI=005\r\nUSB=002\r\n",
                 kDefaults},
        FileCase{"SingleDigit", "LANG=1\r\nPORT=002\r\n", kDefaults},
        FileCase{"SmallLetters", "lang=001\r\nPORT=002\r\n", kDefaults},
        FileCase{"OtherOrderBlankLinesAndText",
                 "# mine\r\nUSB=005\r\n\r\nUARTFORMATI=002 x\r\nUARTBAUDI=003\r\nUART=009\r\nLPT=002\r\nPORT=001\r\nLANG=001\r\n",
                 {1, 1, 2, 9, 3, 2, 5}},
        FileCase{"FirstOccurrenceWins",
                 "LANG=001\r\nLANG=000\r\nPORT=001\r\nPORT=002\r\nLPT=003\r\nUART=004\r\nUARTBAUDI=002\r\nUARTFORMATI=003\r\nUSB=004\r\nUSB=009\r\n",
                 {1, 1, 3, 4, 2, 3, 4}},
        FileCase{"UsbWithoutLineEndLosesItsLastDigit",
                 "LANG=001\r\nPORT=002\r\nLPT=004\r\nUART=003\r\nUARTBAUDI=000\r\nUARTFORMATI=005\r\nUSB=003",
                 {1, 2, 4, 3, 0, 5, 1}},
        FileCase{"BadMiddleKeyKeepsLaterDefaults", "LANG=001\r\nPORT=002\r\nLPT=x04\r\nUART=003\r\nUSB=004\r\n",
                 {1, 2, 1, 1, 1, 0, 1}},
        FileCase{"OnlyLang", "LANG=001\r\n", {1, 0, 1, 1, 1, 0, 1}},
        FileCase{"Empty", "", kDefaults}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(SettingsFile, MissingFileIsCreatedWithTheSevenDefaultLines) {
    TempFolder folder;
    CSysInfo settings;
    settings.LoadSettings(folder.Path() + "/halvoran-config");
    ExpectValues(settings, kDefaults);
    std::string written = folder.Read("sysinfo.inf");
    EXPECT_EQ(written, kDefaultFile);
    EXPECT_EQ(written.size(), kSettingsFileSize);
}

TEST(SettingsFile, RewriteKeepsTheTailOfALongerFile) {
    TempFolder folder;
    std::string tail = "####  kept tail  ##\n";
    ASSERT_EQ(tail.size(), 20u);
    std::string handEdited = std::string(kDefaultFile) + tail;
    ASSERT_EQ(handEdited.size(), 100u);
    folder.Write("sysinfo.inf", handEdited);
    CSysInfo settings;
    settings.LoadSettings(folder.Path() + "/halvoran-config");
    settings.PortSetting = 2;
    settings.UartSetting = 3;
    ASSERT_TRUE(settings.WriteSettings());
    EXPECT_EQ(folder.Read("sysinfo.inf"),
              "LANG=000\r\nPORT=002\r\nLPT=001\r\nUART=003\r\nUARTBAUDI=001\r\nUARTFORMATI=000\r\nUSB=001\r\n" + tail);
}

TEST(SettingsFile, UnwritableOrUnreadableFileIsSilentAndKeepsDefaults) {
    TempFolder folder;
    CSysInfo missingFolder;
    missingFolder.LoadSettings(folder.Path() + "/gone/halvoran-config");  // cannot be created
    ExpectValues(missingFolder, kDefaults);
    EXPECT_FALSE(missingFolder.WriteSettings());

    std::filesystem::create_directories(folder.Path() + "/sub/sysinfo.inf");  // exists, cannot be read
    CSysInfo notAFile;
    notAFile.LoadSettings(folder.Path() + "/sub/halvoran-config");
    ExpectValues(notAFile, kDefaults);
    EXPECT_FALSE(notAFile.ReadSettings());
}

}  // namespace
}  // namespace halvoran
