// Page paths and where their files live in the page cache folder p1.
#pragma once
#include <string>
#include <string_view>

namespace halvoran {

inline constexpr size_t kMaxPagePath = 259;

// A page path is "/" followed by one file name: no second separator, no "..",
// no NUL or other control character, at most 259 characters. Anything else
// could name a file outside the page cache and is refused.
bool IsSafePagePath(std::string_view pagePath);

// programFolder + "/p1" + pagePath; empty when the page path is unsafe or the
// result would not fit a 260-character path buffer.
std::string LocalPagePath(const std::string& programFolder, std::string_view pagePath);

// The page cache folder: programFolder + "/p1".
std::string PageCacheFolder(const std::string& programFolder);

}  // namespace halvoran
