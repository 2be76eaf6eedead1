// The wait for the printer's restart after a change that resets it: a
// countdown, then up to four reconnect attempts, on a thread of its own.
#pragma once

namespace halvoran {

struct PanelBridge;

inline constexpr int kRestartCountdownSeconds = 14;
inline constexpr int kReconnectAttempts = 4;
inline constexpr unsigned kRestartStepMs = 1000;

// Clears StopRestart and starts RestartMonitor on its own thread. Returns
// false when no thread was started: a monitor already runs (the monitor's own
// re-fetch of the reset page does not start a second one), or the thread could
// not be created, in which case the wait ends at once as after four failed
// reconnects, so navigation is not left blocked.
bool StartRestartMonitor(PanelBridge& bridge);

// The monitor's thread body: closes the port, counts down from 14 once a
// second, reconnects and re-fetches the previous page. It ends with
// navigation handled again; when StopRestart was set it hands the window's
// Disconnect command to the window's thread.
void RestartMonitor(PanelBridge& bridge);

}  // namespace halvoran
