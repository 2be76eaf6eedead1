#include <gtest/gtest.h>

#include <string>

#include "bridge/form_submission.h"
#include "bridge/page_cache.h"
#include "bridge_fixture.h"
#include "platform/files.h"

namespace halvoran::test {
namespace {

class FormTest : public BridgeFixture {
protected:
    void SetUp() override {
        BridgeFixture::SetUp();
        // The pre-fetched pages are cached, so a cache reset sends nothing.
        Cache("/logo.htm", "logo");
        Cache("/toc.htm", "toc");
        Cache("/cfgs.htm", "cfgs");
        bridge->PreviousPage = "/cfgs.htm";
        bridge->PreviousFile = Local("/cfgs.htm");
    }
    // Posts a form; then is the answer to the re-fetch of the previous page.
    bool Submit(const std::string& page, bool marked, const std::string& then = "") {
        const std::string form = "a=1";
        device.QueueReply(MakeRecord("<p>answer</p>", marked));
        if (!then.empty()) device.QueueReply(MakeRecord(then));
        return SubmitForm(page, form.c_str(), *bridge, Local(page), static_cast<int32_t>(form.size()));
    }
    bool CacheWasReset() const { return !FileExists(Local("/cfgs.htm")); }
};

TEST_F(FormTest, UnmarkedAnswerRefreshesThePreviousPageAndSaysLoaded) {
    device.QueueReply(MakeRecord("<p>answer</p>"));
    device.QueueReply(MakeRecord("<p>cfgs new</p>"));
    const std::string form = "name=x&v=1";
    ASSERT_TRUE(SubmitForm("/prsgen.htm", form.c_str(), *bridge, Local("/prsgen.htm"), 10));
    EXPECT_EQ(RequestLines(), (std::vector<std::string>{"POST /prsgen.htm HTTP/1.1", "GET /cfgs.htm HTTP/1.1"}));
    const Bytes post = device.Writes()[0];
    EXPECT_NE(std::string(post.begin(), post.end()).find("\r\n\r\n" + form), std::string::npos);
    EXPECT_EQ(folder.Read("p1/prsgen.htm"), "<p>answer</p>");
    EXPECT_EQ(folder.Read("p1/cfgs.htm"), "<p>cfgs new</p>");
    EXPECT_EQ(window.Lines().back(), (StatusLine{"/prsgen.htm is loaded !", false}));
    EXPECT_EQ(bridge->NavState, Idle);
    EXPECT_FALSE(bridge->RestartRunning);
}

struct MarkedCase {
    const char* Page;
    bool Marked;
    bool ResetsCache;
};

class FormOutcome : public FormTest, public ::testing::WithParamInterface<MarkedCase> {};

TEST_P(FormOutcome, CacheResetAndRestartFollowTheMarker) {
    const MarkedCase& c = GetParam();
    ASSERT_TRUE(Submit(c.Page, c.Marked, c.Marked ? "" : "<p>previous</p>"));
    if (c.Marked) {
        EXPECT_EQ(window.Lines().back(), (StatusLine{kResetText, false}));
        EXPECT_EQ(bridge->NavState, Blocked);
        EXPECT_TRUE(bridge->RestartRunning);
        EXPECT_EQ(device.Writes().size(), 1u);
        EXPECT_EQ(CacheWasReset(), c.ResetsCache);
    } else {
        EXPECT_EQ(window.Lines().back(), (StatusLine{std::string(c.Page) + " is loaded !", false}));
        EXPECT_FALSE(bridge->RestartRunning);
        EXPECT_EQ(folder.Read("p1/cfgs.htm"), "<p>previous</p>");  // refreshed after the reset
    }
}

INSTANTIATE_TEST_SUITE_P(Pages, FormOutcome,
                         ::testing::Values(MarkedCase{"/prscfgs.htm", false, true},
                                           MarkedCase{"/prscfgs.htm", true, true},
                                           MarkedCase{"/prsldcfg.htm", true, true},
                                           MarkedCase{"/prssvcfg.htm", true, true},
                                           MarkedCase{"/prsgen.htm", true, false},
                                           MarkedCase{"/prsgen.htm", false, false}));

TEST_F(FormTest, MarkerOfTheFormAnswerSurvivesTheCacheResetsOwnFetches) {
    DeleteFile(Local("/logo.htm"));  // the cache reset fetches it with an unmarked answer
    device.QueueReply(MakeRecord("<p>answer</p>", true));
    device.QueueReply(MakeRecord("logo"));
    const std::string form = "a=1";
    ASSERT_TRUE(SubmitForm("/prscfgs.htm", form.c_str(), *bridge, Local("/prscfgs.htm"), 3));
    EXPECT_EQ(RequestLines().back(), "GET /logo.htm HTTP/1.1");
    EXPECT_TRUE(bridge->RestartRunning);
    EXPECT_EQ(bridge->NavState, Blocked);
}

TEST_F(FormTest, MarkedSerialSettingsOverASerialLinkDisconnectsWithoutAMonitor) {
    pause.Release();
    ASSERT_TRUE(Submit("/prsser.htm", true));
    const auto lines = window.Lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], (StatusLine{kResetText, false}));
    EXPECT_EQ(lines.back(),
              (StatusLine{"Change the uartport setting , config tool terminates in few seconds", false}));
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(time.Elapsed(), kSerialSettingsPauseMs);
    EXPECT_EQ(window.Disconnects(), 1);
    EXPECT_FALSE(bridge->RestartRunning);
}

TEST_F(FormTest, MarkedSerialSettingsOverUsbWaitsForTheRestart) {
    port.PortKind = kPortUsb;
    ASSERT_TRUE(Submit("/prsser.htm", true));
    EXPECT_TRUE(bridge->RestartRunning);
    EXPECT_EQ(window.Disconnects(), 0);
}

TEST_F(FormTest, UnansweredPostIsACommunicationError) {
    const std::string form = "a=1";
    EXPECT_FALSE(SubmitForm("/prsgen.htm", form.c_str(), *bridge, Local("/prsgen.htm"), 3));
    EXPECT_EQ(window.Lines().back(), (StatusLine{kCommError, true}));
    EXPECT_EQ(bridge->NavState, Blocked);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_FALSE(FileExists(Local("/prsgen.htm")));
}

TEST_F(FormTest, UnwritableAnswerStillRefreshesButFails) {
    device.QueueReply(MakeRecord("<p>answer</p>"));
    device.QueueReply(MakeRecord("<p>cfgs new</p>"));
    const std::string form = "a=1";
    const std::string unwritable = folder.Path() + "/missing/prsgen.htm";
    EXPECT_FALSE(SubmitForm("/prsgen.htm", form.c_str(), *bridge, unwritable, 3));
    EXPECT_EQ(folder.Read("p1/cfgs.htm"), "<p>cfgs new</p>");
    EXPECT_EQ(window.Lines().back(), (StatusLine{"/prsgen.htm is loaded !", false}));
}

}  // namespace
}  // namespace halvoran::test
