#include <gtest/gtest.h>

#include <vector>

#include "bridge/host_form.h"
#include "bridge/host_request.h"

namespace halvoran {
namespace {

const std::string kSecret = "0123456789abcdef0123456789abcdef";

TEST(HostRequest, SecretIsFreshHex) {
    const std::string a = NewHostSecret(), b = NewHostSecret();
    EXPECT_EQ(a.size(), 32u);
    EXPECT_EQ(a.find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_NE(a, b);
}

TEST(HostRequest, PathCheck) {
    struct Case {
        std::string Path;
        PathCheck Expected;
        std::string Name;
    };
    const Case cases[] = {
        {"/" + kSecret + "/p1/status.htm", PathCheck::Page, "status.htm"},
        {"/" + kSecret + "/p1/a b?.htm", PathCheck::Page, "a b?.htm"},
        {"/status.htm", PathCheck::NoSecret, ""},
        {"/" + kSecret.substr(1) + "/p1/status.htm", PathCheck::NoSecret, ""},
        {"/" + kSecret + "x/p1/status.htm", PathCheck::NoSecret, ""},
        {"/" + kSecret + "/p1/", PathCheck::NotACacheFile, ""},
        {"/" + kSecret + "/p1/../sysinfo.inf", PathCheck::NotACacheFile, ""},
        {"/" + kSecret + "/p1/sub/x.htm", PathCheck::NotACacheFile, ""},
        {"/" + kSecret + "/p1/..", PathCheck::NotACacheFile, ""},
        {"/" + kSecret + "/p1/a\\b.htm", PathCheck::NotACacheFile, ""},
        {"/" + kSecret + "/p1/a\nb.htm", PathCheck::NotACacheFile, ""},
        {"/" + kSecret + "/p2/x.htm", PathCheck::NotACacheFile, ""},
        {"/" + kSecret + "/p1/" + std::string(259, 'a'), PathCheck::NotACacheFile, ""},
    };
    for (const Case& c : cases) {
        std::string name;
        EXPECT_EQ(CheckRequestPath(c.Path, kSecret, name), c.Expected) << c.Path;
        EXPECT_EQ(name, c.Name) << c.Path;
    }
    std::string name;
    EXPECT_EQ(CheckRequestPath("//p1/x.htm", "", name), PathCheck::NoSecret);
}

TEST(HostRequest, HostHeaderAndReferer) {
    EXPECT_TRUE(IsHostHeaderAccepted("127.0.0.1:8080", 8080));
    EXPECT_TRUE(IsHostHeaderAccepted("LocalHost:8080", 8080));
    for (const char* host : {"127.0.0.1:8081", "127.0.0.1", "evil.example:8080", "127.0.0.1:8080.evil", ""})
        EXPECT_FALSE(IsHostHeaderAccepted(host, 8080)) << host;

    EXPECT_TRUE(IsOwnReferer("http://127.0.0.1:8080/" + kSecret + "/p1/homepage.html", 8080, kSecret));
    EXPECT_TRUE(IsOwnReferer("http://localhost:8080/" + kSecret + "/p1/x.htm", 8080, kSecret));
    for (const std::string& referer : std::vector<std::string>{"http://127.0.0.1:8080/p1/x.htm", "http://127.0.0.1:8081/" + kSecret + "/p1/x.htm",
                                "http://evil.example/" + kSecret + "/", "http://127.0.0.1:8080/" + kSecret, ""})
        EXPECT_FALSE(IsOwnReferer(referer, 8080, kSecret)) << referer;
}

TEST(HostRequest, NavigationByFetchDestOrExtension) {
    struct Case {
        std::optional<std::string> Dest;
        std::string Name;
        bool Navigation;
    };
    const Case cases[] = {
        {"document", "x.css", true}, {"frame", "status.htm", true}, {"iframe", "a.gif", true},
        {"style", "x.htm", false},   {"image", "a.gif", false},     {"empty", "x.htm", false},
        {std::nullopt, "x.HTM", true}, {std::nullopt, "homepage.html", true}, {std::nullopt, "conf.cfg", true},
        {std::nullopt, "report.txt", true}, {std::nullopt, "css.css", false}, {std::nullopt, "title1.gif", false},
        {std::nullopt, "noext", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsNavigationRequest(c.Dest, c.Name), c.Navigation) << c.Dest.value_or("(none)") << " " << c.Name;
}

TEST(HostRequest, ContentTypes) {
    EXPECT_EQ(ContentTypeFor("status.htm"), "text/html");
    EXPECT_EQ(ContentTypeFor("HOMEPAGE.HTML"), "text/html");
    EXPECT_EQ(ContentTypeFor("css.css"), "text/css");
    EXPECT_EQ(ContentTypeFor("title1.gif"), "image/gif");
    EXPECT_EQ(ContentTypeFor("report.txt"), "text/plain");
    EXPECT_EQ(ContentTypeFor("conf.cfg"), "application/octet-stream");
    EXPECT_EQ(ContentTypeFor("noext"), "application/octet-stream");
}

TEST(HostRequest, UrlsOfLocalPaths) {
    EXPECT_EQ(PercentEncode("a b/%?\"\x01~.-_Z9"), "a%20b%2F%25%3F%22%01~.-_Z9");
    EXPECT_EQ(HostPathFor(kSecret, "x y.htm"), "/" + kSecret + "/p1/x%20y.htm");

    const std::string folder = "/opt/tool";
    EXPECT_EQ(CacheNameOfLocalPath(folder, "/opt/tool/p1/status.htm"), "status.htm");
    EXPECT_EQ(CacheNameOfLocalPath(folder, "/opt/tool\\p1\\homepage.html"), "homepage.html");
    for (const char* path : {"/opt/tool/p1/", "/opt/tool/p1/../x.htm", "/opt/tool/p2/x.htm", "/opt/other/p1/x.htm",
                             "/opt/tool/p1/sub/x.htm", "/opt/toolp1/x.htm", "status.htm"})
        EXPECT_EQ(CacheNameOfLocalPath(folder, path), std::nullopt) << path;
}

TEST(HostForm, MultipartBoundary) {
    EXPECT_EQ(MultipartBoundary("multipart/form-data; boundary=----WebKitFormBoundaryAb1"), "----WebKitFormBoundaryAb1");
    EXPECT_EQ(MultipartBoundary("multipart/form-data; BOUNDARY=\"a b\"; charset=x"), "a b");
    EXPECT_EQ(MultipartBoundary("multipart/form-data; boundary=xyz; charset=x"), "xyz");
    EXPECT_EQ(MultipartBoundary("multipart/form-data"), "");
}

}  // namespace
}  // namespace halvoran
