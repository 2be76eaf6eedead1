// halvoran-sim: the simulated printer on a pseudo-terminal.
#include <atomic>
#include <csignal>
#include <cstdio>
#include <iostream>

#include "platform/clock.h"
#include "pty_link.h"
#include "sim_args.h"

namespace {

std::atomic<bool> g_stop{false};

void OnSignal(int) { g_stop = true; }

}  // namespace

int main(int argc, char** argv) {
    using namespace halvoran::sim;
    SimCommandLine command;
    std::string problem;
    if (!ParseSimArgs(std::vector<std::string>(argv + 1, argv + argc), command, problem)) {
        std::cerr << "halvoran-sim: " << problem << "\n\n" << SimUsage();
        return 2;
    }
    if (command.Help) {
        std::cout << SimUsage();
        return 0;
    }
    halvoran::Clock& clock = halvoran::SystemClock();
    if (!command.Quiet) {
        command.Printer.Log = [&clock](const std::string& line) {
            std::fprintf(stderr, "halvoran-sim [%u ms]: %s\n", clock.NowMs(), line.c_str());
        };
    }
    PrinterSim printer(clock, command.Printer);
    if (!printer.LoadState(problem)) {
        std::cerr << "halvoran-sim: " << problem << "\n";
        return 1;
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    PtyLink line;
    if (!line.Open(command.LinkPath, problem)) {
        std::cerr << "halvoran-sim: " << problem << "\n";
        return 1;
    }
    std::cout << line.SlavePath() << std::endl;
    line.Run(printer, command.Baud, g_stop);
    return 0;
}
