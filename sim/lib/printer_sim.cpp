#include "printer_sim.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "link/frames.h"
#include "platform/files.h"
#include "upload_envelope.h"

namespace halvoran::sim {

namespace {

constexpr uint8_t kXon = 0x11;
constexpr uint8_t kXoff = 0x13;
constexpr ModeCommand kAnyCommand = MakeModeCommand(0);
constexpr size_t kCommandPrefix = kModeCommandSize - 1;  // GS SUB ESC FS GS "MODE"

std::string Hex(const uint8_t* data, size_t n) {
    std::string text;
    char byte[4];
    for (size_t i = 0; i < n; ++i) {
        std::snprintf(byte, sizeof byte, i ? " %02X" : "%02X", data[i]);
        text += byte;
    }
    return text;
}

}  // namespace

PrinterSim::PrinterSim(Clock& clock, SimOptions options)
    : clock_(clock),
      options_(std::move(options)),
      server_(settings_, status_, options_.Log),
      lastTick_(clock.NowMs()) {
    // Silent after none: not even the connect command is answered.
    if (options_.SilentAfter == 0u) state_ = LinkState::Silent;
}

uint64_t PrinterSim::Now() {
    // The clock is a wrapping 32-bit tick; accumulate it into 64 bits.
    uint32_t tick = clock_.NowMs();
    now_ += static_cast<uint32_t>(tick - lastTick_);
    lastTick_ = tick;
    return now_;
}

void PrinterSim::Log(const std::string& line) const {
    if (options_.Log) options_.Log(line);
}

bool PrinterSim::LoadState(std::string& problem) {
    if (options_.StateFile.empty()) return true;
    if (!FileExists(options_.StateFile)) {
        SaveState();
        return true;
    }
    std::optional<std::vector<uint8_t>> bytes = ReadWholeFile(options_.StateFile);
    if (!bytes) {
        problem = "cannot read the state file " + options_.StateFile;
        return false;
    }
    std::vector<std::pair<std::string, std::string>> lines;
    if (!ParseKeyValueLines(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()), lines)) {
        problem = "the state file " + options_.StateFile + " holds a line without '='";
        return false;
    }
    std::string settingsText;
    PrinterStatus loaded = status_;
    for (const auto& [key, value] : lines) {
        if (key == "firmware.tag") loaded.FirmwareTag = value;
        else if (key == "firmware.size") loaded.FirmwareSize = std::strtoull(value.c_str(), nullptr, 10);
        else settingsText += key + "=" + value + "\n";
    }
    SettingsModel candidate = settings_;
    std::string bad = candidate.ApplyText(settingsText, true);
    if (!bad.empty()) {
        problem = "the state file " + options_.StateFile + " is not valid: " + bad;
        return false;
    }
    settings_ = candidate;
    status_.FirmwareTag = loaded.FirmwareTag;
    status_.FirmwareSize = loaded.FirmwareSize;
    return true;
}

void PrinterSim::SaveState() {
    if (options_.StateFile.empty()) return;
    std::string text = settings_.Serialize(true);
    text += "firmware.tag=" + status_.FirmwareTag + "\n";
    text += "firmware.size=" + std::to_string(status_.FirmwareSize) + "\n";
    // Written beside the file first, so a crash never leaves half a state file.
    const std::string temporary = options_.StateFile + ".new";
    if (!WriteWholeFile(temporary, reinterpret_cast<const uint8_t*>(text.data()), text.size()) ||
        std::rename(temporary.c_str(), options_.StateFile.c_str()) != 0)
        Log("cannot write the state file " + options_.StateFile);
}

void PrinterSim::Emit(const uint8_t* data, size_t n, uint64_t dueMs) {
    for (size_t i = 0; i < n; ++i) {
        uint64_t due = std::max(dueMs, out_.empty() ? 0 : out_.back().DueMs) + options_.SlowByteMs;
        out_.push_back({data[i], due});
    }
}

void PrinterSim::SendRecord(const std::string& payload, bool marker) {
    uint8_t header[kRecordHeaderSize];
    PutBigEndian16(header, static_cast<uint16_t>(payload.size()));
    header[2] = marker ? kMarkerFirst : 0x00;
    header[3] = marker ? kMarkerSecond : 0x00;
    const uint64_t now = Now();
    Emit(header, sizeof header, now);
    Emit(reinterpret_cast<const uint8_t*>(payload.data()), payload.size(), now);
}

