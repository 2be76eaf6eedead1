// What the web panel bridge needs of the main window. The desktop window,
// the command-line tool and the tests each implement it.
#pragma once
#include <string>

namespace halvoran {

class BridgeWindow {
public:
    virtual ~BridgeWindow() = default;
    // Shows text in the status bar's message part, red when isError. Callable
    // from any thread; returns once the window's thread has taken the text.
    virtual void SetStatusText(const std::string& text, bool isError) = 0;
};

}  // namespace halvoran
