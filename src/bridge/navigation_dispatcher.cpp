#include "bridge/navigation_dispatcher.h"

#include <cstring>

#include "bridge/form_submission.h"
#include "bridge/page_cache.h"
#include "bridge/page_path.h"
#include "bridge/panel_bridge.h"
#include "bridge/save_file.h"
#include "download/download_file.h"
#include "download/download_worker.h"

namespace halvoran {

namespace {

// Sub-page count at which the home page's frameset phase ends.
constexpr uint8_t kFramesetEnd = 6;

// Pages that never become the previous page.
bool KeepsPreviousPage(const std::string& page) {
    return page == "/status.htm" || page == "/tgnet.htm" || page.starts_with("/prs");
}

// The form data pointer is valid only while its event is handled.
struct PostDataScope {
    PanelBridge& Bridge;
    ~PostDataScope() { Bridge.PostData = nullptr; }
};

// Saves a fetched file to the PC and leaves the browser where it is.
void SaveAndStay(PanelBridge& bridge, uint8_t kind, std::string_view shownPage) {
    bridge.NavState = Blocked;
    SaveCachedFile(kind, bridge);
    bridge.CurrentPage = shownPage;
    bridge.CurrentFile = LocalPagePath(bridge.ProgramFolder, shownPage);
    bridge.NavState = Idle;
    bridge.NavCounter = 1;
}

}  // namespace

bool PagePathFromUrl(PanelBridge& bridge, std::string_view url, const std::optional<std::string>& postData) {
    const size_t separator = url.find_last_of("\\/");
    if (url.empty() || separator == std::string_view::npos) return false;
    std::string page = "/";
    page.append(url.substr(separator + 1));
    if (page == "/panelpop.htm") return false;
    std::string file = LocalPagePath(bridge.ProgramFolder, page);
    if (file.empty()) return false;

    bridge.PostData = postData ? postData->c_str() : nullptr;
    if (!KeepsPreviousPage(bridge.CurrentPage)) {
        bridge.PreviousPage = bridge.CurrentPage;
        bridge.PreviousFile = bridge.CurrentFile;
    }
    bridge.CurrentPage = std::move(page);
    bridge.CurrentFile = std::move(file);
    return true;
}

bool LoadCurrentPage(PanelBridge& bridge) {
    if (!bridge.PostData) return FetchPage(bridge.CurrentPage, bridge, bridge.CurrentFile, false);
    return SubmitForm(bridge.CurrentPage, bridge.PostData, bridge, bridge.CurrentFile,
                      static_cast<int32_t>(std::strlen(bridge.PostData)));
}

void OnBeforeNavigate2(PanelBridge& bridge, NavigationEvent& event) {
    auto allow = [&] { event.Cancel = false; };
    auto cancel = [&] { event.Cancel = true; };

    // PassOnce turns into Blocked only if no worker has changed it meanwhile.
    int32_t state = bridge.NavState.load();
    if (state == Blocked) return cancel();
    if (state == PassOnce) bridge.NavState.compare_exchange_strong(state, Blocked);

    if (!bridge.FirstNavDone) {
        bridge.FirstNavDone = 1;
        return allow();
    }
    if (bridge.FramesetPhase && bridge.NavCounter == 0) {
        bridge.NavCounter = 1;
        return allow();
    }
    if (!PagePathFromUrl(bridge, event.Url, event.PostData)) return cancel();
    PostDataScope postDataScope{bridge};

    // The browser follows the dispatcher's own redirect.
    if (bridge.NavCounter == 0) {
        if (bridge.CurrentPage != "/index.htm") {
            bridge.NavCounter = 1;
            return allow();
        }
        cancel();
        bridge.FramesetPhase = 1;
        bridge.CurrentFile = LocalPagePath(bridge.ProgramFolder, "/homepage.html");
        if (bridge.Dialog && !bridge.CurrentFile.empty()) bridge.Dialog->Browser().Navigate(bridge.CurrentFile);
        return;
    }

    if (bridge.CurrentPage == "/prsdwnld.htm" || bridge.CurrentPage == "/prsfwdld.htm") {
        cancel();
        bridge.NavState = Blocked;
        const uint8_t mode = bridge.CurrentPage == "/prsfwdld.htm" ? kDownloadFirmware : kDownloadConfig;
        // An upload that cannot start (no file named, no thread) leaves
        // navigation usable instead of blocked for good.
        if (!StartDownload(mode, bridge)) bridge.NavState = Idle;
        return;
    }

    // Only a link on the welcome page gets here unconnected; the missing port
    // is not touched.
    if (!bridge.Port) return cancel();
    ++bridge.NavCounter;
    if (!LoadCurrentPage(bridge)) return cancel();

    if (bridge.FramesetPhase) {
        // The home page's sub-pages are shown in place, from the file just written.
        if (bridge.NavCounter >= kFramesetEnd) {
            bridge.FramesetPhase = 0;
            bridge.NavCounter = 1;
        }
        return allow();
    }
    bridge.NavCounter = 0;

    if (bridge.CurrentPage == "/conf.cfg") {
        SaveAndStay(bridge, kSaveConfigFile, "/action.htm");
        return cancel();
    }
    if (bridge.CurrentPage == "/report.txt") {
        SaveAndStay(bridge, kSaveReport, "/report.htm");
        return cancel();
    }
    if (bridge.Dialog) bridge.Dialog->Browser().Navigate(bridge.CurrentFile, &event);
    cancel();
}

}  // namespace halvoran
