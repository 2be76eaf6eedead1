// Request paths, URLs and content types of the loopback browser host.
// Every URL the host serves has the form
//   http://127.0.0.1:PORT/SECRET/p1/NAME
// where NAME is one file of the page cache folder.
#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace halvoran {

// 128 random bits as 32 lowercase hex digits.
std::string NewHostSecret();

// True for "127.0.0.1:PORT" and "localhost:PORT" (any case), the only Host
// headers a browser sends for the host's own URLs.
bool IsHostHeaderAccepted(std::string_view host, int port);

enum class PathCheck {
    Page,           // "/SECRET/p1/NAME" with a safe NAME
    NoSecret,       // does not begin with "/SECRET/"
    NotACacheFile,  // carries the secret but names no safe page cache file
};

// Checks a decoded request path; on Page, name receives NAME.
PathCheck CheckRequestPath(std::string_view path, std::string_view secret, std::string& name);

// True when referer is one of the host's own URLs (secret included): the
// request comes from a page the host served.
bool IsOwnReferer(std::string_view referer, int port, std::string_view secret);

// Whether a request is a navigation (one BeforeNavigate2 event). fetchDest is
// the Sec-Fetch-Dest header, nullopt when the client sent none: then pages,
// the configuration file and the report (.htm .html .cfg .txt) count as
// navigations and everything else as a sub-resource.
bool IsNavigationRequest(const std::optional<std::string>& fetchDest, std::string_view name);

// Content type by the file name's extension (case-insensitive).
std::string ContentTypeFor(std::string_view name);

// Every byte outside A-Z a-z 0-9 - . _ ~ as %XX.
std::string PercentEncode(std::string_view text);

// "/SECRET/p1/" followed by the percent-encoded name.
std::string HostPathFor(std::string_view secret, std::string_view name);

// The name of the page cache file that a local path names: programFolder,
// a separator, "p1", a separator, then a safe file name ('/' or '\' as
// separators). nullopt for anything else.
std::optional<std::string> CacheNameOfLocalPath(const std::string& programFolder, std::string_view localPath);

}  // namespace halvoran
