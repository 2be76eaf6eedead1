#include "bridge/page_cache.h"

#include <algorithm>
#include <cstring>

#include "app/texts.h"
#include "bridge/page_path.h"
#include "bridge/panel_bridge.h"
#include "bridge/request_builder.h"
#include "bridge/restart_monitor.h"
#include "platform/files.h"

namespace halvoran {

namespace {

constexpr std::string_view kStylesheet = "/html/css.css";
constexpr size_t kStylesheetWindow = 512;
constexpr size_t kStylesheetPrefix = 6;  // "/html/"
constexpr std::string_view kBlankTarget = "target=\"_blank\"";
constexpr int kBlankedTargets = 2;

// Finds needle in [from, end) of the payload; a NUL byte ends the search.
size_t FindBeforeNul(const uint8_t* payload, size_t end, size_t from, std::string_view needle) {
    const uint8_t* nul = static_cast<const uint8_t*>(std::memchr(payload, 0, end));
    if (nul) end = static_cast<size_t>(nul - payload);
    if (from > end || needle.size() > end - from) return std::string_view::npos;
    std::string_view text(reinterpret_cast<const char*>(payload) + from, end - from);
    size_t at = text.find(needle);
    return at == std::string_view::npos ? at : at + from;
}

void BlankOut(uint8_t* at, size_t count) { std::memset(at, ' ', count); }

bool PreviousAllowsRestart(const std::string& previous) {
    return previous == "/restart.htm" || previous == "/action.htm" || previous == "/reset.htm";
}

}  // namespace

bool IsAlwaysFetched(std::string_view pagePath) {
    return std::find(AlwaysFetchPages.begin(), AlwaysFetchPages.end(), pagePath) != AlwaysFetchPages.end();
}

bool WritePageFile(const std::string& localPath, PanelBridge& bridge, std::string_view pagePath) {
    uint8_t* page = bridge.PageBuffer;
    const size_t length = std::min<size_t>(bridge.PageLength, kPageBufferSize);

    size_t css = FindBeforeNul(page, std::min(length, kStylesheetWindow), 0, kStylesheet);
    if (css != std::string_view::npos) BlankOut(page + css, kStylesheetPrefix);

    if (pagePath == "/action.htm") {
        size_t from = 0;
        for (int i = 0; i < kBlankedTargets; ++i) {
            size_t at = FindBeforeNul(page, length, from, kBlankTarget);
            if (at == std::string_view::npos) break;
            BlankOut(page + at, kBlankTarget.size());
            from = at + kBlankTarget.size();
        }
    }
    return WriteWholeFile(localPath, page, length);
}

bool FetchPage(std::string_view pagePath, PanelBridge& bridge, const std::string& localPath, bool forced) {
    // An unsafe page path or a file outside the page cache is refused before
    // anything is sent or touched.
    if (localPath.empty() || localPath != LocalPagePath(bridge.ProgramFolder, pagePath)) return false;
    const std::string page(pagePath);

    std::unique_lock lock(bridge.PageLock);
    if (!IsDirectory(PageCacheFolder(bridge.ProgramFolder))) return false;
    if (!forced && FileExists(localPath) && !IsAlwaysFetched(page)) return true;

    bool sent = bridge.Port && BuildRequest(page, kRequestGet, bridge) &&
                bridge.Port->Write(bridge.RequestBuffer, bridge.RequestLength);
    bool read = false;
    if (sent) {
        bridge.PageLength = kPageBufferSize;
        read = bridge.Port->ReadRecord(bridge.PageBuffer, bridge.PageLength);
    }
    if (!read) {
        lock.unlock();
        ShowError(bridge, Tr(text::CommunicationError));
        bridge.NavState = Blocked;
        if (bridge.Port) bridge.Port->Close();
        return false;
    }

    const bool written = WritePageFile(localPath, bridge, page);

    if (page == "/reset.htm" && PreviousAllowsRestart(bridge.PreviousPage)) {
        lock.unlock();
        ShowStatus(bridge, Tr(text::ResetRequired));
        bridge.NavState = Blocked;
        if (bridge.PreviousPage == "/reset.htm") {
            bridge.NavState = PassOnce;
            bridge.CurrentPage = "/restart.htm";
            bridge.CurrentFile = LocalPagePath(bridge.ProgramFolder, bridge.CurrentPage);
        }
        bridge.PreviousPage.clear();
        StartRestartMonitor(bridge);
        return true;
    }

    lock.unlock();
    if (page != "/tgnet.htm") ShowStatus(bridge, page + Tr(text::PageLoaded));
    return written;
}

bool ResetPageCache(PanelBridge& bridge) {
    for (size_t i = 0; i < PageTable.size(); ++i) {
        const std::string local = LocalPagePath(bridge.ProgramFolder, PageTable[i]);
        if (i < kPrefetchedEntries)
            FetchPage(PageTable[i], bridge, local, false);
        else
            DeleteFile(local);
    }
    return true;
}

}  // namespace halvoran
