// The browser host on a real loopback socket, driven by an HTTP client, with
// a handler double that records every event and answers as scripted.
#include <gtest/gtest.h>
#include <httplib.h>

#include <functional>
#include <future>
#include <mutex>
#include <sys/stat.h>

#include "bridge/browser_host.h"
#include "bridge/host_upload.h"
#include "platform/files.h"
#include "support/temp_folder.h"

namespace halvoran::test {
namespace {

struct SeenEvent {
    std::string Url;
    std::string Frame;
    std::optional<std::string> PostData;
};

class ScriptedHandler : public NavigationHandler {
public:
    void OnBeforeNavigate2(NavigationEvent& event) override {
        {
            std::lock_guard lock(mutex_);
            seen_.push_back({event.Url, event.TargetFrameName, event.PostData});
        }
        if (Decide) Decide(event);
    }
    std::vector<SeenEvent> Seen() const {
        std::lock_guard lock(mutex_);
        return seen_;
    }
    // Runs inside the event; leaving Cancel unset allows the navigation.
    std::function<void(NavigationEvent&)> Decide;

private:
    mutable std::mutex mutex_;
    std::vector<SeenEvent> seen_;
};

class HostServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder.Write("p1/status.htm", "<html>status</html>");
        folder.Write("p1/cfgs.htm", "<html>cfgs</html>");
        folder.Write("p1/css.css", "body{}");
        folder.Write("p1/title1.gif", std::string("GIF89a\0\x01", 8));
        ASSERT_TRUE(host.Start());
        ASSERT_GT(host.Port(), 0);
    }
    std::string Path(const std::string& name) const { return "/" + host.Secret() + "/p1/" + name; }
    std::string Local(const std::string& name) const { return folder.PageCache() + "/" + name; }
    static httplib::Headers As(const std::string& dest) { return {{"Sec-Fetch-Dest", dest}}; }

    TempFolder folder;
    ScriptedHandler handler;
    BrowserHost host{folder.Path(), handler, nullptr};
};

httplib::Client ClientOf(const BrowserHost& host) {
    httplib::Client c("127.0.0.1", host.Port());
    c.set_read_timeout(10, 0);
    return c;
}

TEST_F(HostServerTest, NavigationAnswersFollowTheDecision) {
    enum Action { Allow, Cancel, CancelAndRedirect, AllowAndRedirect };
    struct Case {
        std::string Name;
        std::string Dest;
        Action Decision;
        int Status;
        std::string Body;
        std::string Location;
    };
    const Case cases[] = {
        {"status.htm", "document", Allow, 200, "<html>status</html>", ""},
        {"status.htm", "frame", Cancel, 204, "", ""},
        {"status.htm", "document", CancelAndRedirect, 303, "", "cfgs.htm"},
        {"status.htm", "iframe", AllowAndRedirect, 200, "<html>status</html>", ""},
        {"missing.htm", "document", Allow, 404, "Not Found", ""},
        // The upload pages, the configuration file and the report are
        // navigations too, whatever their extension.
        {"conf.cfg", "document", Cancel, 204, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name + " " + c.Dest + " " + std::to_string(c.Decision));
        handler.Decide = [&](NavigationEvent& event) {
            if (c.Decision == CancelAndRedirect || c.Decision == AllowAndRedirect) host.Navigate(Local("cfgs.htm"), &event);
            event.Cancel = c.Decision == Cancel || c.Decision == CancelAndRedirect;
        };
        const size_t before = handler.Seen().size();
        auto res = ClientOf(host).Get(Path(c.Name).c_str(), As(c.Dest));
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, c.Status);
        EXPECT_EQ(res->body, c.Body);
        EXPECT_EQ(res->get_header_value("Cache-Control"), "no-store");
        if (!c.Location.empty()) EXPECT_EQ(res->get_header_value("Location"), Path(c.Location));
        if (c.Status == 200) EXPECT_EQ(res->get_header_value("Content-Type"), "text/html");

        const auto seen = handler.Seen();
        ASSERT_EQ(seen.size(), before + 1);
        EXPECT_EQ(seen.back().Url, Local(c.Name));
        EXPECT_EQ(seen.back().Frame, c.Dest == "document" ? "" : c.Dest);
        EXPECT_EQ(seen.back().PostData, std::nullopt);
    }
    // A redirect named during one event does not leak into the next one.
    handler.Decide = [](NavigationEvent& event) { event.Cancel = true; };
    auto res = ClientOf(host).Get(Path("status.htm").c_str(), As("document"));
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 204);
}

