#include "pty_link.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace halvoran::sim {

namespace {

constexpr int kIdlePollMs = 20;  // how often time-driven printer events are looked at
constexpr double kBurstBytes = 64;

// Byte budget of one direction at a line rate: baud/10 bytes per second (8N1).
class Pacer {
public:
    explicit Pacer(uint32_t baud) : rate_(baud / 10.0), last_(std::chrono::steady_clock::now()) {}
    size_t Allowance() {
        if (rate_ <= 0) return SIZE_MAX;
        auto now = std::chrono::steady_clock::now();
        tokens_ = std::min(kBurstBytes, tokens_ + rate_ * std::chrono::duration<double>(now - last_).count());
        last_ = now;
        return static_cast<size_t>(tokens_);
    }
    void Spend(size_t n) {
        if (rate_ > 0) tokens_ -= static_cast<double>(n);
    }
    // Milliseconds until at least one byte may pass.
    int WaitMs() const { return rate_ <= 0 || tokens_ >= 1 ? 0 : std::max(1, static_cast<int>(1000.0 / rate_)); }

private:
    double rate_;
    double tokens_ = 0;
    std::chrono::steady_clock::time_point last_;
};

}  // namespace

PtyLink::~PtyLink() { CloseAll(); }

void PtyLink::CloseAll() {
    if (!linkPath_.empty()) {
        ::unlink(linkPath_.c_str());
        linkPath_.clear();
    }
    if (slaveHold_ >= 0) ::close(slaveHold_);
    if (master_ >= 0) ::close(master_);
    slaveHold_ = master_ = -1;
}

bool PtyLink::Open(const std::string& linkPath, std::string& problem) {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        problem = std::string("cannot open a pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    char name[256];
    if (::ptsname_r(master_, name, sizeof name) != 0) {
        problem = "cannot name the pseudo-terminal";
        return false;
    }
    slavePath_ = name;
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    // Raw: the line discipline must not echo, translate or buffer lines.
    termios raw{};
    ::tcgetattr(master_, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(master_, TCSANOW, &raw);
    slaveHold_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slaveHold_ >= 0) {
        ::tcgetattr(slaveHold_, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(slaveHold_, TCSANOW, &raw);
    }
    if (!linkPath.empty()) {
        struct stat info;
        if (::lstat(linkPath.c_str(), &info) == 0) {
            if (!S_ISLNK(info.st_mode)) {
                problem = linkPath + " exists and is not a symbolic link; not replacing it";
                return false;
            }
            ::unlink(linkPath.c_str());
        }
        if (::symlink(name, linkPath.c_str()) != 0) {
            problem = "cannot make the link " + linkPath + ": " + std::strerror(errno);
            return false;
        }
        linkPath_ = linkPath;
    }
    return true;
}

void PtyLink::Run(PrinterSim& printer, uint32_t baud, const std::atomic<bool>& stop) {
    Pacer inbound(baud), outbound(baud);
    std::vector<uint8_t> pending;  // taken from the printer, not yet accepted by the line
    uint8_t buffer[4096];
    while (!stop) {
        if (master_ < 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            continue;
        }
        if (printer.LineDropped() && pending.empty()) {
            // The fault: hang up. The tool's reads and writes fail from now on.
            ::close(master_);
            if (slaveHold_ >= 0) ::close(slaveHold_);
            master_ = slaveHold_ = -1;
            continue;
        }
        int timeout = kIdlePollMs;
        if (std::optional<uint32_t> due = printer.MsUntilOutput()) timeout = std::min<int>(timeout, static_cast<int>(*due));
        if (!pending.empty()) timeout = std::min(timeout, std::max(outbound.WaitMs(), 1));
        const bool canRead = inbound.Allowance() > 0;
        if (!canRead) timeout = std::min(timeout, std::max(inbound.WaitMs(), 1));
        pollfd p{master_, static_cast<short>(canRead ? POLLIN : 0), 0};
        int ready = ::poll(&p, 1, timeout);
        if (ready < 0 && errno != EINTR) break;
        if (ready > 0 && (p.revents & POLLIN)) {
            size_t want = std::min(sizeof buffer, inbound.Allowance());
            ssize_t got = ::read(master_, buffer, want);
            if (got > 0) {
                inbound.Spend(static_cast<size_t>(got));
                printer.Feed(buffer, static_cast<size_t>(got));
            }
        }
        if (ready > 0 && (p.revents & POLLHUP)) std::this_thread::sleep_for(std::chrono::milliseconds(kIdlePollMs));
        printer.Tick();
        size_t room = sizeof buffer;
        size_t taken = printer.TakeOutput(buffer, room);
        pending.insert(pending.end(), buffer, buffer + taken);
        if (!pending.empty()) {
            size_t allowed = std::min(pending.size(), outbound.Allowance());
            if (allowed > 0) {
                ssize_t put = ::write(master_, pending.data(), allowed);
                if (put > 0) {
                    outbound.Spend(static_cast<size_t>(put));
                    pending.erase(pending.begin(), pending.begin() + put);
                }
            }
        }
    }
    CloseAll();
}

}  // namespace halvoran::sim
