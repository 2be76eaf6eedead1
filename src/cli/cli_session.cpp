#include "cli/cli_session.h"

#include <csignal>
#include <cstdio>
#include <cstring>

#include "app/texts.h"
#include "bridge/form_submission.h"
#include "bridge/page_cache.h"
#include "bridge/page_path.h"
#include "bridge/save_file.h"
#include "download/download_file.h"
#include "download/download_worker.h"
#include "platform/files.h"

namespace halvoran {

namespace {

volatile std::sig_atomic_t gInterrupted = 0;

void OnInterrupt(int) { gInterrupted = 1; }

// Ctrl-C is taken by the run while this lives, and ends the program otherwise.
class InterruptGuard {
public:
    InterruptGuard() {
        gInterrupted = 0;
        struct sigaction action {};
        action.sa_handler = OnInterrupt;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &previous_);
    }
    ~InterruptGuard() { sigaction(SIGINT, &previous_, nullptr); }
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

private:
    struct sigaction previous_ {};
};

void Problem(const std::string& text) { std::fprintf(stderr, "halvoran-cli: %s\n", text.c_str()); }

bool CopyToStdout(const std::string& path) {
    const auto bytes = ReadWholeFile(path);
    if (!bytes) return false;
    const bool written = std::fwrite(bytes->data(), 1, bytes->size(), stdout) == bytes->size();
    return std::fflush(stdout) == 0 && written;
}

struct SaveRow {
    uint8_t Kind;
    std::string_view Page;
    std::string_view Extension;
};

constexpr SaveRow kSaveRows[] = {{kSaveConfigFile, "/conf.cfg", ".cfg"}, {kSaveReport, "/report.txt", ".txt"}};

const SaveRow& SaveRowOf(uint8_t kind) { return kind == kSaveConfigFile ? kSaveRows[0] : kSaveRows[1]; }

}  // namespace

CliSession::CliSession(const CliOptions& options, const std::string& programFile, StatusPrinter& printer)
    : options_(options), ui_(printer), dialog_(ui_, machine_.Ports(), programFile) {}

CliSession::~CliSession() {
    // Workers still waiting for the window are released before the bridge joins them.
    ui_.StopTasks();
}

std::string CliSession::PageFile(const std::string& page) {
    std::string file = LocalPagePath(dialog_.SysInfo.ProgramFolder, page);
    if (file.empty()) Problem("'" + page + "' is not a page path such as /status.htm");
    return file;
}

int CliSession::Connect() {
    dialog_.OnInitDialog();
    if (options_.Interface) {
        ui_.SelectRow(Control::InterfaceList, *options_.Interface);
        dialog_.OnInterfaceChanged();
    }
    if (options_.PortNumber) ui_.SelectRow(Control::PortNumberList, *options_.PortNumber - 1);
    if (ui_.SelectedRow(Control::PortNumberList) < 0) ui_.SelectRow(Control::PortNumberList, 0);
    if (options_.BaudRow) ui_.SelectRow(Control::BaudList, *options_.BaudRow);
    if (options_.FormatRow) ui_.SelectRow(Control::FormatList, *options_.FormatRow);

    if (!options_.Device.empty()) {
        const int number = ui_.SelectedRow(Control::PortNumberList) + 1;
        const int kind = ui_.SelectedRow(Control::InterfaceList);
        if (kind == kPortSerial) machine_.ComPorts().Override(number, options_.Device);
        else if (kind == kPortParallel) machine_.LptPorts().Override(number, options_.Device);
        else {
            Problem("--device needs --interface com or lpt");
            return kExitUsage;
        }
    }

    dialog_.OnConnect();
    if (!dialog_.StatusBar.IsError()) return kExitOk;
    // The handshake failed, or it passed and the page cache's pre-fetch did not.
    return ui_.HasShown(Tr(text::Connected)) ? kExitCommunication : kExitNoConnection;
}

