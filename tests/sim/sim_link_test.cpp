// The simulator's link behaviour seen through the core's codecs: the connect
// echo, one record per request, the page set and its size limits.
#include <algorithm>

#include "bridge/page_cache.h"
#include "link/frames.h"
#include "page_server.h"
#include "sim_fixture.h"

namespace halvoran::sim::test {
namespace {

using Bytes = std::vector<uint8_t>;

TEST_F(SimLinkTest, ConnectIsEchoedAndEntersWebPanelMode) {
    ASSERT_TRUE(Connect());
    EXPECT_TRUE(IsConnectEcho(port->ReplyBuffer, kModeCommandSize));
    EXPECT_EQ(Printer().State(), LinkState::WebPanel);
    EXPECT_FALSE(Printer().MsUntilOutput().has_value()) << "exactly one record answers the connect";
}

// What may come before the connect command on each kind of port.
struct ConnectPreamble {
    const char* Name;
    Bytes Before;
    bool Block;  // the USB port writes the 64-byte command block
};

class ConnectPreambleTest : public SimLinkTest, public ::testing::WithParamInterface<ConnectPreamble> {};

TEST_P(ConnectPreambleTest, EchoesTheConnectCommandOnce) {
    const ConnectPreamble& c = GetParam();
    ASSERT_TRUE(port->Open());
    Bytes bytes = c.Before;
    CommandBlock block = MakeCommandBlock(kModeConnect);
    bytes.insert(bytes.end(), block.begin(), block.begin() + (c.Block ? kCommandBlockSize : kModeCommandSize));
    ASSERT_TRUE(port->Write(bytes.data(), static_cast<uint32_t>(bytes.size())));
    uint8_t buffer[kReplyBufferSize];
    uint32_t length = sizeof buffer;
    ASSERT_TRUE(port->ReadRecord(buffer, length));
    EXPECT_TRUE(IsConnectEcho(buffer, length));
    EXPECT_EQ(length, kModeCommandSize);
    EXPECT_FALSE(Printer().MsUntilOutput().has_value());
    EXPECT_FALSE(Logged("unexpected")) << "burst bytes and block padding are expected input";
}

INSTANTIATE_TEST_SUITE_P(Ports, ConnectPreambleTest,
                         ::testing::Values(ConnectPreamble{"Parallel", {}, false},
                                           ConnectPreamble{"SerialWakeBurst",
                                                           {0x11, 0x13, 0x11, 0x13, 0x11, 0x13, 0x11, 0x13}, false},
                                           ConnectPreamble{"UsbBlock", {}, true}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(SimLinkTest, ConnectCommandSplitOverManyWritesIsStillOneCommand) {
    ASSERT_TRUE(port->Open());
    ModeCommand command = MakeModeCommand(kModeConnect);
    for (uint8_t byte : command) ASSERT_TRUE(port->Write(&byte, 1));
    uint8_t buffer[kReplyBufferSize];
    uint32_t length = sizeof buffer;
    ASSERT_TRUE(port->ReadRecord(buffer, length));
    EXPECT_TRUE(IsConnectEcho(buffer, length));
}

TEST_F(SimLinkTest, EveryPageIsOneRecordThatFitsThePageBuffer) {
    ASSERT_TRUE(Connect());
    std::vector<std::string> paths = PageServer::PagePaths();
    for (std::string_view page : PageTable) paths.emplace_back(page);
    for (std::string_view page : AlwaysFetchPages) paths.emplace_back(page);
    for (const std::string& path : paths) {
        if (path == "/reset.htm") continue;  // restarts the printer; see the restart tests
        SCOPED_TRACE(path);
        std::optional<Reply> reply = Get(path);
        ASSERT_TRUE(reply.has_value());
        EXPECT_FALSE(reply->Marker);
        EXPECT_FALSE(Printer().MsUntilOutput().has_value()) << "one request, one record";
        EXPECT_LE(reply->Payload.size(), kPageBufferSize);
        if (path.ends_with(".htm")) {
            EXPECT_NE(reply->Payload.find("/html/css.css"), std::string::npos);
            EXPECT_LE(reply->Payload.find("/html/css.css") + 13, 512u) << "the cache fix-up looks at 512 bytes";
            EXPECT_EQ(reply->Payload.find("Page not found"), std::string::npos);
        }
    }
    EXPECT_FALSE(Logged("unknown placeholder"));
    EXPECT_FALSE(Logged("unknown page"));
}

TEST_F(SimLinkTest, ActionPageOpensTheTwoSavedFilesInNewWindowsFirst) {
    ASSERT_TRUE(Connect());
    std::optional<Reply> action = Get("/action.htm");
    ASSERT_TRUE(action);
    const std::string& page = action->Payload;
    size_t first = page.find("target=\"_blank\"");
    size_t second = page.find("target=\"_blank\"", first + 1);
    ASSERT_NE(second, std::string::npos);
    EXPECT_NE(page.rfind("conf.cfg", first), std::string::npos);
    EXPECT_NE(page.substr(first, second - first).find("report.txt"), std::string::npos);
    EXPECT_NE(page.find("reset.htm"), std::string::npos);
}

TEST_F(SimLinkTest, UploadFormsPostToTheUploadPages) {
    ASSERT_TRUE(Connect());
    const std::pair<const char*, const char*> forms[] = {{"/fwdld.htm", "prsfwdld.htm"}, {"/dwnld.htm", "prsdwnld.htm"}};
    for (const auto& [page, target] : forms) {
        std::optional<Reply> reply = Get(page);
        ASSERT_TRUE(reply);
        EXPECT_NE(reply->Payload.find(std::string("action=\"") + target + "\""), std::string::npos) << page;
        EXPECT_NE(reply->Payload.find("multipart/form-data"), std::string::npos) << page;
    }
}

TEST_F(SimLinkTest, UnknownPageGetsOneSmallRecordAndIsLogged) {
    ASSERT_TRUE(Connect());
    std::optional<Reply> reply = Get("/nosuch.htm");
    ASSERT_TRUE(reply);
    EXPECT_NE(reply->Payload.find("Page not found"), std::string::npos);
    EXPECT_NE(reply->Payload.find("/nosuch.htm"), std::string::npos);
    EXPECT_TRUE(Logged("unknown page /nosuch.htm"));
    // Templates are not pages of their own.
    ASSERT_TRUE(Get("/_answer.htm"));
    EXPECT_TRUE(Logged("unknown page /_answer.htm"));
}

TEST_F(SimLinkTest, PathsInPagesAreEscaped) {
    ASSERT_TRUE(Connect());
    std::optional<Reply> reply = Get("/<script>.htm");
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->Payload.find("<script>"), std::string::npos);
    EXPECT_NE(reply->Payload.find("&lt;script&gt;"), std::string::npos);
}

TEST_F(SimLinkTest, StatusPageShowsLiveValues) {
    ASSERT_TRUE(Connect());
    std::optional<Reply> first = Get("/status.htm");
    Wait(65000);
    std::optional<Reply> second = Get("/status.htm");
    ASSERT_TRUE(first && second);
    EXPECT_NE(first->Payload, second->Payload);
    EXPECT_NE(second->Payload.find("0:01:05"), std::string::npos) << "up time";
    ASSERT_TRUE(Get("/toggle.htm"));
    EXPECT_FALSE(Printer().Status().Online);
    EXPECT_NE(Get("/status.htm")->Payload.find("Paused"), std::string::npos);
}

TEST_F(SimLinkTest, RequestsOutsideWebPanelModeAreLoggedNotAnswered) {
    ASSERT_TRUE(port->Open());
    ASSERT_TRUE(BuildRequest("/status.htm", kRequestGet, *bridge));
    ASSERT_TRUE(port->Write(bridge->RequestBuffer, bridge->RequestLength));
    EXPECT_FALSE(Printer().MsUntilOutput().has_value());
    EXPECT_TRUE(Logged("outside web panel mode"));
}

TEST_F(SimLinkTest, GarbageIsLoggedAndTheNextCommandStillWorks) {
    ASSERT_TRUE(port->Open());
    const Bytes garbage = {'h', 'e', 'l', 'l', 'o', 0x1D, 0x1A, 'x'};
    ASSERT_TRUE(port->Write(garbage.data(), static_cast<uint32_t>(garbage.size())));
    EXPECT_TRUE(Logged("ignored 8 unexpected byte(s): 68 65 6C 6C 6F 1D 1A 78"));
    port->Close();
    EXPECT_TRUE(Connect());
}

TEST_F(SimLinkTest, BrokenFrameIsAnsweredWithABadRequestPage) {
    ASSERT_TRUE(Connect());
    ASSERT_TRUE(BuildRequest("/status.htm", kRequestGet, *bridge));
    bridge->RequestBuffer[bridge->RequestLength - 1] = 'X';  // trailer no longer ESC backslash
    ASSERT_TRUE(port->Write(bridge->RequestBuffer, bridge->RequestLength));
    uint8_t buffer[kPageBufferSize];
    uint32_t length = sizeof buffer;
    ASSERT_TRUE(port->ReadRecord(buffer, length));
    EXPECT_NE(std::string(reinterpret_cast<char*>(buffer), length).find("Bad request"), std::string::npos);
    EXPECT_TRUE(Logged("without ESC backslash"));
}

TEST_F(SimLinkTest, IncompleteCommandIsGivenUpAfterSilence) {
    ASSERT_TRUE(port->Open());
    ModeCommand command = MakeModeCommand(kModeConnect);
    ASSERT_TRUE(port->Write(command.data(), 5));
    Wait(kInputIdleMs);
    EXPECT_TRUE(Logged("gave up an incomplete command"));
    port->Close();
    EXPECT_TRUE(Connect());
}

}  // namespace
}  // namespace halvoran::sim::test
