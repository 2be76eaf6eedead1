// halvoran-cli against halvoran-sim over a pseudo-terminal: both programs run
// as processes, the CLI in a private program folder with a p1 page cache.
#pragma once
#include <gtest/gtest.h>
#include <sys/types.h>

#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace halvoran::test {

struct CliRun {
    int Status = -1;  // exit status; -1 when the program did not exit normally
    std::string Out;
    std::string Err;
};

// A started program whose output goes to files in folder.
class Process {
public:
    Process(const std::string& program, const std::vector<std::string>& args, const std::string& outPath,
            const std::string& errPath);
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    void Signal(int signal);
    // Waits for the end; the exit status, or -1 for an abnormal end.
    int Wait();

private:
    pid_t pid_ = -1;
};

class CliTest : public ::testing::Test {
protected:
    ~CliTest() override;

    // Starts halvoran-sim --pty with these extra flags (faults, restart time).
    void StartPrinter(const std::vector<std::string>& flags = {});
    // The CLI's arguments for the simulated printer on COM1, then args.
    std::vector<std::string> ComArgs(const std::vector<std::string>& args) const;
    // Runs halvoran-cli with exactly these arguments.
    CliRun Run(const std::vector<std::string>& args);
    // Runs it against the simulated printer.
    CliRun RunCom(const std::vector<std::string>& args) { return Run(ComArgs(args)); }
    // Starts it against the simulated printer without waiting.
    std::unique_ptr<Process> StartCom(const std::vector<std::string>& args);
    CliRun Finish(Process& process);

    TempFolder folder;
    std::string link = folder.Path() + "/printer-tty";

private:
    std::unique_ptr<Process> printer_;
};

}  // namespace halvoran::test
