#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "bridge/panel_bridge.h"
#include "bridge/request_builder.h"

namespace halvoran {
namespace {

std::string FrameText(const PanelBridge& bridge) {
    const size_t n = bridge.RequestBuffer[10] << 8 | bridge.RequestBuffer[11];
    return std::string(reinterpret_cast<const char*>(bridge.RequestBuffer) + 12, n);
}

const std::string kHeaderTail =
    "Accept: image/gif, image/jpeg, image/pjpeg, image/pjpeg, application/x-shockwave-flash, "
    "application/msword, application/vnd.ms-excel, application/vnd.ms-powerpoint, */*\r\n"
    "Accept-Language: zh-cn\r\n"
    "User-Agent: Mozilla/4.0 (compatible; MSIE 8.0; Windows NT 5.1; Trident/4.0; .NET CLR 2.0.50727)\r\n";

class RequestBuilderTest : public ::testing::Test {
protected:
    std::unique_ptr<PanelBridge> bridge = std::make_unique<PanelBridge>();
};

TEST_F(RequestBuilderTest, GetStatusIsA406ByteFrame) {
    ASSERT_TRUE(BuildRequest("/status.htm", kRequestGet, *bridge));
    EXPECT_EQ(bridge->RequestLength, 406u);
    const uint8_t head[] = {0x1D, 0x1A, 0x1B, 0x1C, 0x1D, 'M', 'O', 'D', 'E', 'z', 0x01, 0x88};
    EXPECT_EQ(std::memcmp(bridge->RequestBuffer, head, sizeof head), 0);
    EXPECT_EQ(FrameText(*bridge), "GET /status.htm HTTP/1.1\r\n" + kHeaderTail +
                                      "Accept-Encoding: gzip, deflate\r\n"
                                      "Host: 127.0.0.1\r\n"
                                      "Connection: Keep-Alive\r\n"
                                      "\r\n");
    EXPECT_EQ(bridge->RequestBuffer[404], 0x1B);
    EXPECT_EQ(bridge->RequestBuffer[405], 0x5C);
}

struct PostCase {
    const char* data;
    int32_t contentLength;
};

class PostRequest : public RequestBuilderTest, public ::testing::WithParamInterface<PostCase> {};

TEST_P(PostRequest, HeadersInOrderAndBodyLast) {
    const PostCase& c = GetParam();
    ASSERT_TRUE(BuildRequest("/prscfgs.htm", kRequestPost, *bridge, c.data, c.contentLength));
    const std::string expected = "POST /prscfgs.htm HTTP/1.1\r\n" + kHeaderTail +
                                 "Content-Type: application/x-www-form-urlencoded\r\n"
                                 "Accept-Encoding: gzip, deflate\r\n"
                                 "Host: 127.0.0.1\r\n"
                                 "Content-Length: " +
                                 std::to_string(c.contentLength) +
                                 "\r\n"
                                 "Connection: Keep-Alive\r\n"
                                 "Cache-Control: no-cache\r\n"
                                 "\r\n" +
                                 c.data;
    EXPECT_EQ(FrameText(*bridge), expected);
    EXPECT_EQ(expected.size(), 474u + std::strlen("/prscfgs.htm") + std::to_string(c.contentLength).size() +
                                   std::strlen(c.data));
    EXPECT_EQ(bridge->RequestLength, expected.size() + 14);
    EXPECT_EQ(bridge->RequestBuffer[12 + expected.size()], 0x1B);
    EXPECT_EQ(bridge->RequestBuffer[13 + expected.size()], 0x5C);
}

INSTANTIATE_TEST_SUITE_P(Forms, PostRequest, ::testing::Values(PostCase{"a=1", 3}, PostCase{"", 0}));

TEST_F(RequestBuilderTest, FormDataEndsAtItsFirstNul) {
    const std::string data("a=1\0b=2", 7);
    ASSERT_TRUE(BuildRequest("/prsser.htm", kRequestPost, *bridge, data, 3));
    const std::string text = FrameText(*bridge);
    EXPECT_EQ(text.substr(text.size() - 7), "\r\n\r\na=1");
}

TEST_F(RequestBuilderTest, RefusedRequestsLeaveTheBufferUntouched) {
    std::memset(bridge->RequestBuffer, 0xA5, kRequestBufferSize);
    bridge->RequestLength = 77;
    const std::string longPath = "/" + std::string(1653, 'p');  // one byte over a GET's room
    const std::string longData(1600, 'd');
    EXPECT_FALSE(BuildRequest("/status.htm", 3, *bridge));
    EXPECT_FALSE(BuildRequest(longPath, kRequestGet, *bridge));
    EXPECT_FALSE(BuildRequest("/prscfgs.htm", kRequestPost, *bridge, longData, 1600));
    EXPECT_EQ(bridge->RequestLength, 77u);
    for (uint8_t b : bridge->RequestBuffer) ASSERT_EQ(b, 0xA5);
}

TEST_F(RequestBuilderTest, LargestGetFillsTheBufferExactly) {
    const std::string path = "/" + std::string(1652, 'p');  // 1653 bytes
    ASSERT_TRUE(BuildRequest(path, kRequestGet, *bridge));
    EXPECT_EQ(bridge->RequestLength, kRequestBufferSize);
}

}  // namespace
}  // namespace halvoran