void PrinterSim::AcknowledgeNegotiation() {
    const uint8_t ack[] = {kEsc, kBackslash};
    Emit(ack, sizeof ack, Now());
}

void PrinterSim::DiscardOutput() {
    if (out_.empty()) return;
    Log("the port was closed; " + std::to_string(out_.size()) + " byte(s) on their way were lost");
    out_.clear();
}

size_t PrinterSim::TakeOutput(uint8_t* buffer, size_t n) {
    Tick();
    const uint64_t now = Now();
    size_t got = 0;
    while (got < n && !out_.empty() && out_.front().DueMs <= now) {
        buffer[got++] = out_.front().Byte;
        out_.pop_front();
    }
    return got;
}

std::optional<uint32_t> PrinterSim::MsUntilOutput() {
    if (out_.empty()) return std::nullopt;
    const uint64_t now = Now();
    const uint64_t due = out_.front().DueMs;
    return due <= now ? 0 : static_cast<uint32_t>(std::min<uint64_t>(due - now, UINT32_MAX));
}

void PrinterSim::Tick() {
    const uint64_t now = Now();
    if (state_ == LinkState::Restarting && now >= restartUntil_) {
        state_ = LinkState::Offline;
        Log("restart finished after " + std::to_string(options_.RestartMs) + " ms; waiting for a connect command" +
            (ignoredWhileRestarting_ ? " (ignored " + std::to_string(ignoredWhileRestarting_) + " bytes)" : ""));
        ignoredWhileRestarting_ = 0;
    }
    if (firmwareSettledAt_ && now - *firmwareSettledAt_ >= kFirmwareSettleMs) InstallFirmware();
    const bool idle = now - lastInputMs_ >= kInputIdleMs;
    if (idle && discarding_) {
        discarding_ = false;
        Log("the line is quiet again; reading commands");
    }
    if (idle && upload_) {
        RejectUpload("shorter than its length field: " + std::to_string(upload_->Data.size()) + " of " +
                         std::to_string(upload_->Total) + " bytes arrived",
                     false);
    }
    if (idle && !in_.empty()) {
        Log("gave up an incomplete command after " + std::to_string(kInputIdleMs) + " ms: " +
            Hex(in_.data(), std::min<size_t>(in_.size(), 16)));
        in_.clear();
    }
}

void PrinterSim::Feed(const uint8_t* data, size_t n) {
    if (n == 0) return;
    Tick();
    if (dropPending_) return;
    if (state_ == LinkState::Restarting) {
        ignoredWhileRestarting_ += static_cast<uint32_t>(n);
        return;
    }
    if (state_ == LinkState::Silent) {
        if (!silentLogged_) Log("fault: silent; ignoring all input from now on");
        silentLogged_ = true;
        return;
    }
    lastInputMs_ = Now();
    if (state_ == LinkState::DownloadMode) Throttle(n);
    if (firmwareSettledAt_) RefuseLongFirmware();
    if (discarding_) return;
    in_.insert(in_.end(), data, data + n);
    Process();
}

void PrinterSim::Throttle(size_t n) {
    if (options_.XoffEvery == 0) return;
    sinceXoff_ += static_cast<uint32_t>(n);
    if (sinceXoff_ < options_.XoffEvery) return;
    sinceXoff_ = 0;
    ++throttles_;
    const uint64_t now = Now();
    out_.push_back({kXoff, std::max(now, out_.empty() ? 0 : out_.back().DueMs)});
    out_.push_back({kXon, out_.back().DueMs + options_.XoffMs});
}

void PrinterSim::Process() {
    size_t pos = 0;
    while (pos < in_.size() && !discarding_) {
        size_t used = upload_ ? ProcessUpload(pos) : ProcessCommand(pos);
        if (used == 0) break;  // waiting for more bytes
        pos += used;
        if (firmwareSettledAt_ && pos < in_.size()) RefuseLongFirmware();
        if (state_ == LinkState::Restarting || state_ == LinkState::Silent || dropPending_) {
            pos = in_.size();  // nothing more is read
        }
    }
    FlushJunk();
    if (discarding_) pos = in_.size();
    in_.erase(in_.begin(), in_.begin() + static_cast<long>(pos));
}

void PrinterSim::FlushJunk() {
    if (junk_.empty()) return;
    Log("ignored " + std::to_string(junk_.size()) + " unexpected byte(s): " +
        Hex(junk_.data(), std::min<size_t>(junk_.size(), 32)) + (junk_.size() > 32 ? " ..." : ""));
    junk_.clear();
}

