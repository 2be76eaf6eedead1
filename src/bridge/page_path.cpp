#include "bridge/page_path.h"

namespace halvoran {

bool IsSafePagePath(std::string_view pagePath) {
    if (pagePath.size() < 2 || pagePath.size() > kMaxPagePath || pagePath[0] != '/') return false;
    std::string_view name = pagePath.substr(1);
    if (name == "." || name.find("..") != std::string_view::npos) return false;
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7F || c == '/' || c == '\\') return false;
    }
    return true;
}

std::string PageCacheFolder(const std::string& programFolder) { return programFolder + "/p1"; }

std::string LocalPagePath(const std::string& programFolder, std::string_view pagePath) {
    if (!IsSafePagePath(pagePath)) return {};
    std::string path = PageCacheFolder(programFolder);
    path.append(pagePath);
    if (path.size() > kMaxPagePath) return {};
    return path;
}

}  // namespace halvoran
