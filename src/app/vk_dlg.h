// CvkDlg: the main window's logic. Start-up, the layout rule, the interface
// list, the Connect and Disconnect commands and the status bar; everything
// on screen goes through WindowUi, so the logic runs without a display.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>

#include "app/port_set.h"
#include "app/status_bar.h"
#include "app/sysinfo.h"
#include "app/window_ui.h"
#include "bridge/bridge_window.h"
#include "bridge/panel_bridge.h"

namespace halvoran {

inline constexpr uint32_t kConnectTimeoutMs = 10000;
inline constexpr unsigned kAboutCommand = 16;
inline constexpr int kSizeMaximized = 2;
inline constexpr int kPortNumberRows = 16;

class CvkDlg : public BridgeWindow {
    // Declared first so they outlive Bridge, which joins its worker threads.
    WindowUi& ui_;
    PortSet ports_;
    std::string programFile_;

public:
    // programFile is the full path of the running program; the settings file
    // and the page cache lie in its folder.
    CvkDlg(WindowUi& ui, PortSet ports, std::string programFile);

    // Start-up of the window: settings, language, texts and lists, status bar,
    // placement, fonts, bridge, welcome page. Returns true.
    bool OnInitDialog();
    void OnInterfaceChanged();
    // The first size event arrives before start-up and only arms the layout.
    void OnSize(int type, int cx, int cy);
    void LayoutControls(int type, int cx, int cy);
    // True when the command was the About item; false means default handling.
    bool OnSysCommand(unsigned commandId);

    void OnConnect();
    // Runs on the window's thread; a call from another thread is handed over.
    void OnDisconnect() override;
    // The close request: the Disconnect command, which then ends the window.
    void OnClose();
    // The port object of this interface row, set up for a new connection; null for other rows.
    CIface* SelectPort(uint8_t kind, uint8_t portNumber, uint8_t baudRow, uint8_t formatRow);

    // BridgeWindow
    void SetStatusText(const std::string& text, bool isError) override;
    std::string MessageText() override { return StatusBar.MessageText(); }
    void PostToWindowThread(std::function<void()> task) override { ui_.PostToWindowThread(std::move(task)); }
    BrowserView& Browser() override { return ui_.Browser(); }
    BrowserArea BrowserAreaSize() override { return ui_.BrowserAreaSize(); }
    void EnableConnect() override { ui_.EnableControl(Control::ConnectButton, true); }
    bool AskOkCancel(const std::string& text, bool warningIcon) override { return ui_.AskOkCancel(text, warningIcon); }
    std::optional<std::string> AskSavePath(const SaveFilter& filter) override { return ui_.AskSavePath(filter); }

    CColorStatusBar StatusBar;
    CSysInfo SysInfo;
    PanelBridge Bridge;
    // 0 no size event yet, 1 first size event seen, 2 first layout pass done.
    uint8_t SizeState = 0;
    // A close request is pending: Disconnect ends the window.
    std::atomic<uint8_t> Closing{0};

private:
    void FillTextsAndLists();
    void SetUpFonts();
};

// Puts the bridge back into its start-up state for this window.
void ResetBridge(PanelBridge& bridge, CvkDlg& dialog, const CSysInfo& settings);

}  // namespace halvoran
