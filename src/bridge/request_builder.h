// Builds the HTTP/1.1 request text for a page and wraps it into a RequestFrame
// in the bridge's RequestBuffer.
#pragma once
#include <cstdint>
#include <string_view>

namespace halvoran {

struct PanelBridge;

inline constexpr uint8_t kRequestGet = 1;
inline constexpr uint8_t kRequestPost = 2;

// Fails for a kind other than GET and POST, and for a request that would not
// fit the buffer; in both cases RequestBuffer and RequestLength are untouched.
// formData is used for POST only, up to its first NUL byte.
bool BuildRequest(std::string_view pagePath, uint8_t kind, PanelBridge& bridge,
                  std::string_view formData = {}, int32_t contentLength = 0);

}  // namespace halvoran
