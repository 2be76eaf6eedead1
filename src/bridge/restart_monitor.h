// The wait for the printer's restart after a change that resets it.
#pragma once

namespace halvoran {

struct PanelBridge;

// Starts the restart monitor thread for the bridge.
void StartRestartMonitor(PanelBridge& bridge);

}  // namespace halvoran
