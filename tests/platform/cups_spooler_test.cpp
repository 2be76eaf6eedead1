// The spooler routines against a private cupsd with its own configuration,
// socket and spool folders; the queues are made with lpadmin.
#include <gtest/gtest.h>

#include <cups/cups.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "platform/cups_spooler.h"
#include "support/scripted_device.h"
#include "support/stream_port.h"

extern char** environ;

namespace halvoran {
namespace {

namespace fs = std::filesystem;

constexpr const char* kCupsd = "/usr/sbin/cupsd";

std::string Shell(const std::string& command) {
    std::string out;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen((command + " 2>&1").c_str(), "r"), pclose);
    if (!pipe) return out;
    char chunk[512];
    while (size_t n = fread(chunk, 1, sizeof chunk, pipe.get())) out.append(chunk, n);
    return out;
}

void WriteFile(const fs::path& path, const std::string& text, fs::perms mode = fs::perms::owner_read |
                                                                              fs::perms::owner_write) {
    std::ofstream(path) << text;
    fs::permissions(path, mode);
}

// A cupsd of the test's own in a temporary folder. Stub backends named
// serial, parallel and usb let lpadmin accept those device URIs.
class PrivateCups {
public:
    bool Start(std::string& problem) {
        char pattern[] = "/tmp/halvoran-cups-XXXXXX";
        if (!mkdtemp(pattern)) return problem = "no temporary folder", false;
        dir_ = pattern;
        for (const char* sub : {"conf", "spool", "cache", "state", "log", "tmp", "bin/backend", "bin/filter"})
            fs::create_directories(dir_ / sub);
        for (const char* backend : {"serial", "parallel", "usb"})
            WriteFile(dir_ / "bin/backend" / backend, "#!/bin/sh\nexit 0\n", fs::perms::owner_all);
        socket_ = (dir_ / "cups.sock").string();
        WriteFile(dir_ / "conf/cupsd.conf", "Listen " + socket_ +
                                                "\nLogLevel warn\nBrowsing No\nWebInterface No\n"
                                                "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                                                "<Policy default>\n  <Limit All>\n    Order deny,allow\n"
                                                "  </Limit>\n</Policy>\n");
        const std::string d = dir_.string();
        WriteFile(dir_ / "conf/cups-files.conf",
                  "ServerRoot " + d + "/conf\nServerBin " + d + "/bin\nCacheDir " + d + "/cache\nStateDir " + d +
                      "/state\nRequestRoot " + d + "/spool\nTempDir " + d + "/tmp\nErrorLog " + d +
                      "/log/error_log\nAccessLog " + d + "/log/access_log\nPageLog " + d +
                      "/log/page_log\nFileDevice Yes\nSystemGroup root\n");
        setenv("CUPS_SERVER", socket_.c_str(), 1);
        cupsSetServer(socket_.c_str());

        const std::string conf = d + "/conf/cupsd.conf", files = d + "/conf/cups-files.conf";
        const char* argv[] = {kCupsd, "-f", "-c", conf.c_str(), "-s", files.c_str(), nullptr};
        if (posix_spawn(&pid_, kCupsd, nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
            return problem = "cupsd could not be started", false;
        for (int i = 0; i < 200; ++i) {
            if (Shell("lpstat -r").find("scheduler is running") != std::string::npos) return true;
            int status;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                break;
            }
            usleep(25000);
        }
        problem = "cupsd did not come up; its log: " + Shell("cat " + d + "/log/error_log | grep -v Filter");
        return false;
    }

    ~PrivateCups() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        cupsSetServer(nullptr);
        unsetenv("CUPS_SERVER");
        if (!dir_.empty()) fs::remove_all(dir_);
    }

private:
    fs::path dir_;
    std::string socket_;
    pid_t pid_ = -1;
};

std::string PrinterStatus(const std::string& name) { return Shell("lpstat -p " + name); }
std::string DeviceUri(const std::string& name) { return Shell("lpstat -v " + name); }
bool HeldByTool(const std::string& name) {
    std::string status = PrinterStatus(name);
    return status.find("disabled") != std::string::npos && status.find(kHeldMessage) != std::string::npos;
}
bool Enabled(const std::string& name) { return PrinterStatus(name).find("enabled") != std::string::npos; }

class CupsSpoolerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (access(kCupsd, X_OK) != 0) return;
        cups_ = new PrivateCups;
        std::string problem;
        if (!cups_->Start(problem)) startProblem_ = problem;
    }
    static void TearDownTestSuite() {
        delete cups_;
        cups_ = nullptr;
    }
    void SetUp() override {
        if (access(kCupsd, X_OK) != 0) GTEST_SKIP() << "cupsd is not installed (Debian package cups-daemon)";
        ASSERT_TRUE(startProblem_.empty()) << startProblem_;
    }
    // Makes a queue on uri, enabled and accepting (every test names its own).
    static void AddQueue(const std::string& name, const std::string& uri) {
        std::string out = Shell("lpadmin -p " + name + " -E -v '" + uri + "'");
        ASSERT_TRUE(Enabled(name)) << name << ": " << out;
    }

    VirtualTime time;
    test::ScriptedDevice device{time};
    ComMap comPorts;
    LptMap lptPorts;
    CupsSpooler spooler{comPorts, lptPorts};

    static inline PrivateCups* cups_ = nullptr;
    static inline std::string startProblem_;
};

