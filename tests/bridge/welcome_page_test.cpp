#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "bridge/welcome_page.h"
#include "bridge_fixture.h"

namespace halvoran::test {
namespace {

constexpr size_t kTemplateBytes = 1113;
constexpr size_t kTemplateLines = 64;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string Digits(const std::array<char, 4>& d) { return std::string(d.begin(), d.end()); }

TEST(FormatFourDigits, WritesFourDigitsAndLimitsToTheirRange) {
    const struct {
        int N;
        const char* Expected;
    } cases[] = {{0, "0000"}, {42, "0042"}, {1366, "1366"}, {9999, "9999"}, {10000, "9999"}, {-1, "0000"}};
    for (const auto& c : cases) EXPECT_EQ(Digits(FormatFourDigits(c.N)), c.Expected) << c.N;
}

TEST(WelcomeTemplate, HasSixtyFourLfLinesWithTheirBlanksAndTabs) {
    const std::string page(WelcomeTemplate());
    EXPECT_EQ(page.size(), kTemplateBytes);
    EXPECT_EQ(page.find('\r'), std::string::npos);
    EXPECT_EQ(page.back(), '\n');
    const auto lines = Lines(page);
    ASSERT_EQ(lines.size(), kTemplateLines);
    const struct {
        size_t Line;
        const char* Text;
    } exact[] = {{1, "<html>"},        {9, "#blocki {"},   {10, "\tposition: absolute;"}, {20, "top:0000; "},
                 {28, " }"},           {29, ""},           {55, "  "},                    {57, "  <div class=\"text02\"> </div>"},
                 {63, "\t"},           {64, "</html>"}};
    for (const auto& e : exact) EXPECT_EQ(lines[e.Line - 1], e.Text) << "line " << e.Line;
}

struct SizeCase {
    int Width;
    int Height;
    // Digits of lines 13, 14, 21, 26, 27.
    const char* BlockWidth;
    const char* BlockHeight;
    const char* TitleLeft;
    const char* PrinterTop;
    const char* PrinterLeft;
};

class WelcomeSize : public ::testing::TestWithParam<SizeCase> {};

TEST_P(WelcomeSize, PatchesOnlyTheDigitsOfItsSize) {
    const SizeCase& c = GetParam();
    const std::string page = PatchWelcomeTemplate(c.Width, c.Height);
    ASSERT_EQ(page.size(), kTemplateBytes);
    const auto lines = Lines(page);
    ASSERT_EQ(lines.size(), kTemplateLines);
    EXPECT_EQ(lines[12], std::string("\twidth:") + c.BlockWidth + "px;");
    EXPECT_EQ(lines[13], std::string("\theight:") + c.BlockHeight + "px;");
    EXPECT_EQ(lines[20], std::string("left:") + c.TitleLeft + ";");
    EXPECT_EQ(lines[25], std::string("top:") + c.PrinterTop + "; ");
    EXPECT_EQ(lines[26], std::string("left:") + c.PrinterLeft + ";");
    // The two texts always move to the same places.
    EXPECT_EQ(lines[31], "top:0042; ");
    EXPECT_EQ(lines[32], "left:0266;");
    EXPECT_EQ(lines[40], "top:0060; ");
    EXPECT_EQ(lines[41], "left:0599;");
    // Nothing else changes.
    const auto original = Lines(std::string(WelcomeTemplate()));
    for (size_t i : {0u, 8u, 19u, 30u, 52u, 53u, 57u, 63u}) EXPECT_EQ(lines[i], original[i]) << "line " << i + 1;
}

INSTANTIATE_TEST_SUITE_P(
    Areas, WelcomeSize,
    ::testing::Values(SizeCase{1000, 600, "0999", "0550", "0000", "0148", "0000"},
                      SizeCase{800, 400, "0999", "0550", "0000", "0148", "0000"},
                      SizeCase{1001, 600, "1001", "0704", "0000", "0107", "0000"},
                      SizeCase{1366, 650, "1366", "0754", "0183", "0107", "0000"},
                      SizeCase{12000, 9990, "9999", "9999", "5500", "0107", "0000"}));

class WelcomeFile : public BridgeFixture {};

TEST_F(WelcomeFile, WritesThePatchedTemplateByteForByteAndAgainAlike) {
    window.Area = {1366, 650};
    bridge->CurrentPage = "/cfgs.htm";
    EXPECT_TRUE(GenerateWelcomePage(*bridge));
    const std::string written = folder.Read("p1/welcome_local.htm");
    EXPECT_EQ(written, PatchWelcomeTemplate(1366, 650));
    EXPECT_EQ(bridge->CurrentPage, "");
    EXPECT_EQ(bridge->CurrentFile, "");
    EXPECT_EQ(WelcomePageFile(folder.Path()), folder.PageCache() + "/welcome_local.htm");

    EXPECT_TRUE(GenerateWelcomePage(*bridge));
    EXPECT_EQ(folder.Read("p1/welcome_local.htm"), written);
}

TEST_F(WelcomeFile, MissingPageCacheIsNoError) {
    bridge->ProgramFolder = folder.Path() + "/nowhere";
    EXPECT_TRUE(GenerateWelcomePage(*bridge));
    EXPECT_TRUE(window.Lines().empty());
}

}  // namespace
}  // namespace halvoran::test