TEST_F(HostServerTest, SubResourcesAreServedWithoutEvents) {
    struct Case {
        std::string Name;
        httplib::Headers Headers;
        int Status;
        std::string Type;
    };
    const Case cases[] = {
        {"css.css", As("style"), 200, "text/css"},
        {"css.css", {}, 200, "text/css"},
        {"title1.gif", As("image"), 200, "image/gif"},
        {"status.htm", As("empty"), 200, "text/html"},
        {"nothere.gif", As("image"), 404, "text/plain"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        auto res = ClientOf(host).Get(Path(c.Name).c_str(), c.Headers);
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, c.Status);
        EXPECT_EQ(res->get_header_value("Content-Type"), c.Type);
        if (c.Status == 200) EXPECT_EQ(res->body, folder.Read("p1/" + c.Name));
    }
    EXPECT_TRUE(handler.Seen().empty());
}

TEST_F(HostServerTest, NavigationWithoutFetchDestIsJudgedByExtension) {
    auto page = ClientOf(host).Get(Path("status.htm").c_str());
    auto style = ClientOf(host).Get(Path("css.css").c_str());
    ASSERT_TRUE(page && style);
    EXPECT_EQ(page->status, 200);
    EXPECT_EQ(style->status, 200);
    ASSERT_EQ(handler.Seen().size(), 1u);
    EXPECT_EQ(handler.Seen()[0].Url, Local("status.htm"));
}

TEST_F(HostServerTest, RequestsWithoutSecretOrForeignHostOrUnsafePathAreRefused) {
    struct Case {
        std::string Target;
        httplib::Headers Headers;
        int Status;
    };
    const std::string secret = host.Secret();
    const std::string port = std::to_string(host.Port());
    const Case cases[] = {
        {"/p1/status.htm", As("document"), 403},
        {"/status.htm", As("document"), 403},
        {"/" + secret.substr(0, 31) + "/p1/status.htm", As("document"), 403},
        {"/status.htm", {{"Sec-Fetch-Dest", "document"}, {"Referer", "http://evil.example/" + secret + "/p1/x.htm"}}, 403},
        {Path("status.htm"), {{"Sec-Fetch-Dest", "document"}, {"Host", "evil.example:" + port}}, 403},
        {Path("status.htm"), {{"Sec-Fetch-Dest", "document"}, {"Host", "127.0.0.1"}}, 403},
        {"/" + secret + "/p1/..%2F..%2Fetc%2Fpasswd", As("document"), 404},
        {"/" + secret + "/p1/%2E%2E", As("document"), 404},
        {"/" + secret + "/p1/a%5Cb.htm", As("document"), 404},
        {"/" + secret + "/p1/a%0Ab.htm", As("document"), 404},
        {"/" + secret + "/other.htm", As("document"), 404},
        {"/" + secret + "/p1/", As("document"), 404},
        {"/" + secret + "/p1/" + std::string(255, 'a'), As("document"), 404},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Target);
        auto res = ClientOf(host).Get(c.Target.c_str(), c.Headers);
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, c.Status);
        auto post = ClientOf(host).Post(c.Target.c_str(), c.Headers, "a=1", "application/x-www-form-urlencoded");
        ASSERT_TRUE(post);
        EXPECT_EQ(post->status, c.Status);
    }
    EXPECT_TRUE(handler.Seen().empty());
}

// A root-relative link in a served page drops the secret; the Referer proves
// the request came from the host's own page, and 307 keeps method and body.
TEST_F(HostServerTest, RootRelativeLinkFromOwnPageIsSentBackUnderTheSecret) {
    const std::string referer = "http://127.0.0.1:" + std::to_string(host.Port()) + Path("status.htm");
    auto res = ClientOf(host).Post("/prscfgs.htm", {{"Sec-Fetch-Dest", "frame"}, {"Referer", referer}}, "x=1",
                                   "application/x-www-form-urlencoded");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 307);
    EXPECT_EQ(res->get_header_value("Location"), Path("prscfgs.htm"));
    auto unsafe = ClientOf(host).Get("/a/b.htm", {{"Sec-Fetch-Dest", "frame"}, {"Referer", referer}});
    ASSERT_TRUE(unsafe);
    EXPECT_EQ(unsafe->status, 403);
    EXPECT_TRUE(handler.Seen().empty());
}

TEST_F(HostServerTest, FormBodyIsThePostData) {
    handler.Decide = [&](NavigationEvent& event) {
        event.Cancel = true;
        host.Navigate(Local("cfgs.htm"), &event);
    };
    const std::string body = "Baud=9600&Name=a+b%26c";
    auto res = ClientOf(host).Post(Path("prscfgs.htm").c_str(), As("frame"), body, "application/x-www-form-urlencoded");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 303);
    EXPECT_EQ(res->get_header_value("Location"), Path("cfgs.htm"));

    auto withNul = ClientOf(host).Post(Path("prscfgs.htm").c_str(), As("document"), std::string("a=1\0b=2", 7),
                                       "application/x-www-form-urlencoded");
    auto empty = ClientOf(host).Post(Path("prscfgs.htm").c_str(), As("document"), "", "application/x-www-form-urlencoded");
    ASSERT_TRUE(withNul && empty);

    const auto seen = handler.Seen();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].Url, Local("prscfgs.htm"));
    EXPECT_EQ(seen[0].Frame, "frame");
    EXPECT_EQ(seen[0].PostData, body);
    EXPECT_EQ(seen[1].PostData, "a=1");  // read as text up to the first NUL
    EXPECT_EQ(seen[2].PostData, "");     // a post, though an empty one
}