size_t PrinterSim::ProcessUpload(size_t pos) {
    const size_t take = static_cast<size_t>(
        std::min<uint64_t>(upload_->Total - upload_->Data.size(), in_.size() - pos));
    upload_->Data.insert(upload_->Data.end(), in_.begin() + static_cast<long>(pos),
                         in_.begin() + static_cast<long>(pos + take));
    if (upload_->Data.size() == upload_->Total) FinishUpload();
    return take;
}

size_t PrinterSim::ProcessCommand(size_t pos) {
    const uint8_t* at = in_.data() + pos;
    const size_t avail = in_.size() - pos;
    // XON/XOFF of the serial wake burst, and the zero padding of a USB command block.
    if (at[0] == kXon || at[0] == kXoff || at[0] == 0x00) return 1;

    if (at[0] == kAnyCommand[0]) {
        const size_t compare = std::min(avail, kCommandPrefix);
        if (std::memcmp(at, kAnyCommand.data(), compare) != 0) {
            junk_.push_back(at[0]);
            return 1;
        }
        if (avail < kModeCommandSize) return 0;
        const uint8_t code = at[kCommandPrefix];
        if (code != kModeRequest) {
            FlushJunk();
            HandleMode(code);
            return kModeCommandSize;
        }
        if (avail < kRequestHeaderSize) return 0;
        const size_t textLength = static_cast<size_t>(at[10] << 8 | at[11]);
        const size_t frameSize = kRequestHeaderSize + textLength + kFrameTrailerSize;
        if (avail < frameSize) return 0;
        FlushJunk();
        HandleRequest(at, textLength);
        return frameSize;
    }

    if (at[0] == kEsc && (state_ == LinkState::Offline || state_ == LinkState::DownloadMode)) {
        EnvelopeHead head = InspectEnvelope(at, avail);
        switch (head.Verdict) {
        case EnvelopeVerdict::NeedMore:
            return 0;
        case EnvelopeVerdict::Invalid:
            FlushJunk();
            RejectUpload(head.Problem, true);
            return avail;
        case EnvelopeVerdict::ConfigFinish:
            FlushJunk();
            ApplyPendingConfig();
            return kConfigFinishCommand.size();
        case EnvelopeVerdict::Firmware:
        case EnvelopeVerdict::Config:
            FlushJunk();
            if (pendingConfig_) Log("a configuration file was not followed by the finish command; discarded");
            pendingConfig_.reset();
            upload_ = Upload{head.Verdict == EnvelopeVerdict::Firmware, head.TotalSize, head.Tag, {}};
            upload_->Data.reserve(static_cast<size_t>(head.TotalSize));
            Log(std::string("receiving a ") + (upload_->Firmware ? "firmware file (" + head.Tag + ")" : "configuration file") +
                " of " + std::to_string(head.TotalSize) + " bytes");
            return ProcessUpload(pos);
        }
    }
    junk_.push_back(at[0]);
    return 1;
}

void PrinterSim::HandleMode(uint8_t code) {
    switch (code) {
    case kModeConnect: {
        if (pendingConfig_) Log("a configuration file was not followed by the finish command; discarded");
        pendingConfig_.reset();
        ModeCommand echo = MakeModeCommand(kModeConnect);
        if (options_.WrongEcho) {
            echo[kCommandPrefix] = 0x00;
            Log("fault: answering the connect command with a wrong echo");
        }
        SendRecord(std::string(echo.begin(), echo.end()), false);
        state_ = LinkState::WebPanel;
        Log("connect: web panel mode on");
        return;
    }
    case kModeDisconnect:
        state_ = LinkState::Offline;
        Log("disconnect: web panel mode off");
        return;
    case kModeDownload:
        state_ = LinkState::DownloadMode;
        sinceXoff_ = 0;
        Log("serial download mode: an upload follows");
        return;
    default: {
        ModeCommand command = MakeModeCommand(code);
        Log("ignored a mode command with the unknown code " + Hex(&command[kCommandPrefix], 1));
    }
    }
}

