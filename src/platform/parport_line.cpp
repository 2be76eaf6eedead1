#include "platform/parport_line.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace halvoran {

namespace {

constexpr uint32_t kRetryStepMs = 5;
constexpr uint32_t kPlainWriteLimitMs = 10000;

bool Retryable(int error) { return error == EAGAIN || error == EINTR; }

}  // namespace

ParportLine::~ParportLine() { Close(); }

bool ParportLine::Open(const std::string& path) {
    if (fd_ >= 0 || path.empty()) return false;
    int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    if (::ioctl(fd, PPCLAIM) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

void ParportLine::Close() {
    if (fd_ < 0) return;
    ::ioctl(fd_, PPRELEASE);
    ::close(fd_);
    fd_ = -1;
}

bool ParportLine::WaitStep(uint32_t start, uint32_t timeoutMs) {
    uint32_t spent = clock_.NowMs() - start;
    if (spent >= timeoutMs) return false;
    sleeper_.SleepMs(std::min(kRetryStepMs, timeoutMs - spent));
    return true;
}

long ParportLine::Read(uint8_t* buffer, size_t n, uint32_t timeoutMs) {
    if (fd_ < 0) return -1;
    if (n == 0) return 0;
    const uint32_t start = clock_.NowMs();
    while (true) {
        ssize_t got = ::read(fd_, buffer, n);
        if (got > 0) return got;
        if (got < 0 && !Retryable(errno)) return -1;
        if (!WaitStep(start, timeoutMs)) return 0;
    }
}

bool ParportLine::WriteWithin(const uint8_t* data, size_t n, uint32_t timeoutMs) {
    if (fd_ < 0) return false;
    const uint32_t start = clock_.NowMs();
    size_t done = 0;
    while (done < n) {
        ssize_t put = ::write(fd_, data + done, n - done);
        if (put > 0) {
            done += static_cast<size_t>(put);
            continue;
        }
        if (put < 0 && !Retryable(errno)) return false;
        // The printer is not taking data: try again until the time is up.
        if (!WaitStep(start, timeoutMs)) return false;
    }
    return true;
}

bool ParportLine::Write(const uint8_t* data, size_t n) { return WriteWithin(data, n, kPlainWriteLimitMs); }

NegotiationResult ParportLine::Negotiate(NegotiationMasks request) {
    NegotiationResult result;
    if (fd_ < 0) return result;
    bool notConnected = false;
    if (request.ReadMask & kChannelNibble) {
        int mode = IEEE1284_MODE_NIBBLE;
        if (::ioctl(fd_, PPNEGOT, &mode) == 0) {
            result.Granted.ReadMask |= kChannelNibble;
        } else if (errno == EIO) {
            notConnected = true;  // no IEEE 1284 peripheral answered the handshake
        } else if (errno != ENXIO) {  // ENXIO: the peripheral refused the mode
            return result;
        }
    }
    if (request.WriteMask & kIeeeCompatibility) {
        // Back to compatibility mode for forward transfers; the kernel
        // negotiates nibble mode again for each read.
        int mode = IEEE1284_MODE_COMPAT;
        if (::ioctl(fd_, PPNEGOT, &mode) != 0) return result;
        result.Granted.WriteMask |= kIeeeCompatibility;
    }
    result.Status = notConnected ? NegotiateStatus::NotConnected : NegotiateStatus::Done;
    return result;
}

}  // namespace halvoran
