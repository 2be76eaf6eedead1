// The single-instance guard and the start-up that uses it.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

#include "app/vk_app.h"
#include "support/temp_folder.h"

namespace halvoran {
namespace {

using test::TempFolder;

TEST(InstanceLock, SecondHolderRefusedUntilTheFirstLetsGo) {
    TempFolder folder;
    InstanceLock first, second;
    ASSERT_EQ(first.Acquire(folder.Path(), kInstanceLockName), LockResult::Acquired);
    // A second open of the file, even in this process, does not get the lock.
    EXPECT_EQ(second.Acquire(folder.Path(), kInstanceLockName), LockResult::HeldElsewhere);
    EXPECT_FALSE(second.Held());
    first.Release();
    EXPECT_EQ(second.Acquire(folder.Path(), kInstanceLockName), LockResult::Acquired);
    EXPECT_EQ(InstanceLock().Acquire(folder.Path() + "/missing", kInstanceLockName), LockResult::Failed);
}

TEST(InstanceLock, AKilledHolderNeverBlocksTheNextCopy) {
    TempFolder folder;
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        InstanceLock held;
        char ok = held.Acquire(folder.Path(), kInstanceLockName) == LockResult::Acquired ? '1' : '0';
        (void)!::write(ready[1], &ok, 1);
        ::pause();
        ::_exit(0);
    }
    ::close(ready[1]);
    char ok = 0;
    ASSERT_EQ(::read(ready[0], &ok, 1), 1);
    ::close(ready[0]);
    ASSERT_EQ(ok, '1');
    InstanceLock mine;
    EXPECT_EQ(mine.Acquire(folder.Path(), kInstanceLockName), LockResult::HeldElsewhere);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ(mine.Acquire(folder.Path(), kInstanceLockName), LockResult::Acquired);
}

class RecordingHost : public AppHost {
public:
    void ShowStartupMessage(const std::string& text) override { Messages.push_back(text); }
    void RunMainWindow(const std::string& programFile) override {
        Runs.push_back(programFile);
        if (DuringRun) DuringRun();
    }
    std::vector<std::string> Messages;
    std::vector<std::string> Runs;
    std::function<void()> DuringRun;
};

TEST(StartUp, OneCopyRunsTheOtherIsToldAndEnds) {
    TempFolder runtime, program;
    const std::string exe = program.Path() + "/halvoran-config";
    CvkApp first, second;
    RecordingHost firstHost, secondHost;
    firstHost.DuringRun = [&] {
        EXPECT_EQ(second.InitInstance(secondHost, runtime.Path(), exe), StartResult::AlreadyRunning);
    };
    EXPECT_EQ(first.InitInstance(firstHost, runtime.Path(), exe), StartResult::Ran);
    EXPECT_EQ(firstHost.Runs, std::vector<std::string>{exe});
    EXPECT_EQ(secondHost.Messages, std::vector<std::string>{"One Program is running"});
    EXPECT_TRUE(secondHost.Runs.empty());
    EXPECT_FALSE(first.InstanceMutex.Held()) << "released when the window has ended";

    RecordingHost again;
    EXPECT_EQ(second.InitInstance(again, runtime.Path(), exe), StartResult::Ran);
}

TEST(StartUp, MissingPageCacheIsNamedAndNothingRuns) {
    TempFolder runtime, program;
    std::filesystem::remove_all(program.PageCache());
    CvkApp app;
    RecordingHost host;
    EXPECT_EQ(app.InitInstance(host, runtime.Path(), program.Path() + "/halvoran-config"),
              StartResult::BadProgramFolder);
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_NE(host.Messages[0].find(program.PageCache()), std::string::npos) << host.Messages[0];
    EXPECT_TRUE(host.Runs.empty());
    EXPECT_FALSE(app.InstanceMutex.Held());

    std::string deep = "/" + std::string(250, 'd');
    EXPECT_NE(ProgramFolderProblem(deep).find("too long"), std::string::npos);
}

}  // namespace
}  // namespace halvoran
