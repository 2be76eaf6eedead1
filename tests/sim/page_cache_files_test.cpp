// The files that ship in the page cache folder p1.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "bridge/page_cache.h"
#include "platform/files.h"

namespace halvoran::sim::test {
namespace {

std::string ReadResource(const std::string& name) {
    auto bytes = ReadWholeFile(std::string(HALVORAN_SOURCE_DIR) + "/resources/p1/" + name);
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

TEST(PageCacheFilesTest, HomePageLoadsExactlyFivePrinterPagesAsFrames) {
    const std::string home = ReadResource("homepage.html");
    ASSERT_FALSE(home.empty());
    std::vector<std::string> sources;
    for (size_t at = home.find("<frame "); at != std::string::npos; at = home.find("<frame ", at + 1)) {
        size_t src = home.find("src=\"", at);
        ASSERT_NE(src, std::string::npos);
        src += 5;
        sources.push_back("/" + home.substr(src, home.find('"', src) - src));
    }
    ASSERT_EQ(sources.size(), 5u) << "the dispatcher's frameset phase counts five sub-pages";
    for (const std::string& page : sources) {
        const bool known = std::find(PageTable.begin(), PageTable.end(), page) != PageTable.end() ||
                           IsAlwaysFetched(page);
        EXPECT_TRUE(known) << page << " is not one of the printer's pages";
    }
    EXPECT_EQ(home.find("<iframe"), std::string::npos);
}

TEST(PageCacheFilesTest, WelcomePicturesAreGifsOfTheirSize) {
    struct Picture {
        const char* Name;
        unsigned Width, Height;
    } pictures[] = {{"title1.gif", 1000, 104}, {"printer.gif", 1000, 400}};
    for (const Picture& picture : pictures) {
        const std::string gif = ReadResource(picture.Name);
        ASSERT_GE(gif.size(), 13u) << picture.Name;
        EXPECT_EQ(gif.substr(0, 6), "GIF89a");
        auto word = [&](size_t at) { return static_cast<uint8_t>(gif[at]) | static_cast<uint8_t>(gif[at + 1]) << 8; };
        EXPECT_EQ(word(6), picture.Width) << picture.Name;
        EXPECT_EQ(word(8), picture.Height) << picture.Name;
        EXPECT_EQ(gif.back(), ';') << picture.Name << " ends with the GIF trailer";
    }
    EXPECT_FALSE(ReadResource("css.css").empty());
}

}  // namespace
}  // namespace halvoran::sim::test