void PrinterSim::HandleRequest(const uint8_t* frame, size_t textLength) {
    std::string text(reinterpret_cast<const char*>(frame + kRequestHeaderSize), textLength);
    if (state_ != LinkState::WebPanel) {
        Log("ignored a request outside web panel mode: " + text.substr(0, text.find('\r')));
        return;
    }
    const uint8_t* trailer = frame + kRequestHeaderSize + textLength;
    HttpRequest request;
    std::string problem;
    PageReply reply;
    if (trailer[0] != kEsc || trailer[1] != kBackslash) {
        problem = "request frame without ESC backslash at its end";
        Log(problem);
        reply = server_.BadRequest(problem);
    } else if (!ParseHttpRequest(text, request, problem)) {
        Log("unreadable request (" + problem + "): " + text.substr(0, text.find('\r')));
        reply = server_.BadRequest(problem);
    } else {
        status_.UptimeMs = Now() - startMs_;
        reply = server_.Handle(request);
    }
    if (reply.Payload.size() > 0xFFFF) {
        Log("page of " + std::to_string(reply.Payload.size()) + " bytes does not fit a record");
        reply = server_.BadRequest("the answer is too large for one record");
    }
    if (options_.OversizedRecord && reply.Payload.size() < kOversizedPayload) {
        Log("fault: padding the answer to " + std::to_string(kOversizedPayload) + " bytes");
        reply.Payload.resize(kOversizedPayload, ' ');
    }
    SendRecord(reply.Payload, reply.Marker);
    ++answered_;
    if (reply.SettingsChanged) SaveState();
    if (reply.Restart) StartRestart();
    if (options_.SilentAfter && answered_ >= *options_.SilentAfter && state_ != LinkState::Restarting) {
        state_ = LinkState::Silent;
        Log("fault: falling silent after " + std::to_string(answered_) + " requests");
    }
    if (options_.DropAfter && answered_ >= *options_.DropAfter) {
        dropPending_ = true;
        Log("fault: dropping the line after " + std::to_string(answered_) + " requests");
    }
}

void PrinterSim::StartRestart() {
    // The restart begins once the answer has left.
    const uint64_t sent = out_.empty() ? Now() : std::max(Now(), out_.back().DueMs);
    restartUntil_ = sent + options_.RestartMs;
    state_ = LinkState::Restarting;
    ++status_.Restarts;
    upload_.reset();
    pendingConfig_.reset();
    in_.clear();
    Log("restarting: silent for " + std::to_string(options_.RestartMs) + " ms");
}

void PrinterSim::RejectUpload(const std::string& reason, bool discardUntilQuiet) {
    const std::string kind = upload_ && upload_->Firmware ? "firmware" : upload_ ? "configuration" : "upload";
    status_.LastUpload = kind + " rejected: " + reason;
    Log(status_.LastUpload);
    upload_.reset();
    if (discardUntilQuiet) {
        discarding_ = true;
        Log("discarding input until the line is quiet for " + std::to_string(kInputIdleMs) + " ms");
    }
}

void PrinterSim::RefuseLongFirmware() {
    firmwareSettledAt_.reset();
    upload_ = std::move(installing_);
    installing_.reset();
    RejectUpload("longer than its length field", true);
}

void PrinterSim::FinishUpload() {
    Upload done = std::move(*upload_);
    upload_.reset();
    if (done.Firmware) {
        // Installed once the line stays quiet, so that a longer file is refused.
        done.Data.clear();
        installing_ = std::move(done);
        firmwareSettledAt_ = Now();
        return;
    }
    if (!HasConfigTrailer(done.Data.data(), done.Data.size())) {
        status_.LastUpload = "configuration rejected: it does not end with ESC backslash";
        Log(status_.LastUpload);
        return;
    }
    Log("configuration file received; waiting for the finish command");
    pendingConfig_ = std::move(done.Data);
}

void PrinterSim::InstallFirmware() {
    firmwareSettledAt_.reset();
    status_.FirmwareTag = installing_->Tag;
    status_.FirmwareSize = installing_->Total;
    installing_.reset();
    status_.LastUpload = "firmware " + status_.FirmwareTag + " of " + std::to_string(status_.FirmwareSize) +
                         " bytes installed";
    Log(status_.LastUpload);
    SaveState();
    StartRestart();
}

void PrinterSim::ApplyPendingConfig() {
    if (!pendingConfig_) {
        Log("ignored a finish command: no configuration file was received");
        return;
    }
    std::vector<uint8_t> file = std::move(*pendingConfig_);
    pendingConfig_.reset();
    std::string problem = settings_.ApplyText(ConfigBody(file), false);
    if (!problem.empty()) {
        status_.LastUpload = "configuration rejected: " + problem;
        Log(status_.LastUpload);
        return;
    }
    status_.LastUpload = "configuration of " + std::to_string(file.size()) + " bytes applied";
    Log(status_.LastUpload);
    SaveState();
    StartRestart();
}

}  // namespace halvoran::sim
