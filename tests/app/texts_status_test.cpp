// Language choice, the texts in both wordings and the status bar's colours.
#include <gtest/gtest.h>

#include "app/status_bar.h"
#include "app/texts.h"

namespace halvoran {
namespace {

class LanguageTest : public ::testing::Test {
protected:
    void TearDown() override { SetLanguageIndex(0); }
};

TEST_F(LanguageTest, LowestBitOfTheSettingPicksTheWording) {
    struct Case {
        uint8_t Setting;
        const char* Expected;
    } cases[] = {{0, "Connect"}, {1, "连 接"}, {2, "Connect"}, {199, "连 接"}};
    for (const Case& c : cases) {
        SetLanguageIndex(c.Setting);
        EXPECT_STREQ(Tr(text::ConnectButton), c.Expected) << int(c.Setting);
    }
}

TEST_F(LanguageTest, BlanksBelongToTheTexts) {
    SetLanguageIndex(0);
    EXPECT_STREQ(Tr(text::Connected), "Printer has been successfully connected ");
    EXPECT_STREQ(Tr(text::SendingProgress), "Sending data to printer : ");
    EXPECT_STREQ(Tr(text::CannotOpenPort), " Cannot open port !");
    SetLanguageIndex(1);
    EXPECT_STREQ(Tr(text::SelectPortLabel), "  选择接口:");
    EXPECT_STREQ(Tr(text::PageLoaded), " 已加载 !");
}

TEST(ColorStatusBar, ErrorIsRedUntilTheNextNormalMessage) {
    CColorStatusBar bar;
    bar.SetLabel("State:");
    bar.SetMessage("Fail to connect", 1);
    EXPECT_EQ(bar.PartColor(1), CColorStatusBar::ErrorColor);
    EXPECT_EQ(bar.PartColor(0), CColorStatusBar::NormalColor) << "the label stays black";
    bar.SetMessage("Connecting", 0);
    EXPECT_EQ(bar.PartColor(1), CColorStatusBar::NormalColor);
    bar.SetMessage("odd flag", 2);  // only the lowest bit counts
    EXPECT_FALSE(bar.IsError());
    EXPECT_EQ(bar.PartText(0), "State:");
    EXPECT_EQ(bar.PartText(1), "odd flag");
    EXPECT_EQ(bar.PartText(2), "");
}

}  // namespace
}  // namespace halvoran
