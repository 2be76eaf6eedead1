#include <gtest/gtest.h>

#include <string>

#include "bridge/save_file.h"
#include "bridge_fixture.h"
#include "platform/files.h"

namespace halvoran::test {
namespace {

TEST(SaveExtension, AppendsOnlyWhenTheNameHasNoExtensionOfItsOwn) {
    const struct {
        const char* Chosen;
        const char* Extension;
        const char* Saved;
    } cases[] = {
        {"/home/u/printer", ".cfg", "/home/u/printer.cfg"},
        {"/home/u/printer.txt", ".cfg", "/home/u/printer.txt"},
        {"/home/u/printer.", ".cfg", "/home/u/printer..cfg"},
        {"/home/u/report.", ".txt", "/home/u/report..txt"},
        {"/home/u.v/report", ".txt", "/home/u.v/report.txt"},
        {"C:\\my.files\\report", ".txt", "C:\\my.files\\report.txt"},
        {"C:\\files\\conf.cfg", ".cfg", "C:\\files\\conf.cfg"},
    };
    for (const auto& c : cases) EXPECT_EQ(WithSaveExtension(c.Chosen, c.Extension), c.Saved) << c.Chosen;
}

TEST(SaveExtension, FileNamePartPrefersTheLastBackslash) {
    EXPECT_EQ(FileNamePart("C:\\dir\\conf.cfg"), "conf.cfg");
    EXPECT_EQ(FileNamePart("/home/u/conf.cfg"), "conf.cfg");
    EXPECT_EQ(FileNamePart("/home/a\\b/conf.cfg"), "b/conf.cfg");
    EXPECT_EQ(FileNamePart("conf.cfg"), "conf.cfg");
}

class SaveTest : public BridgeFixture {
protected:
    void SetUp() override {
        BridgeFixture::SetUp();
        Cache("/conf.cfg", "NEW CONFIG");
        Cache("/report.txt", "NEW REPORT");
    }
    std::string Out(const std::string& name) const { return folder.Path() + "/" + name; }
};

TEST_F(SaveTest, CopiesToTheChosenNameWithTheKindsFilterAndExtension) {
    window.SaveAnswer = Out("printer");
    SaveCachedFile(kSaveConfigFile, *bridge);
    ASSERT_EQ(window.SaveFilters().size(), 1u);
    EXPECT_EQ(window.SaveFilters()[0].Description, "CFG(*.cfg)");
    EXPECT_EQ(window.SaveFilters()[0].Pattern, "*.cfg");
    EXPECT_EQ(folder.Read("printer.cfg"), "NEW CONFIG");
    EXPECT_TRUE(window.Questions().empty());

    window.SaveAnswer = Out("status.log");
    SaveCachedFile(kSaveReport, *bridge);
    EXPECT_EQ(window.SaveFilters()[1].Description, "txt(*.txt)");
    EXPECT_EQ(folder.Read("status.log"), "NEW REPORT");
}

TEST_F(SaveTest, CancelledDialogCopiesNothing) {
    window.SaveAnswer = std::nullopt;
    SaveCachedFile(kSaveConfigFile, *bridge);
    EXPECT_TRUE(window.Questions().empty());
    EXPECT_TRUE(window.Lines().empty());
    EXPECT_EQ(folder.Read("p1/conf.cfg"), "NEW CONFIG");
}

struct OverwriteCase {
    uint8_t Language;
    bool AnswerOk;
    const char* Question;
    const char* Content;
};

class Overwrite : public SaveTest, public ::testing::WithParamInterface<OverwriteCase> {};

TEST_P(Overwrite, AsksWithTheFileNameAndReplacesOnlyOnOk) {
    const OverwriteCase& c = GetParam();
    folder.Write("conf.cfg", "OLD");
    SetLanguageIndex(c.Language);
    window.AnswerOk = c.AnswerOk;
    window.SaveAnswer = Out("conf");  // gets .cfg first, then is found to exist
    SaveCachedFile(kSaveConfigFile, *bridge);
    SetLanguageIndex(0);
    EXPECT_EQ(window.Questions(), std::vector<std::string>{c.Question});
    EXPECT_TRUE(window.LastQuestionWarned());
    EXPECT_EQ(folder.Read("conf.cfg"), c.Content);
}

INSTANTIATE_TEST_SUITE_P(Answers, Overwrite,
                         ::testing::Values(OverwriteCase{0, true, "conf.cfg already exists, overwrite it?", "NEW CONFIG"},
                                           OverwriteCase{0, false, "conf.cfg already exists, overwrite it?", "OLD"},
                                           OverwriteCase{1, true, "conf.cfg已存在,覆盖它吗?", "NEW CONFIG"}));

TEST_F(SaveTest, MissingCachedFileOrOverlongPathLeavesTheDestinationAlone) {
    DeleteFile(Local("/report.txt"));
    folder.Write("old.txt", "OLD");
    window.SaveAnswer = Out("old.txt");
    SaveCachedFile(kSaveReport, *bridge);
    EXPECT_EQ(folder.Read("old.txt"), "OLD");

    window.SaveAnswer = Out(std::string(kPathCapacity, 'x'));
    SaveCachedFile(kSaveConfigFile, *bridge);
    EXPECT_EQ(window.Questions().size(), 1u);  // only the first save asked
}

}  // namespace
}  // namespace halvoran::test
