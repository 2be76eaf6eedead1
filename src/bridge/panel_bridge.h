// PanelBridge: the state of the tunnel between the browser and the printer.
#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "bridge/bridge_window.h"
#include "link/ciface.h"

namespace halvoran {

class CSysInfo;

inline constexpr size_t kRequestBufferSize = 2048;
inline constexpr size_t kPageBufferSize = 20000;
inline constexpr size_t kPathCapacity = 260;  // paths hold at most 259 characters

enum NavStateValue : int32_t { Idle = 0, Blocked = 1, PassOnce = 2 };

struct PanelBridge {
    BridgeWindow* Dialog = nullptr;
    // The folder that holds the program and its p1 page cache.
    std::string ProgramFolder;
    CIface* Port = nullptr;
    uint8_t RequestBuffer[kRequestBufferSize] = {};
    uint32_t RequestLength = 0;
    const char* PostData = nullptr;
    uint8_t PageBuffer[kPageBufferSize] = {};
    uint32_t PageLength = 0;
    std::string CurrentPage;
    std::string PreviousPage;
    std::string CurrentFile;
    std::string PreviousFile;
    // Stands for a valid RestartThread handle: set while the restart monitor
    // runs, cleared by the monitor before it ends.
    std::atomic<bool> RestartRunning{false};
    uint8_t DownloadMode = 0;
    std::string DownloadFileName;
    // Stands for a valid DownloadThread handle: set while the download worker
    // runs, cleared by the worker before it ends.
    std::atomic<bool> DownloadRunning{false};
    std::atomic<uint8_t> StopRestart{0};
    std::atomic<uint8_t> StopDownload{0};
    std::atomic<int32_t> NavState{Idle};
    uint8_t FirstNavDone = 0;
    uint8_t FramesetPhase = 1;
    std::atomic<uint8_t> NavCounter{0};

    // Time for the bridge's fixed waits; tests put virtual time here.
    Clock* Time = &SystemClock();
    Sleeper* Pause = &SystemSleeper();

    // Held by FetchPage from its cache check to the end of its file write.
    std::mutex PageLock;

    // The worker threads. Declared last: they are joined before the members
    // they use are destroyed.
    std::jthread RestartThread;
    std::jthread DownloadThread;

    // The values taken when the window initialises and at every Disconnect.
    void Reset(BridgeWindow* dialog, std::string programFolder);
};

// Status texts of the bridge, the workers and the commands.
void ShowStatus(PanelBridge& bridge, const std::string& text);
void ShowError(PanelBridge& bridge, const std::string& text);

}  // namespace halvoran
