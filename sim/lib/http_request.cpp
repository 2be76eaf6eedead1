#include "http_request.h"

#include <charconv>

namespace halvoran::sim {

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        char a = text[i], b = prefix[i];
        if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
        if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
        if (a != b) return false;
    }
    return true;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool Decode(std::string_view in, std::string& out) {
    out.clear();
    for (size_t i = 0; i < in.size(); ++i) {
        if (in[i] == '+') {
            out += ' ';
        } else if (in[i] == '%') {
            if (i + 2 >= in.size()) return false;
            int high = HexDigit(in[i + 1]), low = HexDigit(in[i + 2]);
            if (high < 0 || low < 0) return false;
            out += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            out += in[i];
        }
    }
    return true;
}

}  // namespace

bool ParseHttpRequest(std::string_view text, HttpRequest& out, std::string& problem) {
    size_t headEnd = text.find("\r\n\r\n");
    if (headEnd == std::string_view::npos) {
        problem = "no end of headers";
        return false;
    }
    std::string_view head = text.substr(0, headEnd);
    std::string_view body = text.substr(headEnd + 4);
    size_t lineEnd = head.find("\r\n");
    std::string_view requestLine = head.substr(0, lineEnd);
    size_t firstBlank = requestLine.find(' ');
    size_t lastBlank = requestLine.rfind(' ');
    if (firstBlank == std::string_view::npos || lastBlank == firstBlank ||
        requestLine.substr(lastBlank + 1) != "HTTP/1.1") {
        problem = "malformed request line";
        return false;
    }
    out.Method = std::string(requestLine.substr(0, firstBlank));
    out.Path = std::string(requestLine.substr(firstBlank + 1, lastBlank - firstBlank - 1));
    if (out.Method != "GET" && out.Method != "POST") {
        problem = "method " + out.Method + " is not supported";
        return false;
    }
    if (out.Path.empty() || out.Path[0] != '/') {
        problem = "request target does not begin with /";
        return false;
    }
    long contentLength = -1;
    std::string_view rest = lineEnd == std::string_view::npos ? std::string_view() : head.substr(lineEnd + 2);
    while (!rest.empty()) {
        size_t end = rest.find("\r\n");
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 2);
        if (StartsWithNoCase(line, "Content-Length:")) {
            std::string_view value = line.substr(15);
            while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
            auto [ptr, error] = std::from_chars(value.data(), value.data() + value.size(), contentLength);
            if (error != std::errc() || ptr != value.data() + value.size() || contentLength < 0) {
                problem = "malformed Content-Length";
                return false;
            }
        }
    }
    if (out.Method == "POST") {
        if (contentLength < 0) {
            problem = "POST without Content-Length";
            return false;
        }
        if (static_cast<size_t>(contentLength) != body.size()) {
            problem = "body of " + std::to_string(body.size()) + " bytes, Content-Length " +
                      std::to_string(contentLength);
            return false;
        }
        out.Body = std::string(body);
    } else if (!body.empty()) {
        problem = "GET with a body";
        return false;
    }
    return true;
}

bool ParseFormData(std::string_view body, FormFields& out) {
    while (!body.empty()) {
        size_t amp = body.find('&');
        std::string_view pair = body.substr(0, amp);
        body.remove_prefix(amp == std::string_view::npos ? body.size() : amp + 1);
        if (pair.empty()) continue;
        size_t eq = pair.find('=');
        std::string key, value;
        if (!Decode(pair.substr(0, eq), key)) return false;
        if (eq != std::string_view::npos && !Decode(pair.substr(eq + 1), value)) return false;
        out.emplace_back(std::move(key), std::move(value));
    }
    return true;
}

std::string HtmlEscape(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

}  // namespace halvoran::sim
