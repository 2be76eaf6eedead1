#include "bridge/panel_bridge.h"

#include <utility>

namespace halvoran {

void PanelBridge::Reset(BridgeWindow* dialog, std::string programFolder) {
    Dialog = dialog;
    ProgramFolder = std::move(programFolder);
    Port = nullptr;
    PostData = nullptr;
    CurrentPage.clear();
    CurrentFile.clear();
    PreviousPage.clear();
    PreviousFile.clear();
    DownloadFileName.clear();
    RestartRunning = false;
    DownloadRunning = false;
    NavState = Idle;
    NavCounter = 0;
    FirstNavDone = 0;
    FramesetPhase = 1;
}

void ShowStatus(PanelBridge& bridge, const std::string& text) {
    if (bridge.Dialog) bridge.Dialog->SetStatusText(text, false);
}

void ShowError(PanelBridge& bridge, const std::string& text) {
    if (bridge.Dialog) bridge.Dialog->SetStatusText(text, true);
}

}  // namespace halvoran
