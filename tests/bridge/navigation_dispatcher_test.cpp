#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "bridge/navigation_dispatcher.h"
#include "bridge/page_cache.h"
#include "bridge_fixture.h"
#include "platform/files.h"

namespace halvoran::test {
namespace {

// A browser that raises BeforeNavigate2 for each navigation it is asked to
// make, and for the navigations the dispatcher sends it to in turn, as the
// embedded browser does.
class ScriptedBrowser : public BrowserView {
public:
    struct Step {
        std::string Url;
        bool Allowed;
        bool FromDispatcher;   // a navigation the dispatcher asked for
        bool ReplacesEvent;    // ... in place of the event it was handling
        bool operator==(const Step&) const = default;
    };

    explicit ScriptedBrowser(PanelBridge& bridge) : bridge_(bridge) {}

    void Navigate(const std::string& url, const NavigationEvent* during) override {
        pending_.push_back({url, during != nullptr});
    }

    // The user (or a command) navigates to url; returns whether that first
    // navigation was allowed. Log holds every navigation raised.
    bool Go(const std::string& url, std::optional<std::string> postData = std::nullopt) {
        const bool allowed = Raise(url, std::move(postData), false, false);
        while (!pending_.empty()) {
            const auto [next, replaces] = pending_.front();
            pending_.pop_front();
            Raise(next, std::nullopt, true, replaces);
        }
        return allowed;
    }

    std::vector<Step> Log;

private:
    bool Raise(const std::string& url, std::optional<std::string> postData, bool fromDispatcher, bool replaces) {
        NavigationEvent event{url, "", std::move(postData)};
        OnBeforeNavigate2(bridge_, event);
        Log.push_back({url, !event.Cancel, fromDispatcher, replaces});
        return !event.Cancel;
    }

    PanelBridge& bridge_;
    std::deque<std::pair<std::string, bool>> pending_;
};

using Step = ScriptedBrowser::Step;

class DispatcherTest : public BridgeFixture {
protected:
    void SetUp() override {
        BridgeFixture::SetUp();
        window.View = &browser;
    }
    std::string Url(const std::string& page) const { return folder.PageCache() + page; }
    // Start-up's welcome page, then Connect's home page and its five sub-pages.
    void StartAndConnect() {
        ASSERT_TRUE(browser.Go(Url("/welcome_local.htm")));
        ASSERT_TRUE(browser.Go(Url("/homepage.html")));
        for (const char* page : {"/logo.htm", "/toc.htm", "/welcome.htm", "/banner.htm", "/status.htm"}) {
            device.QueueReply(MakeRecord(std::string("<p>") + page));
            ASSERT_TRUE(browser.Go(Url(page))) << page;
        }
        browser.Log.clear();
        window.Clear();
    }
    // A link followed to a printer page: fetched, then shown from the cache.
    void Follow(const std::string& page, const std::string& reply) {
        if (!reply.empty()) device.QueueReply(MakeRecord(reply));
        EXPECT_FALSE(browser.Go(Url(page)));
    }

