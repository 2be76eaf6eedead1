#include "bridge/restart_monitor.h"

#include <string>
#include <system_error>
#include <thread>

#include "app/texts.h"
#include "bridge/page_cache.h"
#include "bridge/panel_bridge.h"

namespace halvoran {

namespace {

// Shows the base text followed by " 14" down to " 1", one a second. Returns
// true when StopRestart ended the countdown early.
bool CountDown(PanelBridge& bridge, const std::string& base) {
    for (int n = kRestartCountdownSeconds; n >= 1; --n) {
        bridge.Pause->SleepMs(kRestartStepMs);
        ShowStatus(bridge, base + " " + std::to_string(n));
        if (bridge.StopRestart) return true;
    }
    return false;
}

// Releases the port and leaves the Connect command to the user.
void GiveUpReconnecting(PanelBridge& bridge) {
    if (bridge.Port) bridge.Port->Release();
    ShowStatus(bridge, Tr(text::ConnectFailed));
    if (BridgeWindow* window = bridge.Dialog) window->PostToWindowThread([window] { window->EnableConnect(); });
}

void Reconnect(PanelBridge& bridge) {
    CIface* port = bridge.Port;
    for (int attempt = 0; port && attempt < kReconnectAttempts; ++attempt) {
        if (port->Connect()) {
            ShowStatus(bridge, Tr(text::Connected));
            if (!bridge.PreviousPage.empty()) FetchPage(bridge.PreviousPage, bridge, bridge.PreviousFile, true);
            return;
        }
        port->Close();
        bridge.Pause->SleepMs(kRestartStepMs);
    }
    GiveUpReconnecting(bridge);
}

// Navigation is handled again; the Disconnect command runs when the user
// asked to stop, after the monitor no longer counts as running.
void FinishRestart(PanelBridge& bridge) {
    bridge.NavState = Idle;
    bridge.NavCounter = 1;
    bridge.RestartRunning = false;
    if (bridge.StopRestart) {
        if (BridgeWindow* window = bridge.Dialog) window->PostToWindowThread([window] { window->OnDisconnect(); });
    }
}

}  // namespace

void RestartMonitor(PanelBridge& bridge) {
    if (bridge.Port) bridge.Port->Disconnect(0);
    const std::string base = bridge.Dialog ? bridge.Dialog->MessageText() : std::string();
    if (!CountDown(bridge, base)) Reconnect(bridge);
    FinishRestart(bridge);
}

bool StartRestartMonitor(PanelBridge& bridge) {
    if (bridge.RestartRunning) return false;
    bridge.StopRestart = 0;
    // A finished monitor may still be leaving its thread; collect it first.
    if (bridge.RestartThread.joinable()) bridge.RestartThread.join();
    bridge.RestartRunning = true;
    try {
        bridge.RestartThread = std::jthread([&bridge] { RestartMonitor(bridge); });
    } catch (const std::system_error&) {
        GiveUpReconnecting(bridge);
        FinishRestart(bridge);
        return false;
    }
    return true;
}

}  // namespace halvoran