TEST_F(HostServerTest, OverlongFormBodyIsRefusedWithoutEvent) {
    auto res = ClientOf(host).Post(Path("prscfgs.htm").c_str(), As("document"), std::string(64 * 1024 + 1, 'a'),
                                   "application/x-www-form-urlencoded");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 413);
    auto fine = ClientOf(host).Post(Path("prscfgs.htm").c_str(), As("document"), std::string(64 * 1024, 'a'),
                                    "application/x-www-form-urlencoded");
    ASSERT_TRUE(fine);
    EXPECT_EQ(handler.Seen().size(), 1u);
}

TEST_F(HostServerTest, PostThatIsNoNavigationIsRefused) {
    auto res = ClientOf(host).Post(Path("prscfgs.htm").c_str(), As("empty"), "a=1", "application/x-www-form-urlencoded");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 405);
    EXPECT_TRUE(handler.Seen().empty());
}

// Every byte value, CR LF pairs and a line that looks like a boundary.
std::string AwkwardBytes() {
    std::string bytes;
    for (int round = 0; round < 300; ++round)
        for (int b = 0; b < 256; ++b) bytes.push_back(static_cast<char>(b));
    bytes += "\r\n--notTheBoundary\r\n\r\n\x1b]V25MIHI";
    return bytes;
}

// The file name the upload worker would take: between the quotes after the
// first "filename=".
std::string FileNameInPostData(const std::string& postData) {
    size_t at = postData.find("filename=\"");
    if (at == std::string::npos) return "(none)";
    at += 10;
    return postData.substr(at, postData.find('"', at) - at);
}

class HostUploadTest : public HostServerTest {
protected:
    std::optional<SeenEvent> Upload(const std::string& page, const httplib::MultipartFormDataItems& items, int& status) {
        const size_t before = handler.Seen().size();
        auto res = ClientOf(host).Post(Path(page).c_str(), As("frame"), items);
        status = res ? res->status : -1;
        const auto seen = handler.Seen();
        if (seen.size() == before) return std::nullopt;
        return seen.back();
    }
};

TEST_F(HostUploadTest, ChosenFileGoesToAPrivateTemporaryFileNamedInThePostData) {
    handler.Decide = [](NavigationEvent& event) { event.Cancel = true; };
    const std::string bytes = AwkwardBytes();
    for (const std::string page : {"prsfwdld.htm", "prsdwnld.htm"}) {
        SCOPED_TRACE(page);
        int status = 0;
        auto event = Upload(page, {{"Mode", "1", "", ""}, {"File", bytes, "fw 1.bin", "application/octet-stream"},
                                   {"Go", "Send", "", ""}},
                            status);
        EXPECT_EQ(status, 204);
        ASSERT_TRUE(event && event->PostData);
        const std::string& post = *event->PostData;
        const std::string path = FileNameInPostData(post);
        EXPECT_LE(path.size(), 259u);

        auto written = ReadWholeFile(path);
        ASSERT_TRUE(written);
        EXPECT_EQ(std::string(written->begin(), written->end()), bytes);
        struct stat file {}, dir {};
        ASSERT_EQ(::stat(path.c_str(), &file), 0);
        ASSERT_EQ(::stat(path.substr(0, path.rfind('/')).c_str(), &dir), 0);
        EXPECT_EQ(file.st_mode & 0777, 0600u);
        EXPECT_EQ(dir.st_mode & 0777, 0700u);

        // The rest of the form is kept; the file's bytes are not in the post data.
        EXPECT_NE(post.find("name=\"Mode\"\r\n\r\n1\r\n"), std::string::npos) << post;
        EXPECT_NE(post.find("name=\"Go\"\r\n\r\nSend\r\n"), std::string::npos) << post;
        EXPECT_NE(post.find("Content-Type: application/octet-stream"), std::string::npos);
        EXPECT_EQ(post.find("V25MIHI"), std::string::npos);
        EXPECT_EQ(post.find('\0'), std::string::npos);

        EXPECT_TRUE(RemoveUploadFile(path));
        EXPECT_FALSE(FileExists(path));
        EXPECT_FALSE(RemoveUploadFile(path));
    }
}

