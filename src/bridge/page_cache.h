// Page fetch and the local page cache: every page the browser shows is a
// file in p1, fetched over the link on demand.
#pragma once
#include <array>
#include <string>
#include <string_view>

namespace halvoran {

struct PanelBridge;

// Pages whose cached file is never reused.
inline constexpr std::array<std::string_view, 8> AlwaysFetchPages = {
    "/status.htm", "/panelkey.htm", "/tgnet.htm", "/reset.htm",
    "/report.htm", "/toggle.htm",   "/conf.cfg",  "/report.txt"};

// Entries 1-2 are pre-fetched when missing at a cache reset; 3-27 are deleted.
inline constexpr std::array<std::string_view, 27> PageTable = {
    "/logo.htm",    "/toc.htm",     "/welcome.htm", "/banner.htm",  "/font.htm",    "/form.htm",
    "/printer.htm", "/codes.htm",   "/cfgs.htm",    "/ser.htm",     "/ldcfg.htm",   "/svcfg.htm",
    "/setgen.htm",  "/settcp.htm",  "/setsnmp.htm", "/password.htm", "/embmail.htm", "/setlogp.htm",
    "/lpcfg1.htm",  "/lpcfg2.htm",  "/lpcfg3.htm",  "/lpcfg4.htm",  "/lpcfg5.htm",  "/lpcfg6.htm",
    "/lpcfg7.htm",  "/lpcfg8.htm",  "/report.htm"};
inline constexpr size_t kPrefetchedEntries = 2;

bool IsAlwaysFetched(std::string_view pagePath);

// Fetches pagePath into localPath unless a cached file can be reused.
bool FetchPage(std::string_view pagePath, PanelBridge& bridge, const std::string& localPath, bool forced);

// Writes PageLength bytes of PageBuffer to localPath with the stylesheet and
// link target fix-ups.
bool WritePageFile(const std::string& localPath, PanelBridge& bridge, std::string_view pagePath);

// Pre-fetches the first two PageTable entries and deletes the rest.
bool ResetPageCache(PanelBridge& bridge);

}  // namespace halvoran
