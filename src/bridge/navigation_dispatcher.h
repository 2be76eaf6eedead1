// The navigation dispatcher: decides the fate of every navigation the
// embedded browser is about to make. Printer pages are fetched or posted over
// the link and the browser is sent to their cached file instead.
#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "bridge/browser_contract.h"

namespace halvoran {

struct PanelBridge;

// Handles one BeforeNavigate2 event: sets event.Cancel to refuse it.
void OnBeforeNavigate2(PanelBridge& bridge, NavigationEvent& event);

// Takes the page path from the text after the URL's last separator and makes
// it the current page (the page before it becomes the previous page, unless it
// was "/status.htm", "/tgnet.htm" or a "/prs" page). Fails, changing nothing,
// for a URL without a separator, for "/panelpop.htm", and for a page path
// that is unsafe or does not fit the 260-character path buffers.
bool PagePathFromUrl(PanelBridge& bridge, std::string_view url, const std::optional<std::string>& postData);

// Fetches the current page, or posts the form data to it when there is any.
bool LoadCurrentPage(PanelBridge& bridge);

// The browser's event handler for one window's bridge.
class NavigationDispatcher final : public NavigationHandler {
public:
    explicit NavigationDispatcher(PanelBridge& bridge) : bridge_(bridge) {}
    void OnBeforeNavigate2(NavigationEvent& event) override { halvoran::OnBeforeNavigate2(bridge_, event); }

private:
    PanelBridge& bridge_;
};

}  // namespace halvoran
