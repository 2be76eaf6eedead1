// The embedded browser as the program uses it: one method (Navigate) and one
// event (BeforeNavigate2 with its Cancel flag).
#pragma once
#include <optional>
#include <string>

namespace halvoran {

// One BeforeNavigate2 event.
struct NavigationEvent {
    // Local path of the page cache file the navigation names; the page's file
    // name follows its last separator.
    std::string Url;
    // The frame being navigated; empty for the top-level page.
    std::string TargetFrameName;
    // The request body of a submitted form; nullopt for a plain navigation.
    std::optional<std::string> PostData;
    // Set by the handler to stop the navigation and keep the page shown.
    bool Cancel = false;
};

class BrowserView {
public:
    virtual ~BrowserView() = default;
    // Navigates to a local file of the page cache. With `during` set (the event
    // being handled) the navigation replaces that one in the same frame;
    // without it the view's top-level page is loaded.
    virtual void Navigate(const std::string& url, const NavigationEvent* during = nullptr) = 0;
};

class NavigationHandler {
public:
    virtual ~NavigationHandler() = default;
    // Raised before every navigation, on the window's thread.
    virtual void OnBeforeNavigate2(NavigationEvent& event) = 0;
};

}  // namespace halvoran