TEST_F(HostUploadTest, FormWithoutChosenFileOrOnAnotherPageMakesNoUploadFile) {
    int status = 0;
    auto none = Upload("prsfwdld.htm", {{"File", "", "", "application/octet-stream"}}, status);
    ASSERT_TRUE(none && none->PostData);
    EXPECT_EQ(FileNameInPostData(*none->PostData), "");  // the worker reports an invalid file

    auto other = Upload("prscfgs.htm", {{"File", "abc", "x.bin", "application/octet-stream"}}, status);
    ASSERT_TRUE(other && other->PostData);
    EXPECT_EQ(FileNameInPostData(*other->PostData), "x.bin");
    EXPECT_NE(other->PostData->find("\r\n\r\nabc\r\n"), std::string::npos);
}

TEST_F(HostUploadTest, TwoChosenFilesAreRefusedAndLeaveNoFile) {
    int status = 0;
    auto event = Upload("prsfwdld.htm", {{"A", "one", "a.bin", "application/octet-stream"},
                                         {"B", "two", "b.bin", "application/octet-stream"}},
                        status);
    EXPECT_EQ(status, 400);
    EXPECT_FALSE(event);
}

TEST_F(HostUploadTest, StopRemovesUploadFilesLeftBehind) {
    handler.Decide = [](NavigationEvent& event) { event.Cancel = true; };
    int status = 0;
    auto event = Upload("prsdwnld.htm", {{"File", "cfg", "c.cfg", "application/octet-stream"}}, status);
    ASSERT_TRUE(event && event->PostData);
    const std::string path = FileNameInPostData(*event->PostData);
    ASSERT_TRUE(FileExists(path));
    host.Stop();
    EXPECT_FALSE(FileExists(path));
    EXPECT_FALSE(FileExists(path.substr(0, path.rfind('/'))));
}

TEST(UploadFiles, RemoveLeavesFilesOfOthersAlone) {
    TempFolder folder;
    const std::string mine = folder.Write("p1/user.bin", "keep");
    EXPECT_FALSE(RemoveUploadFile(mine));
    EXPECT_TRUE(FileExists(mine));
}

TEST_F(HostServerTest, NavigateWithoutEventLoadsTheTopLevelPage) {
    std::vector<std::string> loaded;
    host.SetTopLevelLoader([&](const std::string& url) { loaded.push_back(url); });
    host.Navigate(folder.Path() + "\\p1\\homepage.html");
    host.Navigate(folder.Path() + "/p1/welcome_local.htm");
    host.Navigate("/etc/passwd");  // not a page cache file: ignored
    const std::string base = "http://127.0.0.1:" + std::to_string(host.Port());
    ASSERT_EQ(loaded.size(), 2u);
    EXPECT_EQ(loaded[0], base + Path("homepage.html"));
    EXPECT_EQ(loaded[1], base + Path("welcome_local.htm"));
    EXPECT_EQ(host.TopLevelUrl(), loaded[1]);
    EXPECT_EQ(host.HttpUrlFor(Local("status.htm")), base + Path("status.htm"));

    // The view loads it: an ordinary navigation event.
    auto res = ClientOf(host).Get(Path("status.htm").c_str(), As("document"));
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
}

TEST_F(HostServerTest, NavigateDuringAnEventAlreadyAnsweredLoadsTheTopLevelPage) {
    NavigationEvent stale;
    std::vector<std::string> loaded;
    host.SetTopLevelLoader([&](const std::string& url) { loaded.push_back(url); });
    host.Navigate(Local("cfgs.htm"), &stale);
    ASSERT_EQ(loaded.size(), 1u);
    EXPECT_EQ(loaded[0], host.HttpUrlFor(Local("cfgs.htm")));
}

// Events reach the handler only through the window-thread runner, and a host
// stopped while a request waits for its decision answers it instead of hanging.
TEST(HostWindowThread, StopReleasesRequestsWaitingForTheWindowThread) {
    TempFolder folder;
    folder.Write("p1/status.htm", "s");
    ScriptedHandler handler;
    std::promise<void> posted;
    std::vector<std::function<void()>> parked;
    std::mutex parkedLock;
    BrowserHost host(folder.Path(), handler, [&](std::function<void()> task) {
        std::lock_guard lock(parkedLock);
        parked.push_back(std::move(task));
        posted.set_value();
    });
    ASSERT_TRUE(host.Start());
    auto answer = std::async(std::launch::async, [&] {
        return ClientOf(host).Get(("/" + host.Secret() + "/p1/status.htm").c_str(), {{"Sec-Fetch-Dest", "document"}});
    });
    posted.get_future().wait();
    EXPECT_TRUE(handler.Seen().empty());
    host.Stop();
    auto res = answer.get();
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 503);
    // The parked task runs late, after the host stopped: no event.
    std::lock_guard lock(parkedLock);
    for (auto& task : parked) task();
    EXPECT_TRUE(handler.Seen().empty());
}

}  // namespace
}  // namespace halvoran::test
