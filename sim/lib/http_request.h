// The HTTP/1.1 request text carried inside a RequestFrame, as the printer's
// web server reads it, and the url-encoded form data of a POST.
#pragma once
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace halvoran::sim {

struct HttpRequest {
    std::string Method;  // "GET" or "POST"
    std::string Path;    // request target, such as "/status.htm"
    std::string Body;    // POST only
};

// Parses the request line, the header lines and (for POST) the body, whose
// size must match Content-Length. On failure problem says why.
bool ParseHttpRequest(std::string_view text, HttpRequest& out, std::string& problem);

using FormFields = std::vector<std::pair<std::string, std::string>>;
// Splits application/x-www-form-urlencoded data; '+' is a blank and %XX a byte.
// False on a malformed escape.
bool ParseFormData(std::string_view body, FormFields& out);

// Escapes &, <, >, " and ' for HTML text and attribute values.
std::string HtmlEscape(std::string_view text);

}  // namespace halvoran::sim