    ScriptedBrowser browser{*bridge};
};

TEST_F(DispatcherTest, FirstNavigationIsShownUntouchedWhateverItsUrl) {
    EXPECT_TRUE(browser.Go("no separator at all"));
    EXPECT_EQ(bridge->FirstNavDone, 1);
    EXPECT_TRUE(device.Writes().empty());
    EXPECT_EQ(bridge->CurrentPage, "");
}

TEST_F(DispatcherTest, ConnectLoadsFiveSubPagesInPlaceThenTheSixthPageIsRedirected) {
    ASSERT_TRUE(browser.Go(Url("/welcome_local.htm")));
    ASSERT_TRUE(browser.Go(Url("/homepage.html")));
    const std::vector<std::string> subPages = {"/logo.htm", "/toc.htm", "/welcome.htm", "/banner.htm", "/status.htm"};
    for (const std::string& page : subPages) {
        device.QueueReply(MakeRecord("<p>" + page));
        EXPECT_TRUE(browser.Go(Url(page))) << page;
        EXPECT_EQ(folder.Read("p1" + page), "<p>" + page);
    }
    EXPECT_EQ(bridge->FramesetPhase, 0);
    EXPECT_EQ(bridge->NavCounter, 1);
    for (const Step& step : browser.Log) EXPECT_FALSE(step.FromDispatcher) << step.Url;

    browser.Log.clear();
    Follow("/cfgs.htm", "<p>cfgs</p>");
    EXPECT_EQ(browser.Log, (std::vector<Step>{{Url("/cfgs.htm"), false, false, false},
                                              {Local("/cfgs.htm"), true, true, true}}));
    EXPECT_EQ(RequestLines().back(), "GET /cfgs.htm HTTP/1.1");
    EXPECT_EQ(bridge->NavCounter, 1);
}

TEST_F(DispatcherTest, CachedPageIsShownAgainWithoutAskingThePrinter) {
    StartAndConnect();
    Follow("/cfgs.htm", "<p>cfgs</p>");
    const size_t requests = device.Writes().size();
    Follow("/cfgs.htm", "");
    EXPECT_EQ(device.Writes().size(), requests);
    EXPECT_TRUE(browser.Log.back().Allowed);
}

TEST_F(DispatcherTest, IndexPageIsReplacedByTheHomePageAndItsFrames) {
    StartAndConnect();
    Follow("/index.htm", "<p>index</p>");
    EXPECT_EQ(browser.Log, (std::vector<Step>{{Url("/index.htm"), false, false, false},
                                              {Local("/index.htm"), false, true, true},
                                              {Local("/homepage.html"), true, true, false}}));
    EXPECT_EQ(bridge->FramesetPhase, 1);
    // The home page's frames are shown in place again.
    device.QueueReply(MakeRecord("<p>toc</p>"));
    EXPECT_TRUE(browser.Go(Url("/toc.htm")));
    EXPECT_EQ(browser.Log.back(), (Step{Url("/toc.htm"), true, false, false}));
}

TEST_F(DispatcherTest, RefusedUrlsChangeNothingAndSendNothing) {
    StartAndConnect();
    Follow("/cfgs.htm", "<p>cfgs</p>");
    const size_t requests = device.Writes().size();
    const std::string tooLong = "/" + std::string(kMaxPagePath, 'a');
    for (const std::string url : {std::string("nodelimiter.htm"), Url("/panelpop.htm"), std::string("C:\\Tool\\p1\\panelpop.htm"),
                                  folder.PageCache() + tooLong, Url("/"), std::string("C:\\p1\\..")}) {
        EXPECT_FALSE(browser.Go(url)) << url;
        EXPECT_EQ(bridge->CurrentPage, "/cfgs.htm") << url;
    }
    EXPECT_EQ(device.Writes().size(), requests);
    EXPECT_EQ(bridge->NavState, Idle);
}

TEST_F(DispatcherTest, BackslashUrlsNameTheirPageAfterTheLastBackslash) {
    StartAndConnect();
    device.QueueReply(MakeRecord("<p>ser</p>"));
    browser.Go("C:\\Tool\\p1\\ser.htm");
    EXPECT_EQ(RequestLines().back(), "GET /ser.htm HTTP/1.1");
    EXPECT_EQ(bridge->CurrentFile, Local("/ser.htm"));
}

TEST_F(DispatcherTest, LinkOnTheWelcomePageWithoutAPortIsCancelled) {
    bridge->Port = nullptr;
    ASSERT_TRUE(browser.Go(Url("/welcome_local.htm")));
    ASSERT_TRUE(browser.Go(Url("/homepage.html")));  // the frameset phase's first navigation
    EXPECT_FALSE(browser.Go(Url("/cfgs.htm")));
    EXPECT_TRUE(window.Lines().empty());
    EXPECT_EQ(bridge->NavState, Idle);
    EXPECT_FALSE(FileExists(Local("/cfgs.htm")));
}

TEST_F(DispatcherTest, FailedFetchBlocksEveryLaterNavigation) {
    StartAndConnect();
    const size_t requests = device.Writes().size();
    EXPECT_FALSE(browser.Go(Url("/cfgs.htm")));  // the printer does not answer
    EXPECT_EQ(window.Lines().back(), (StatusLine{kCommError, true}));
    device.QueueReply(MakeRecord("<p>ser</p>"));
    EXPECT_FALSE(browser.Go(Url("/ser.htm")));
    EXPECT_EQ(device.Writes().size(), requests + 1);
}

TEST_F(DispatcherTest, FormPostIsSubmittedAndItsAnswerShown) {
    StartAndConnect();
    Follow("/cfgs.htm", "<p>cfgs</p>");
    device.QueueReply(MakeRecord("<p>done</p>"));
    device.QueueReply(MakeRecord("<p>cfgs again</p>"));
    EXPECT_FALSE(browser.Go(Url("/prsgen.htm"), "a=1&b=2"));
    EXPECT_EQ(browser.Log.back(), (Step{Local("/prsgen.htm"), true, true, true}));
    const auto lines = RequestLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "POST /prsgen.htm HTTP/1.1");
    EXPECT_EQ(lines.back(), "GET /cfgs.htm HTTP/1.1");
    EXPECT_NE(device.Writes()[device.Writes().size() - 2].size(), 0u);
    EXPECT_EQ(folder.Read("p1/prsgen.htm"), "<p>done</p>");
    EXPECT_EQ(bridge->PostData, nullptr);  // the form data lives only as long as its event
}

TEST_F(DispatcherTest, SavingTheConfigurationFileStaysOnThePageAndUnblocks) {
    StartAndConnect();
    window.SaveAnswer = std::nullopt;  // the user cancels the Save As dialog
    Follow("/conf.cfg", "CFG DATA");
    EXPECT_EQ(window.SaveFilters().size(), 1u);
    EXPECT_EQ(browser.Log.size(), 1u);  // no navigation follows
    EXPECT_EQ(bridge->CurrentPage, "/action.htm");
    EXPECT_EQ(bridge->CurrentFile, Local("/action.htm"));
    EXPECT_EQ(bridge->NavState, Idle);
    EXPECT_EQ(bridge->NavCounter, 1);

    // The reset page reached from there starts the wait for the restart.
    device.QueueReply(MakeRecord("<p>reset</p>"));
    EXPECT_FALSE(browser.Go(Url("/reset.htm")));
    EXPECT_EQ(bridge->PreviousPage, "");
    EXPECT_TRUE(bridge->RestartRunning);
    EXPECT_EQ(bridge->NavState, Blocked);
    EXPECT_EQ(browser.Log.back(), (Step{Local("/reset.htm"), false, true, true}));
}

TEST_F(DispatcherTest, ReportSaveUsesTheReportFilterAndReturnsToTheReportPage) {
    StartAndConnect();
    window.SaveAnswer = folder.Path() + "/saved";
    Follow("/report.txt", "REPORT");
    ASSERT_EQ(window.SaveFilters().size(), 1u);
    EXPECT_EQ(window.SaveFilters()[0].Pattern, "*.txt");
    EXPECT_EQ(folder.Read("saved.txt"), "REPORT");
    EXPECT_EQ(bridge->CurrentPage, "/report.htm");
    EXPECT_EQ(bridge->NavState, Idle);
}

TEST_F(DispatcherTest, ResetPageFromItselfLetsExactlyTheRestartPageThrough) {
    StartAndConnect();
    Follow("/reset.htm", "<p>reset</p>");  // from /status.htm: only shown
    EXPECT_FALSE(bridge->RestartRunning);
    Follow("/reset.htm", "<p>reset</p>");
    ASSERT_TRUE(pause.WaitUntilSleeping());
    EXPECT_TRUE(bridge->RestartRunning);
    // The dispatcher sent the browser to the restart page, and that one passed.
    EXPECT_EQ(browser.Log.back(), (Step{Local("/restart.htm"), true, true, true}));
    EXPECT_EQ(bridge->NavState, Blocked);
    EXPECT_FALSE(browser.Go(Url("/cfgs.htm")));
    EXPECT_FALSE(browser.Go(Local("/restart.htm")));
}

TEST_F(DispatcherTest, PassOnceHandlesOneNavigationOnly) {
    StartAndConnect();
    bridge->NavState = PassOnce;
    const size_t requests = device.Writes().size();
    device.QueueReply(MakeRecord("<p>ser</p>"));
    browser.Go(Url("/ser.htm"));
    EXPECT_EQ(RequestLines().back(), "GET /ser.htm HTTP/1.1");
    // The redirect that follows is already refused.
    EXPECT_EQ(browser.Log.back(), (Step{Local("/ser.htm"), false, true, true}));
    EXPECT_FALSE(browser.Go(Url("/cfgs.htm")));
    EXPECT_EQ(device.Writes().size(), requests + 1);
}

TEST_F(DispatcherTest, UploadFormsStartTheUploadInsteadOfAFetch) {
    StartAndConnect();
    const size_t requests = device.Writes().size();
    EXPECT_FALSE(browser.Go(Url("/prsfwdld.htm"), "filename=\"" + folder.Path() + "/missing.bin\""));
    ASSERT_TRUE(pause.WaitUntilSleeping());
    EXPECT_TRUE(bridge->DownloadRunning);
    EXPECT_EQ(bridge->NavState, Blocked);
    EXPECT_FALSE(browser.Go(Url("/cfgs.htm")));
    pause.Release();
    bridge->DownloadThread.join();
    EXPECT_EQ(bridge->NavState, Idle);  // the missing file was refused
    EXPECT_EQ(device.Writes().size(), requests);
}

TEST_F(DispatcherTest, UploadThatCannotStartLeavesNavigationUsable) {
    StartAndConnect();
    EXPECT_FALSE(browser.Go(Url("/prsdwnld.htm"), "no file named"));
    EXPECT_FALSE(bridge->DownloadRunning);
    EXPECT_EQ(bridge->NavState, Idle);
    device.QueueReply(MakeRecord("<p>cfgs</p>"));
    Follow("/cfgs.htm", "");
    EXPECT_TRUE(browser.Log.back().Allowed);
}

struct PreviousCase {
    std::vector<const char*> Visited;  // pages in the order navigated
    const char* Previous;              // PreviousPage after the last one
};

class PreviousPageRule : public BridgeFixture, public ::testing::WithParamInterface<PreviousCase> {};

TEST_P(PreviousPageRule, StatusTgnetAndFormPagesAreNeverRemembered) {
    for (const char* page : GetParam().Visited)
        ASSERT_TRUE(PagePathFromUrl(*bridge, folder.PageCache() + page, std::nullopt)) << page;
    EXPECT_EQ(bridge->PreviousPage, GetParam().Previous);
    EXPECT_EQ(bridge->PreviousFile, std::string(GetParam().Previous).empty() ? "" : Local(GetParam().Previous));
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, PreviousPageRule,
    ::testing::Values(PreviousCase{{"/cfgs.htm", "/status.htm", "/welcome.htm"}, "/cfgs.htm"},
                      PreviousCase{{"/cfgs.htm", "/tgnet.htm", "/welcome.htm"}, "/cfgs.htm"},
                      PreviousCase{{"/cfgs.htm", "/prscfgs.htm", "/welcome.htm"}, "/cfgs.htm"},
                      PreviousCase{{"/cfgs.htm", "/ser.htm", "/welcome.htm"}, "/ser.htm"},
                      PreviousCase{{"/cfgs.htm", "/cfgs.htm"}, "/cfgs.htm"},
                      PreviousCase{{"/cfgs.htm"}, ""}));

TEST_F(DispatcherTest, PanelpopLeavesTheCurrentPageAlone) {
    ASSERT_TRUE(PagePathFromUrl(*bridge, "C:\\Tool\\p1\\cfgs.htm", std::nullopt));
    EXPECT_FALSE(PagePathFromUrl(*bridge, "C:\\Tool\\p1\\panelpop.htm", std::nullopt));
    EXPECT_EQ(bridge->CurrentPage, "/cfgs.htm");
    EXPECT_EQ(bridge->PreviousPage, "");
}

}  // namespace
}  // namespace halvoran::test