TEST_F(CupsSpoolerTest, QueuesOnTheSerialPortAreHeldAndGivenBackExactly) {
    AddQueue("a-com2", "serial:/dev/ttyS1");
    AddQueue("b-com2-options", "serial:/dev/ttyS1?baud=9600");
    AddQueue("c-com2-file", "file:///dev/ttyS1");
    AddQueue("d-com3", "serial:/dev/ttyS2");
    AddQueue("e-usb", "usb://Acme/P1");
    AddQueue("f-moved", "serial:/dev/ttyS1");
    AddQueue("g-stopped", "serial:/dev/ttyS1");
    Shell("cupsdisable -r maintenance g-stopped");

    test::StreamPort port({&device, &time, &time, &spooler});
    port.PortNumber = 2;
    ASSERT_TRUE(port.ReleaseSpoolerPort());
    EXPECT_EQ(port.HeldPrinterCount, 4);
    for (const char* held : {"a-com2", "b-com2-options", "c-com2-file", "f-moved"}) EXPECT_TRUE(HeldByTool(held)) << held;
    for (const char* free : {"d-com3", "e-usb"}) EXPECT_TRUE(Enabled(free)) << free;
    EXPECT_NE(PrinterStatus("g-stopped").find("maintenance"), std::string::npos);

    // The user takes one queue back and points it at another port meanwhile.
    Shell("cupsenable f-moved; lpadmin -p f-moved -v serial:/dev/ttyS3");

    port.RestoreSpoolerPort();
    EXPECT_EQ(port.HeldPrinterCount, 0);
    for (const char* back : {"a-com2", "b-com2-options", "c-com2-file", "d-com3", "e-usb", "f-moved"})
        EXPECT_TRUE(Enabled(back)) << back;
    EXPECT_NE(DeviceUri("a-com2").find("serial:/dev/ttyS1"), std::string::npos);
    EXPECT_NE(DeviceUri("b-com2-options").find("serial:/dev/ttyS1?baud=9600"), std::string::npos);
    EXPECT_NE(DeviceUri("f-moved").find("serial:/dev/ttyS3"), std::string::npos);
    EXPECT_FALSE(Enabled("g-stopped"));
    EXPECT_NE(PrinterStatus("g-stopped").find("maintenance"), std::string::npos);
}

TEST_F(CupsSpoolerTest, ParallelPortQueuesAndAPortPointedElsewhere) {
    AddQueue("p-lpt1", "parallel:/dev/lp0");
    AddQueue("p-lpt1-ppdev", "file:/dev/parport0");
    AddQueue("p-lpt2", "parallel:/dev/lp1");
    test::StreamPort parallel({&device, &time, &time, &spooler});
    parallel.PortKind = kPortParallel;
    parallel.PortNumber = 1;
    ASSERT_TRUE(parallel.ReleaseSpoolerPort());
    EXPECT_TRUE(HeldByTool("p-lpt1"));
    EXPECT_TRUE(HeldByTool("p-lpt1-ppdev"));
    EXPECT_TRUE(Enabled("p-lpt2"));
    parallel.RestoreSpoolerPort();
    EXPECT_TRUE(Enabled("p-lpt1"));

    // COM9 pointed at another device: a queue on that device is on COM9.
    comPorts.Override(9, "/dev/ttyS7");
    AddQueue("s-com9", "serial:/dev/ttyS7");
    test::StreamPort serial({&device, &time, &time, &spooler});
    serial.PortNumber = 9;
    ASSERT_TRUE(serial.ReleaseSpoolerPort());
    EXPECT_EQ(serial.HeldPrinterCount, 1);
    serial.RestoreSpoolerPort();
    EXPECT_TRUE(Enabled("s-com9"));
}

TEST_F(CupsSpoolerTest, UsbTakesNoPartAndHoldsLeftByACrashAreResumedAtTheNextStart) {
    AddQueue("u-usb", "usb://Acme/P1");
    AddQueue("u-com1", "serial:/dev/ttyS0");
    test::StreamPort usb({&device, &time, &time, &spooler});
    usb.PortKind = kPortUsb;
    usb.PortNumber = 1;
    EXPECT_FALSE(usb.ReleaseSpoolerPort());
    EXPECT_TRUE(Enabled("u-usb"));
    EXPECT_TRUE(Enabled("u-com1"));

    {
        test::StreamPort killed({&device, &time, &time, &spooler});
        killed.PortNumber = 1;
        ASSERT_TRUE(killed.ReleaseSpoolerPort());
        EXPECT_TRUE(HeldByTool("u-com1"));
    }  // gone without giving the port back
    CupsSpooler nextRun(comPorts, lptPorts);
    EXPECT_EQ(nextRun.ResumeLeftoverHolds(), 1);
    EXPECT_TRUE(Enabled("u-com1"));
}

}  // namespace
}  // namespace halvoran
