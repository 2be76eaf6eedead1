#include "download/download_worker.h"

#include <optional>
#include <string_view>
#include <system_error>

#include "app/texts.h"
#include "bridge/host_upload.h"
#include "bridge/panel_bridge.h"
#include "download/download_file.h"

namespace halvoran {

namespace {

constexpr uint32_t kAnnounceMs = 2000;
constexpr uint32_t kReopenPauseMs = 500;
constexpr uint32_t kCannotOpenMs = 2000;
constexpr uint32_t kInvalidFileMs = 2000;
constexpr uint32_t kWindUpMs = 4000;
constexpr uint32_t kChunks = 100;
// Images above this size rest every tenth chunk on the parallel and serial ports.
constexpr uint32_t kRestAbove = 102400;
constexpr uint32_t kParallelRestMs = 500;
constexpr uint32_t kSerialRestMs = 200;
constexpr uint32_t kParallelChunkTimeoutMs = 200000;
constexpr std::string_view kFileNameKey = "filename=";

// The quoted name after the first "filename=", read up to the form data's
// first NUL; nullopt when there is none or it is not closed.
std::optional<std::string> FileNameFromForm(const char* postData) {
    const std::string_view form(postData);
    const size_t key = form.find(kFileNameKey);
    if (key == std::string_view::npos) return std::nullopt;
    const size_t quote = key + kFileNameKey.size();
    if (quote >= form.size() || form[quote] != '"') return std::nullopt;
    const size_t close = form.find('"', quote + 1);
    if (close == std::string_view::npos) return std::nullopt;
    return std::string(form.substr(quote + 1, close - quote - 1));
}

bool SendChunks(PanelBridge& panel, CIface& port, const DownloadImage& image) {
    if (panel.StopDownload) return false;
    const uint32_t chunk = image.Size / kChunks;
    if (port.PortKind == kPortParallel) port.WriteTimeout = kParallelChunkTimeoutMs;
    const uint8_t* next = image.Data.get();
    bool written = true;
    for (uint32_t i = 0; i < kChunks; ++i) {
        written = port.Write(next, chunk);
        if (panel.StopDownload || !written) return false;
        ShowStatus(panel, Tr(text::SendingProgress) + FormatCount(static_cast<uint8_t>(i + 1)) + "/100");
        if (port.PortKind != kPortUsb && i % 10 == 0 && i != 0 && image.Size > kRestAbove) {
            panel.Pause->SleepMs(port.PortKind == kPortParallel ? kParallelRestMs : kSerialRestMs);
        }
        next += chunk;
    }
    const uint32_t remainder = image.Size - kChunks * chunk;
    if (remainder == 0) return written;
    if (panel.StopDownload) return false;
    return port.Write(next, remainder);
}

// Takes the printer out of web-panel mode and readies the port for the raw
// upload; false when the port cannot be reopened.
bool SwitchPort(PanelBridge& panel, CIface* port, bool firmware) {
    if (port && port->PortKind == kPortSerial && firmware) {
        port->Disconnect(3);
        return true;
    }
    if (port) {
        port->Disconnect(1);
        panel.Pause->SleepMs(kReopenPauseMs);
        if (port->Open()) return true;
    }
    ShowStatus(panel, Tr(text::CannotOpenPort));
    panel.Pause->SleepMs(kCannotOpenMs);
    return false;
}

}  // namespace

std::string FormatCount(uint8_t n) { return std::to_string(n); }

bool SendImage(PanelBridge& panel, DownloadImage& image) {
    const bool sent = panel.Port && SendChunks(panel, *panel.Port, image);
    image.Release();
    return sent;
}

void DownloadWorker(PanelBridge& panel) {
    const bool firmware = panel.DownloadMode == kDownloadFirmware;
    Sleeper& pause = *panel.Pause;
    ShowStatus(panel, Tr(firmware ? text::FirmwareStarts : text::ConfigStarts));
    pause.SleepMs(kAnnounceMs);

    DownloadImage image;
    const bool valid = LoadDownloadFile(panel.DownloadFileName, image) &&
                       (firmware ? CheckFirmwareFile(image) : CheckConfigFile(image));
    // The file is in memory or refused: the browser host's copy is done with
    // either way (other paths are left alone).
    RemoveUploadFile(panel.DownloadFileName);
    if (!valid) {
        ShowStatus(panel, Tr(firmware ? text::InvalidFirmware : text::InvalidConfig));
        pause.SleepMs(kInvalidFileMs);
        panel.NavState = Idle;
        panel.DownloadRunning = false;
        return;
    }

    CIface* port = panel.Port;
    const bool sent = SwitchPort(panel, port, firmware) && SendImage(panel, image);
    image.Release();
    if (sent) {
        ShowStatus(panel, Tr(firmware ? text::FirmwareCompleted : text::ConfigCompleted));
        if (!firmware) port->Write(ConfigFinishCommand.data(), ConfigFinishCommand.size());
    } else {
        ShowStatus(panel, Tr(firmware ? text::FirmwareFailed : text::ConfigFailed));
    }
    if (port) {
        if (port->PortKind == kPortUsb) port->Close();
        else port->Release();
    }
    if (!panel.StopDownload) pause.SleepMs(kWindUpMs);
    // Invalid first, so that the Disconnect command disconnects instead of
    // asking whether to stop the upload.
    panel.DownloadRunning = false;
    if (BridgeWindow* window = panel.Dialog) window->PostToWindowThread([window] { window->OnDisconnect(); });
}

bool StartDownload(uint8_t mode, PanelBridge& panel) {
    if (mode != kDownloadFirmware && mode != kDownloadConfig) return false;
    if (!panel.PostData) return false;
    std::optional<std::string> name = FileNameFromForm(panel.PostData);
    if (!name) return false;
    if (panel.DownloadRunning) {
        // One upload at a time; the running worker keeps its name and mode.
        RemoveUploadFile(*name);
        return false;
    }
    panel.DownloadMode = mode;
    // Copied whole: a name too long for a path is refused by the worker as an
    // invalid file, never cut to another path.
    panel.DownloadFileName = std::move(*name);
    panel.StopDownload = 0;
    // A finished worker may still be leaving its thread; collect it first.
    if (panel.DownloadThread.joinable()) panel.DownloadThread.join();
    panel.DownloadRunning = true;
    try {
        panel.DownloadThread = std::jthread([&panel] { DownloadWorker(panel); });
    } catch (const std::system_error&) {
        panel.DownloadRunning = false;
        RemoveUploadFile(panel.DownloadFileName);
        return false;
    }
    return true;
}

}  // namespace halvoran
