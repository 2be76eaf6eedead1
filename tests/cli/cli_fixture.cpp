#include "cli_fixture.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

extern char** environ;

namespace halvoran::test {

Process::Process(const std::string& program, const std::vector<std::string>& args, const std::string& outPath,
                 const std::string& errPath) {
    std::vector<std::string> all{program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all) argv.push_back(arg.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
}

Process::~Process() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    Wait();
}

void Process::Signal(int signal) {
    if (pid_ > 0) ::kill(pid_, signal);
}

int Process::Wait() {
    if (pid_ <= 0) return -1;
    int status = 0;
    const pid_t ended = waitpid(pid_, &status, 0);
    pid_ = -1;
    return ended > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

CliTest::~CliTest() = default;

void CliTest::StartPrinter(const std::vector<std::string>& flags) {
    std::vector<std::string> args{"--pty", "--link", link, "--quiet"};
    args.insert(args.end(), flags.begin(), flags.end());
    printer_ = std::make_unique<Process>(HALVORAN_BIN_DIR "/halvoran-sim", args, folder.Path() + "/sim.out",
                                         folder.Path() + "/sim.err");
    for (int i = 0; i < 200 && !std::filesystem::exists(link); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(std::filesystem::exists(link)) << "halvoran-sim did not open its pty";
}

std::vector<std::string> CliTest::ComArgs(const std::vector<std::string>& args) const {
    std::vector<std::string> all{"--folder", folder.Path(), "--interface", "com", "--device", link};
    all.insert(all.end(), args.begin(), args.end());
    return all;
}

std::unique_ptr<Process> CliTest::StartCom(const std::vector<std::string>& args) {
    return std::make_unique<Process>(HALVORAN_BIN_DIR "/halvoran-cli", ComArgs(args), folder.Path() + "/cli.out",
                                     folder.Path() + "/cli.err");
}

CliRun CliTest::Finish(Process& process) {
    CliRun run;
    run.Status = process.Wait();
    run.Out = folder.Read("cli.out");
    run.Err = folder.Read("cli.err");
    return run;
}

CliRun CliTest::Run(const std::vector<std::string>& args) {
    Process process(HALVORAN_BIN_DIR "/halvoran-cli", args, folder.Path() + "/cli.out", folder.Path() + "/cli.err");
    return Finish(process);
}

}  // namespace halvoran::test
