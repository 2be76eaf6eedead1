#include "bridge/host_request.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <random>

#include "bridge/page_path.h"

namespace halvoran {

namespace {

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

std::string Extension(std::string_view name) {
    size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string() : Lower(name.substr(dot + 1));
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

}  // namespace

std::string NewHostSecret() {
    static constexpr char kHex[] = "0123456789abcdef";
    std::random_device random;  // reads the kernel's random source
    std::string secret;
    for (int word = 0; word < 4; ++word) {
        uint32_t bits = random();
        for (int nibble = 0; nibble < 8; ++nibble, bits >>= 4) secret.push_back(kHex[bits & 0xF]);
    }
    return secret;
}

bool IsHostHeaderAccepted(std::string_view host, int port) {
    const std::string lower = Lower(host);
    const std::string suffix = ":" + std::to_string(port);
    return lower == "127.0.0.1" + suffix || lower == "localhost" + suffix;
}

PathCheck CheckRequestPath(std::string_view path, std::string_view secret, std::string& name) {
    const std::string root = "/" + std::string(secret) + "/";
    if (secret.empty() || !path.starts_with(root)) return PathCheck::NoSecret;
    std::string_view rest = path.substr(root.size());
    if (!rest.starts_with("p1/")) return PathCheck::NotACacheFile;
    // "/" + NAME is the page path; it must name one file inside the folder.
    std::string_view pagePath = rest.substr(2);
    if (!IsSafePagePath(pagePath)) return PathCheck::NotACacheFile;
    name = std::string(pagePath.substr(1));
    return PathCheck::Page;
}

bool IsOwnReferer(std::string_view referer, int port, std::string_view secret) {
    if (secret.empty()) return false;
    const std::string tail = ":" + std::to_string(port) + "/" + std::string(secret) + "/";
    for (std::string_view origin : {"http://127.0.0.1", "http://localhost"}) {
        if (referer.size() >= origin.size() && Lower(referer.substr(0, origin.size())) == origin &&
            referer.substr(origin.size()).starts_with(tail))
            return true;
    }
    return false;
}

bool IsNavigationRequest(const std::optional<std::string>& fetchDest, std::string_view name) {
    if (fetchDest) return *fetchDest == "document" || *fetchDest == "frame" || *fetchDest == "iframe";
    const std::string ext = Extension(name);
    return ext == "htm" || ext == "html" || ext == "cfg" || ext == "txt";
}

std::string ContentTypeFor(std::string_view name) {
    struct Type {
        std::string_view Ext;
        std::string_view Mime;
    };
    // Pages carry no charset: the page's own meta tag decides, as for a file.
    static constexpr std::array<Type, 11> kTypes = {{{"htm", "text/html"},
                                                     {"html", "text/html"},
                                                     {"css", "text/css"},
                                                     {"js", "text/javascript"},
                                                     {"gif", "image/gif"},
                                                     {"png", "image/png"},
                                                     {"jpg", "image/jpeg"},
                                                     {"jpeg", "image/jpeg"},
                                                     {"bmp", "image/bmp"},
                                                     {"ico", "image/x-icon"},
                                                     {"txt", "text/plain"}}};
    const std::string ext = Extension(name);
    for (const Type& type : kTypes) {
        if (type.Ext == ext) return std::string(type.Mime);
    }
    return "application/octet-stream";
}

std::string PercentEncode(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
            encoded.push_back(static_cast<char>(c));
        } else {
            encoded.push_back('%');
            encoded.push_back(kHex[c >> 4]);
            encoded.push_back(kHex[c & 0xF]);
        }
    }
    return encoded;
}

std::string HostPathFor(std::string_view secret, std::string_view name) {
    return "/" + std::string(secret) + "/p1/" + PercentEncode(name);
}

std::optional<std::string> CacheNameOfLocalPath(const std::string& programFolder, std::string_view localPath) {
    if (!localPath.starts_with(programFolder)) return std::nullopt;
    std::string_view rest = localPath.substr(programFolder.size());
    if (rest.size() < 5 || !IsSeparator(rest[0]) || rest.substr(1, 2) != "p1" || !IsSeparator(rest[3]))
        return std::nullopt;
    std::string pagePath = "/" + std::string(rest.substr(4));
    if (!IsSafePagePath(pagePath)) return std::nullopt;
    return pagePath.substr(1);
}

}  // namespace halvoran
