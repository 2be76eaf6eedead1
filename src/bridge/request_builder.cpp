#include "bridge/request_builder.h"

#include <array>
#include <cstring>
#include <string>

#include "bridge/panel_bridge.h"
#include "link/frames.h"

namespace halvoran {

namespace {

constexpr std::string_view kAccept =
    "Accept: image/gif, image/jpeg, image/pjpeg, image/pjpeg, application/x-shockwave-flash, "
    "application/msword, application/vnd.ms-excel, application/vnd.ms-powerpoint, */*\r\n";
constexpr std::string_view kAcceptLanguage = "Accept-Language: zh-cn\r\n";
constexpr std::string_view kUserAgent =
    "User-Agent: Mozilla/4.0 (compatible; MSIE 8.0; Windows NT 5.1; Trident/4.0; .NET CLR 2.0.50727)\r\n";
constexpr std::string_view kContentType = "Content-Type: application/x-www-form-urlencoded\r\n";
constexpr std::string_view kAcceptEncoding = "Accept-Encoding: gzip, deflate\r\n";
constexpr std::string_view kHost = "Host: 127.0.0.1\r\n";
constexpr std::string_view kConnection = "Connection: Keep-Alive\r\n";
constexpr std::string_view kCacheControl = "Cache-Control: no-cache\r\n";
constexpr std::string_view kEndOfHeaders = "\r\n";

// Appends text pieces into a fixed buffer; remembers when one did not fit.
class FrameWriter {
public:
    FrameWriter(uint8_t* buffer, size_t capacity) : buffer_(buffer), capacity_(capacity) {}
    void Put(std::string_view piece) {
        if (piece.size() > capacity_ - used_) {
            overflow_ = true;
            return;
        }
        std::memcpy(buffer_ + used_, piece.data(), piece.size());
        used_ += piece.size();
    }
    size_t Used() const { return used_; }
    bool Overflow() const { return overflow_; }

private:
    uint8_t* buffer_;
    size_t capacity_;
    size_t used_ = 0;
    bool overflow_ = false;
};

}  // namespace

bool BuildRequest(std::string_view pagePath, uint8_t kind, PanelBridge& bridge, std::string_view formData,
                  int32_t contentLength) {
    if (kind != kRequestGet && kind != kRequestPost) return false;
    // The form data counts up to its first NUL byte.
    formData = formData.substr(0, formData.find('\0'));
    pagePath = pagePath.substr(0, pagePath.find('\0'));

    // The text is assembled in a scratch buffer so that a request that does
    // not fit leaves the bridge's buffer as it was.
    std::array<uint8_t, kRequestBufferSize> frame;
    constexpr size_t kTextCapacity = kRequestBufferSize - kRequestHeaderSize - kFrameTrailerSize;
    FrameWriter text(frame.data() + kRequestHeaderSize, kTextCapacity);
    const bool post = kind == kRequestPost;
    text.Put(post ? "POST " : "GET ");
    text.Put(pagePath);
    text.Put(" HTTP/1.1\r\n");
    text.Put(kAccept);
    text.Put(kAcceptLanguage);
    text.Put(kUserAgent);
    if (post) text.Put(kContentType);
    text.Put(kAcceptEncoding);
    text.Put(kHost);
    if (post) {
        text.Put("Content-Length: ");
        text.Put(std::to_string(contentLength));
        text.Put("\r\n");
    }
    text.Put(kConnection);
    if (post) text.Put(kCacheControl);
    text.Put(kEndOfHeaders);
    if (post) text.Put(formData);
    if (text.Overflow()) return false;

    static constexpr ModeCommand kRequestCommand = MakeModeCommand(kModeRequest);
    std::memcpy(frame.data(), kRequestCommand.data(), kModeCommandSize);
    const auto n = static_cast<uint16_t>(text.Used());
    PutBigEndian16(frame.data() + kModeCommandSize, n);
    frame[kRequestHeaderSize + n] = kEsc;
    frame[kRequestHeaderSize + n + 1] = kBackslash;
    const uint32_t length = n + kRequestHeaderSize + kFrameTrailerSize;
    std::memcpy(bridge.RequestBuffer, frame.data(), length);
    bridge.RequestLength = length;
    return true;
}

}  // namespace halvoran
