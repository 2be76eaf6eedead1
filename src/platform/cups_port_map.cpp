#include "platform/cups_port_map.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace halvoran {

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string Canonical(const std::string& path) {
    std::error_code error;
    auto resolved = std::filesystem::canonical(path, error);
    return error ? path : resolved.string();
}

// The local path of "scheme:/path", "scheme:///path" or "scheme://localhost/path",
// without options; empty for anything else.
std::string UriPath(const std::string& rest) {
    std::string path = rest;
    if (path.rfind("//", 0) == 0) {
        size_t slash = path.find('/', 2);
        if (slash == std::string::npos) return {};
        std::string host = Lower(path.substr(2, slash - 2));
        if (!host.empty() && host != "localhost") return {};
        path = path.substr(slash);
    }
    path = path.substr(0, path.find_first_of("?#"));
    return path.size() > 1 && path[0] == '/' ? path : std::string();
}

}  // namespace

std::string PortOfDeviceUri(const std::string& uri, const ComMap& comPorts, const LptMap& lptPorts) {
    const size_t colon = uri.find(':');
    if (colon == std::string::npos) return {};
    const std::string scheme = Lower(uri.substr(0, colon));
    const std::string path = UriPath(uri.substr(colon + 1));
    if (path.empty()) return {};
    const std::string device = Canonical(path);
    if (scheme == "serial" || scheme == "file") {
        for (int n = 1; n <= kComPortCount; ++n) {
            if (Canonical(comPorts.DevicePath(n)) == device) return "COM" + std::to_string(n) + ":";
        }
    }
    if (scheme == "parallel" || scheme == "file") {
        for (int n = 1; n <= kLptPortCount; ++n) {
            if (Canonical(lptPorts.DevicePath(n)) == device ||
                Canonical("/dev/lp" + std::to_string(n - 1)) == device)
                return "LPT" + std::to_string(n) + ":";
        }
    }
    return {};
}

}  // namespace halvoran
