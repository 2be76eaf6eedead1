// End to end over a real pseudo-terminal: halvoran-sim --pty answers a
// serial-style handshake and a page request.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <string>

#include "bridge/panel_bridge.h"
#include "bridge/request_builder.h"
#include "platform/fd_device.h"
#include "platform/files.h"
#include "support/stream_port.h"

extern char** environ;

namespace halvoran::sim::test {
namespace {

// A stream port on the simulator's pty that wakes the line the serial way.
class PtyPort : public halvoran::test::StreamPort {
public:
    PtyPort(PortEnv env, std::string path, FdDevice& device)
        : StreamPort(env), path_(std::move(path)), device_(device) {}
    bool SetBidiMode(uint8_t on) override {
        termios raw{};
        if (on != 1 || ::tcgetattr(device_.Fd(), &raw) != 0) return on != 1;
        ::cfmakeraw(&raw);
        ::tcsetattr(device_.Fd(), TCSANOW, &raw);
        for (int i = 0; i < 10; ++i) {
            const uint8_t burst[] = {0x11, 0x13};
            Write(burst, 1);
            Write(burst + 1, 1);
        }
        return true;
    }

protected:
    std::string FormDevicePath() override { return path_; }

private:
    std::string path_;
    FdDevice& device_;
};

class SimProcess {
public:
    bool Start(const std::string& link) {
        int out[2];
        if (::pipe(out) != 0) return false;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        const std::string program = std::string(HALVORAN_BIN_DIR) + "/halvoran-sim";
        const char* argv[] = {program.c_str(), "--pty", "--link", link.c_str(), "--quiet", nullptr};
        bool started = posix_spawn(&pid_, program.c_str(), &actions, nullptr, const_cast<char**>(argv), environ) == 0;
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        if (started) slave_ = ReadLine(out[0]);
        ::close(out[0]);
        return started && !slave_.empty();
    }
    // SIGTERM, then the exit status (-1 when it did not end cleanly).
    int Stop() {
        if (pid_ <= 0) return -1;
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    ~SimProcess() { Stop(); }
    const std::string& Slave() const { return slave_; }

private:
    static std::string ReadLine(int fd) {
        std::string line;
        char c;
        pollfd p{fd, POLLIN, 0};
        while (::poll(&p, 1, 5000) > 0 && ::read(fd, &c, 1) == 1 && c != '\n') line += c;
        return line;
    }
    pid_t pid_ = -1;
    std::string slave_;
};

TEST(SimPtyTest, HandshakeAndPageOverThePseudoTerminal) {
    const std::string link = "/tmp/halvoran-sim-test-" + std::to_string(::getpid());
    SimProcess sim;
    ASSERT_TRUE(sim.Start(link)) << "is " HALVORAN_BIN_DIR "/halvoran-sim built?";
    EXPECT_EQ(sim.Slave().rfind("/dev/pts/", 0), 0u) << sim.Slave();
    EXPECT_TRUE(FileExists(link));

    FdDevice device;
    PtyPort port(PortEnv{&device, &SystemClock(), &SystemSleeper(), nullptr}, link, device);
    port.Configure(1, 2000, 2000);
    ASSERT_TRUE(port.Connect());

    auto bridge = std::make_unique<PanelBridge>();
    ASSERT_TRUE(BuildRequest("/status.htm", kRequestGet, *bridge));
    ASSERT_TRUE(port.Write(bridge->RequestBuffer, bridge->RequestLength));
    std::string page(kPageBufferSize, '\0');
    uint32_t length = kPageBufferSize;
    ASSERT_TRUE(port.ReadRecord(reinterpret_cast<uint8_t*>(page.data()), length));
    page.resize(length);
    EXPECT_NE(page.find("Halvoran P1 - Status"), std::string::npos);
    EXPECT_TRUE(port.Disconnect(1));

    EXPECT_EQ(sim.Stop(), 0);
    EXPECT_FALSE(FileExists(link)) << "the link is removed at exit";
}

}  // namespace
}  // namespace halvoran::sim::test