int CliSession::Run() {
    const std::string& command = options_.Command;
    // Arguments are checked before the printer is disturbed.
    std::vector<std::string> pageFiles;
    if (command == "get" || command == "post") {
        for (size_t i = 0; i < (command == "get" ? options_.Args.size() : 1); ++i) {
            pageFiles.push_back(PageFile(options_.Args[i]));
            if (pageFiles.back().empty()) return kExitUsage;
        }
    }
    if (command == "save-config" || command == "save-report") {
        const SaveRow& row = SaveRowOf(command == "save-config" ? kSaveConfigFile : kSaveReport);
        const std::string destination = WithSaveExtension(options_.Args[0], row.Extension);
        if (destination.size() >= kPathCapacity) {
            Problem("the destination path is too long");
            return kExitUsage;
        }
        if (FileExists(destination) && !options_.Force) {
            Problem(FileNamePart(destination) + Tr(text::AlreadyExists) + " (--force replaces it)");
            return kExitUsage;
        }
    }
    if ((command == "upload-firmware" || command == "upload-config") &&
        options_.Args[0].find('"') != std::string::npos) {
        Problem("an upload file name cannot contain a double quote");
        return kExitInvalidFile;
    }

    if (const int connected = Connect(); connected != kExitOk) {
        // A link that failed after the handshake is ended as Disconnect ends it.
        if (connected == kExitCommunication) dialog_.OnDisconnect();
        return connected;
    }

    int status = kExitOk;
    if (command == "get") status = Get();
    else if (command == "post") status = Post();
    else if (command == "save-config") status = Save(kSaveConfigFile);
    else if (command == "save-report") status = Save(kSaveReport);
    else if (command == "upload-firmware") return Upload(kDownloadFirmware);
    else if (command == "upload-config") return Upload(kDownloadConfig);

    dialog_.OnDisconnect();
    ui_.PumpPending();
    return status;
}

int CliSession::Get() {
    for (const std::string& page : options_.Args) {
        const std::string file = LocalPagePath(dialog_.SysInfo.ProgramFolder, page);
        if (!FetchPage(page, dialog_.Bridge, file, false)) return kExitCommunication;
        if (!CopyToStdout(file)) {
            Problem("cannot write " + page + " to the output");
            return kExitCommunication;
        }
    }
    return kExitOk;
}

int CliSession::Post() {
    const std::string& page = options_.Args[0];
    const std::string& data = options_.Args[1];
    const std::string file = LocalPagePath(dialog_.SysInfo.ProgramFolder, page);
    PanelBridge& bridge = dialog_.Bridge;
    if (!SubmitForm(page, data.c_str(), bridge, file, static_cast<int32_t>(data.size()))) return kExitCommunication;
    const bool shown = CopyToStdout(file);
    if (bridge.RestartRunning) {
        WaitForWorker(bridge.RestartRunning);
        if (bridge.RestartThread.joinable()) bridge.RestartThread.join();
        ui_.PumpPending();
        if (interrupted_ || dialog_.StatusBar.MessageText() == Tr(text::ConnectFailed)) return kExitNoConnection;
    }
    return shown ? kExitOk : kExitCommunication;
}

int CliSession::Save(uint8_t kind) {
    const SaveRow& row = SaveRowOf(kind);
    const std::string cached = LocalPagePath(dialog_.SysInfo.ProgramFolder, row.Page);
    if (!FetchPage(row.Page, dialog_.Bridge, cached, true)) return kExitCommunication;

    ui_.SavePath = options_.Args[0];
    ui_.OkAnswer = options_.Force;
    SaveCachedFile(kind, dialog_.Bridge);
    const std::string destination = WithSaveExtension(options_.Args[0], row.Extension);
    const auto source = ReadWholeFile(cached);
    if (!source || ReadWholeFile(destination) != source) {
        Problem("cannot write " + destination);
        return kExitUsage;
    }
    return kExitOk;
}

int CliSession::Upload(uint8_t mode) {
    PanelBridge& bridge = dialog_.Bridge;
    uploadForm_ = "filename=\"" + options_.Args[0] + "\"";
    bridge.PostData = uploadForm_.c_str();
    const bool started = StartDownload(mode, bridge);
    bridge.PostData = nullptr;
    if (!started) {
        dialog_.OnDisconnect();
        return kExitUploadFailed;
    }
    WaitForWorker(bridge.DownloadRunning);
    if (bridge.DownloadThread.joinable()) bridge.DownloadThread.join();
    // Runs the Disconnect command the worker handed over.
    ui_.PumpPending();

    const bool firmware = mode == kDownloadFirmware;
    if (ui_.HasShown(Tr(firmware ? text::InvalidFirmware : text::InvalidConfig))) {
        // A refused file leaves the connection as it was.
        dialog_.OnDisconnect();
        return kExitInvalidFile;
    }
    if (interrupted_) return kExitUploadFailed;
    return ui_.HasShown(Tr(firmware ? text::FirmwareCompleted : text::ConfigCompleted)) ? kExitOk
                                                                                         : kExitUploadFailed;
}

void CliSession::WaitForWorker(const std::atomic<bool>& running) {
    InterruptGuard guard;
    ui_.PumpUntil([&] {
        if (gInterrupted) {
            gInterrupted = 0;
            interrupted_ = true;
            // Ctrl-C is the Disconnect command answered OK: the worker stops.
            ui_.OkAnswer = true;
            dialog_.OnDisconnect();
        }
        return !running;
    });
}

}  // namespace halvoran
