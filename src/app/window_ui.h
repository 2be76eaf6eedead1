// WindowUi: what the main window's logic needs of a windowing toolkit. The Qt
// front end, the command-line tool and the tests implement it. Every call
// except PostToWindowThread and IsWindowThread is made on the window's thread.
#pragma once
#include <functional>
#include <optional>
#include <string>

#include "bridge/bridge_window.h"

namespace halvoran {

class CColorStatusBar;

// The controls of the main window (control ids in the comments).
enum class Control : int {
    Browser,           // 1000
    ConnectButton,     // 1
    DisconnectButton,  // 2
    InterfaceLabel,    // 1001
    InterfaceList,     // 1003
    PortNumberList,    // 1004
    SerialGroup,       // 1007
    BaudLabel,         // 1008
    BaudList,          // 1005
    FormatLabel,       // 1009
    FormatList,        // 1006
    StatusBar,         // 1016
};

struct Rect {
    int Left = 0, Top = 0, Width = 0, Height = 0;
    bool operator==(const Rect&) const = default;
};

struct Size {
    int Width = 0, Height = 0;
    bool operator==(const Size&) const = default;
};

class WindowUi {
public:
    virtual ~WindowUi() = default;

    // Drop-down lists. A row the list does not have (or -1) selects nothing;
    // SelectedRow is -1 without a selection.
    virtual void ClearList(Control list) = 0;
    virtual void InsertRow(Control list, int row, const std::string& text) = 0;
    virtual void SelectRow(Control list, int row) = 0;
    virtual int SelectedRow(Control list) = 0;

    // Buttons, labels, lists, the group frame.
    virtual void SetControlText(Control control, const std::string& text) = 0;
    virtual void EnableControl(Control control, bool enabled) = 0;
    virtual void MoveControl(Control control, const Rect& rect) = 0;
    virtual Size ControlSize(Control control) = 0;
    // Sets a font of this cell height in pixels, without redrawing.
    virtual void SetControlFont(Control control, int pixelHeight) = 0;

    // The window.
    virtual void SetCaption(const std::string& caption) = 0;
    // Appends a separator and the About item to the system menu; false when
    // the window has no system menu.
    virtual bool AddAboutMenuItem(const std::string& text) = 0;
    virtual void ShowAboutBox() = 0;
    virtual Size PrimaryScreenSize() = 0;
    virtual int LogicalPixelsPerInchY() = 0;
    // Moves and sizes the window in screen pixels; the toolkit then reports a size event.
    virtual void PlaceWindow(const Rect& rect) = 0;
    // Repaints this part of the client area with background erase.
    virtual void Invalidate(const Rect& rect) = 0;
    virtual void InvalidateAll() = 0;
    // Ends the modal window (the cancel result).
    virtual void EndDialog() = 0;

    // The status bar: created once, then redrawn from the model after each change.
    virtual void CreateStatusBar(const CColorStatusBar& bar) = 0;
    virtual void RepaintStatusBar(const CColorStatusBar& bar) = 0;

    // Modal box captioned "Config Tool" with OK and Cancel, with the warning
    // icon when warningIcon is set; true only for OK.
    virtual bool AskOkCancel(const std::string& text, bool warningIcon) = 0;
    // Modal Save As dialog: the chosen path, or nullopt when cancelled.
    virtual std::optional<std::string> AskSavePath(const SaveFilter& filter) = 0;

    virtual BrowserView& Browser() = 0;
    virtual BrowserArea BrowserAreaSize() = 0;

    // Queues task for the window's thread and returns at once; tasks run in
    // the order they were posted. When the window no longer runs tasks, the
    // task is destroyed without running.
    virtual void PostToWindowThread(std::function<void()> task) = 0;
    virtual bool IsWindowThread() = 0;
};

}  // namespace halvoran
