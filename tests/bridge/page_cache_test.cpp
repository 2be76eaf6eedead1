#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "bridge/page_cache.h"
#include "bridge_fixture.h"
#include "platform/files.h"

namespace halvoran::test {
namespace {

// The bridge fixture, with the page fetch as the tests call it.
class PageCacheTest : public BridgeFixture {
protected:
    bool Fetch(const std::string& page, const std::string& reply, bool forced = false) {
        if (!reply.empty()) device.QueueReply(MakeRecord(reply));
        return FetchPage(page, *bridge, Local(page), forced);
    }
    size_t Requests() const { return device.Writes().size(); }
};

TEST_F(PageCacheTest, CachedPageIsReusedSilently) {
    ASSERT_TRUE(Fetch("/cfgs.htm", "<p>cfgs</p>"));
    EXPECT_EQ(folder.Read("p1/cfgs.htm"), "<p>cfgs</p>");
    EXPECT_EQ(window.Lines(), (std::vector<StatusLine>{{"/cfgs.htm is loaded !", false}}));
    window.Clear();
    ASSERT_TRUE(Fetch("/cfgs.htm", ""));
    EXPECT_EQ(Requests(), 1u);
    EXPECT_TRUE(window.Lines().empty());
}

TEST_F(PageCacheTest, AlwaysFetchedPagesAndForcedFetchesGoToThePrinter) {
    for (std::string_view page : AlwaysFetchPages) {
        const std::string p(page);
        ASSERT_TRUE(Fetch(p, "first"));
        ASSERT_TRUE(Fetch(p, "second")) << p;
        EXPECT_EQ(folder.Read("p1" + p), "second") << p;
    }
    EXPECT_EQ(Requests(), 2 * AlwaysFetchPages.size());
    ASSERT_TRUE(Fetch("/cfgs.htm", "old"));
    ASSERT_TRUE(Fetch("/cfgs.htm", "new", true));
    EXPECT_EQ(folder.Read("p1/cfgs.htm"), "new");
}

TEST_F(PageCacheTest, ChineseLoadedTextFollowsThePath) {
    SetLanguageIndex(1);
    ASSERT_TRUE(Fetch("/status.htm", "x"));
    SetLanguageIndex(0);
    EXPECT_EQ(window.Lines().back().Text, "/status.htm 已加载 !");
}

TEST_F(PageCacheTest, TgnetShowsNoText) {
    ASSERT_TRUE(Fetch("/tgnet.htm", "x"));
    EXPECT_TRUE(window.Lines().empty());
}

TEST_F(PageCacheTest, StylesheetFixupOnlyWithinFirst512Bytes) {
    struct Case {
        size_t at;
        bool blanked;
    };
    for (Case c : {Case{100, true}, Case{499, true}, Case{500, false}, Case{600, false}}) {
        std::string page(700, 'x');
        page.replace(c.at, 13, "/html/css.css");
        ASSERT_TRUE(Fetch("/cfgs.htm", page, true));
        std::string expected = page;
        if (c.blanked) expected.replace(c.at, 6, "      ");
        EXPECT_EQ(folder.Read("p1/cfgs.htm"), expected) << c.at;
    }
}

TEST_F(PageCacheTest, StylesheetSearchStopsAtNul) {
    std::string page = "ab";
    page += '\0';
    page += "<link href=\"/html/css.css\">";
    ASSERT_TRUE(Fetch("/cfgs.htm", page));
    EXPECT_EQ(folder.Read("p1/cfgs.htm"), page);
}

TEST_F(PageCacheTest, ActionPageGetsTwoBlankTargetsBlanked) {
    const std::string t = "target=\"_blank\"";
    const std::string page = "<a " + t + ">1</a><a " + t + ">2</a><a " + t + ">3</a>";
    const std::string blank(15, ' ');
    ASSERT_TRUE(Fetch("/action.htm", page));
    EXPECT_EQ(folder.Read("p1/action.htm"), "<a " + blank + ">1</a><a " + blank + ">2</a><a " + t + ">3</a>");
    ASSERT_TRUE(Fetch("/other.htm", page));
    EXPECT_EQ(folder.Read("p1/other.htm"), page);
}

TEST_F(PageCacheTest, CommunicationErrorBlocksAndClosesThePort) {
    device.FallSilent();
    EXPECT_FALSE(Fetch("/cfgs.htm", ""));
    EXPECT_EQ(window.Lines(), (std::vector<StatusLine>{{kCommError, true}}));
    EXPECT_EQ(bridge->NavState, Blocked);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_FALSE(FileExists(Local("/cfgs.htm")));
}

TEST_F(PageCacheTest, OversizedRecordIsACommunicationError) {
    device.QueueReply(MakeRecord(std::string(kPageBufferSize + 1, 'x')));
    EXPECT_FALSE(FetchPage("/big.htm", *bridge, Local("/big.htm"), false));
    EXPECT_EQ(bridge->NavState, Blocked);
    EXPECT_EQ(window.Lines().back(), (StatusLine{kCommError, true}));
}

TEST_F(PageCacheTest, PageOfExactlyBufferSizeIsWritten) {
    ASSERT_TRUE(Fetch("/big.htm", std::string(kPageBufferSize, 'y')));
    EXPECT_EQ(folder.Read("p1/big.htm").size(), kPageBufferSize);
}

TEST_F(PageCacheTest, UnwritableFileFailsAfterTheLoadedText) {
    std::filesystem::create_directory(folder.PageCache() + "/cfgs.htm");  // a folder stands in the way
    EXPECT_FALSE(Fetch("/cfgs.htm", "x", true));
    EXPECT_EQ(window.Lines().back(), (StatusLine{"/cfgs.htm is loaded !", false}));
    EXPECT_EQ(bridge->NavState, Idle);
}

TEST_F(PageCacheTest, UnsafePagePathsAreRefusedBeforeAnythingIsTouched) {
    const std::string longName = "/" + std::string(259, 'a');
    for (std::string page : {std::string("/../sysinfo.inf"), std::string("/html/css.css"), std::string(""),
                             std::string("/"), std::string("/a\\b"), std::string("/a\nb"), std::string("/..")}) {
        EXPECT_FALSE(IsSafePagePath(page)) << page;
        EXPECT_FALSE(FetchPage(page, *bridge, folder.Path() + "/p1" + page, false)) << page;
    }
    EXPECT_FALSE(IsSafePagePath(longName));
    EXPECT_TRUE(IsSafePagePath("/status.htm"));
    // A local path that is not the page's own file is refused too.
    EXPECT_FALSE(FetchPage("/status.htm", *bridge, folder.Path() + "/sysinfo.inf", false));
    EXPECT_EQ(Requests(), 0u);
    EXPECT_FALSE(FileExists(folder.Path() + "/sysinfo.inf"));
}

TEST_F(PageCacheTest, MissingPageCacheFolderFailsWithoutRequest) {
    std::filesystem::remove_all(folder.PageCache());
    EXPECT_FALSE(Fetch("/cfgs.htm", "x"));
    EXPECT_EQ(Requests(), 0u);
    EXPECT_EQ(bridge->NavState, Idle);
}

struct ResetCase {
    const char* previous;
    bool startsMonitor;
    int navState;
    const char* currentPageAfter;
};

class ResetPage : public PageCacheTest, public ::testing::WithParamInterface<ResetCase> {};

TEST_P(ResetPage, TransitionsFromThePreviousPage) {
    const ResetCase& c = GetParam();
    bridge->PreviousPage = c.previous;
    bridge->CurrentPage = "/reset.htm";
    bridge->CurrentFile = Local("/reset.htm");
    ASSERT_TRUE(Fetch("/reset.htm", "<p>reset</p>"));
    EXPECT_EQ(folder.Read("p1/reset.htm"), "<p>reset</p>");
    EXPECT_EQ(bridge->NavState, c.navState);
    EXPECT_EQ(bridge->CurrentPage, c.currentPageAfter);
    EXPECT_EQ(bridge->CurrentFile, Local(c.currentPageAfter));
    if (c.startsMonitor) {
        EXPECT_EQ(bridge->PreviousPage, "");
        EXPECT_EQ(window.Lines().back(),
                  (StatusLine{kResetText, false}));
    } else {
        EXPECT_EQ(bridge->PreviousPage, c.previous);
        EXPECT_EQ(window.Lines().back(), (StatusLine{"/reset.htm is loaded !", false}));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Previous, ResetPage,
    ::testing::Values(ResetCase{"/welcome.htm", false, Idle, "/reset.htm"},
                      ResetCase{"/reset.htm", true, PassOnce, "/restart.htm"},
                      ResetCase{"/action.htm", true, Blocked, "/reset.htm"},
                      ResetCase{"/restart.htm", true, Blocked, "/reset.htm"}));

TEST_F(PageCacheTest, ResetPageCachePrefetchesTwoAndDeletesTheRest) {
    for (std::string_view page : PageTable) folder.Write("p1" + std::string(page), "old");
    folder.Write("p1/homepage.html", "home");
    std::filesystem::remove(Local("/toc.htm"));
    device.QueueReply(MakeRecord(std::string("toc")));
    ASSERT_TRUE(ResetPageCache(*bridge));
    EXPECT_EQ(Requests(), 1u) << "only the missing /toc.htm is fetched";
    EXPECT_EQ(folder.Read("p1/logo.htm"), "old");
    EXPECT_EQ(folder.Read("p1/toc.htm"), "toc");
    for (size_t i = 2; i < PageTable.size(); ++i) EXPECT_FALSE(FileExists(Local(std::string(PageTable[i]))));
    EXPECT_EQ(folder.Read("p1/homepage.html"), "home");
}

}  // namespace
}  // namespace halvoran::test
