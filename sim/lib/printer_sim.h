// PrinterSim: the printer's side of the link as a synchronous, deterministic
// state machine. A transport feeds it the bytes the config tool writes and
// delivers the bytes it queues for the tool, each with the time it is due.
// Time comes from the injected clock, so tests run it in virtual time.
#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "page_server.h"
#include "platform/clock.h"
#include "settings_model.h"

namespace halvoran::sim {

struct SimOptions {
    uint32_t SlowByteMs = 0;               // every byte sent this much after the one before
    std::optional<uint32_t> SilentAfter;   // answer this many requests, then ignore everything (0: from the start)
    bool WrongEcho = false;                // the connect echo carries a wrong code byte
    bool OversizedRecord = false;          // page answers padded beyond the tool's 20000-byte buffer
    std::optional<uint32_t> DropAfter;     // answer this many requests, then the line drops
    uint32_t RestartMs = 8000;             // silence of a restart
    uint32_t XoffEvery = 0;                // serial download mode: XOFF after this many bytes (0: never)
    uint32_t XoffMs = 20;                  // ... and XON this much later
    std::string StateFile;                 // settings and firmware survive in this file
    LogSink Log;                           // where unexpected input and events are reported; null: quiet
};

enum class LinkState {
    Offline,       // waiting for a connect command or an upload
    WebPanel,      // answering requests
    DownloadMode,  // serial download mode: an upload follows, throttled by XOFF/XON
    Restarting,    // deaf until the restart time has passed
    Silent,        // fault: ignores everything
};

inline constexpr uint32_t kOversizedPayload = 20001;
// A partial command or upload that sees no byte for this long is given up.
inline constexpr uint32_t kInputIdleMs = 3000;
// A firmware file must be followed by this much quiet before it is installed.
inline constexpr uint32_t kFirmwareSettleMs = 500;

class PrinterSim {
public:
    PrinterSim(Clock& clock, SimOptions options);

    // Reads the state file when one is named and exists; false with a reason
    // when it cannot be read or holds invalid values (the file is left alone).
    bool LoadState(std::string& problem);

    void Feed(const uint8_t* data, size_t n);
    // Runs what time alone brings: the end of a restart, a firmware install,
    // giving up a partial input. Feed and TakeOutput call it too.
    void Tick();
    // Copies up to n bytes that are due by now.
    size_t TakeOutput(uint8_t* buffer, size_t n);
    // Milliseconds until the next queued byte is due (0: now); none when nothing is queued.
    std::optional<uint32_t> MsUntilOutput();
    // The drop-the-line fault has struck: every queued byte has gone and the line is dead.
    bool LineDropped() const { return dropPending_ && out_.empty(); }
    // The tool closed its port: bytes still on their way are lost.
    void DiscardOutput();
    // Parallel port: the ESC backslash that acknowledges the IEEE 1284 negotiation.
    void AcknowledgeNegotiation();

    LinkState State() const { return state_; }
    const SettingsModel& Settings() const { return settings_; }
    const PrinterStatus& Status() const { return status_; }
    uint32_t RequestsAnswered() const { return answered_; }
    uint32_t Throttles() const { return throttles_; }

private:
    struct Pending {
        uint8_t Byte;
        uint64_t DueMs;
    };
    struct Upload {
        bool Firmware = false;
        uint64_t Total = 0;
        std::string Tag;
        std::vector<uint8_t> Data;
    };

    uint64_t Now();
    void Log(const std::string& line) const;
    void Emit(const uint8_t* data, size_t n, uint64_t dueMs);
    void SendRecord(const std::string& payload, bool marker);
    void Process();
    size_t ProcessCommand(size_t pos);
    size_t ProcessUpload(size_t pos);
    void HandleMode(uint8_t code);
    void HandleRequest(const uint8_t* frame, size_t textLength);
    void FinishUpload();
    void ApplyPendingConfig();
    void InstallFirmware();
    // Bytes after a complete firmware file: the file is longer than its envelope says.
    void RefuseLongFirmware();
    void RejectUpload(const std::string& reason, bool discardUntilQuiet);
    void StartRestart();
    void Throttle(size_t n);
    void FlushJunk();
    void SaveState();

    Clock& clock_;
    SimOptions options_;
    SettingsModel settings_;
    PrinterStatus status_;
    PageServer server_;

    uint32_t lastTick_;
    uint64_t now_ = 0;
    uint64_t startMs_ = 0;
    LinkState state_ = LinkState::Offline;
    std::vector<uint8_t> in_;
    uint64_t lastInputMs_ = 0;
    std::deque<Pending> out_;
    std::optional<Upload> upload_;
    std::optional<std::vector<uint8_t>> pendingConfig_;
    std::optional<Upload> installing_;  // firmware received, waiting for quiet
    std::optional<uint64_t> firmwareSettledAt_;
    bool discarding_ = false;
    uint64_t restartUntil_ = 0;
    uint32_t ignoredWhileRestarting_ = 0;
    bool silentLogged_ = false;
    bool dropPending_ = false;
    uint32_t answered_ = 0;
    uint32_t sinceXoff_ = 0;
    uint32_t throttles_ = 0;
    std::vector<uint8_t> junk_;
};

}  // namespace halvoran::sim
