// One run of halvoran-cli: the main window's logic over this machine's ports,
// connected as the Connect command does, one command, then the Disconnect
// command (the uploads end the link themselves).
#pragma once
#include <string>

#include "app/vk_dlg.h"
#include "cli/cli_options.h"
#include "cli/terminal_ui.h"
#include "gui/machine_ports.h"

namespace halvoran {

class CliSession {
public:
    // programFile names a file in the program folder (it need not exist).
    CliSession(const CliOptions& options, const std::string& programFile, StatusPrinter& printer);
    ~CliSession();
    CliSession(const CliSession&) = delete;
    CliSession& operator=(const CliSession&) = delete;

    // Runs the command; returns the exit status.
    int Run();

private:
    int Connect();
    int Get();
    int Post();
    int Save(uint8_t kind);
    int Upload(uint8_t mode);
    // Pumps the window's tasks while a worker runs; Ctrl-C gives the
    // Disconnect command, answered OK.
    void WaitForWorker(const std::atomic<bool>& running);
    // The argument's page cache file; empty, with a message, for an unsafe page path.
    std::string PageFile(const std::string& page);

    const CliOptions& options_;
    MachinePorts machine_;
    TerminalUi ui_;
    // The upload's form text; the bridge points at it while the worker runs.
    std::string uploadForm_;
    // Ctrl-C stopped the worker.
    bool interrupted_ = false;
    CvkDlg dialog_;
};

}  // namespace halvoran
