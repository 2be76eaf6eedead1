// What the web panel bridge needs of the main window. The desktop window,
// the command-line tool and the tests each implement it.
#pragma once
#include <functional>
#include <optional>
#include <string>

#include "bridge/browser_contract.h"

namespace halvoran {

// Size of the browser area in pixels.
struct BrowserArea {
    int Width = 0;
    int Height = 0;
};

// One row of a Save As dialog's file type list, such as "CFG(*.cfg)" / "*.cfg".
struct SaveFilter {
    std::string Description;
    std::string Pattern;
};

class BridgeWindow {
public:
    virtual ~BridgeWindow() = default;

    // Callable from any thread.

    // Shows text in the status bar's message part, red when isError.
    // Returns once the window's thread has taken the text.
    virtual void SetStatusText(const std::string& text, bool isError) = 0;
    // The text the message part shows at this moment (MessageText).
    virtual std::string MessageText() = 0;
    // Hands task to the window's thread and returns without waiting for it;
    // tasks run in the order they were posted. Workers run the Disconnect
    // command and other window operations this way.
    virtual void PostToWindowThread(std::function<void()> task) = 0;

    // The window's thread only.

    // The embedded browser.
    virtual BrowserView& Browser() = 0;
    // The browser area's client rectangle.
    virtual BrowserArea BrowserAreaSize() = 0;
    // The window's Disconnect command.
    virtual void OnDisconnect() = 0;
    // Enables the Connect button.
    virtual void EnableConnect() = 0;
    // Modal box captioned "Config Tool" with OK and Cancel, with the warning
    // icon when warningIcon is set; true only when the user answers OK.
    virtual bool AskOkCancel(const std::string& text, bool warningIcon) = 0;
    // Modal Save As dialog owned by the browser area, empty file name, one
    // filter, no overwrite question of its own: the chosen path, or nullopt
    // when the user cancels or the dialog fails.
    virtual std::optional<std::string> AskSavePath(const SaveFilter& filter) = 0;
};

}  // namespace halvoran
