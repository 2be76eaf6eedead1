#include "platform/fd_device.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace halvoran {

FdDevice::~FdDevice() { Close(); }

bool FdDevice::Open(const std::string& path) {
    if (fd_ >= 0) return false;
    // Non-blocking so that reads and writes wait only in poll, with a time-out.
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    return fd_ >= 0;
}

void FdDevice::Close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

long FdDevice::Read(uint8_t* buffer, size_t n, uint32_t timeoutMs) {
    if (fd_ < 0) return -1;
    if (n == 0) return 0;
    pollfd p{fd_, POLLIN, 0};
    int ready;
    do {
        ready = ::poll(&p, 1, static_cast<int>(timeoutMs));
    } while (ready < 0 && errno == EINTR);
    if (ready < 0) return -1;
    if (ready == 0) return 0;
    ssize_t got = ::read(fd_, buffer, n);
    if (got < 0) return (errno == EAGAIN || errno == EINTR) ? 0 : -1;
    if (got == 0 && (p.revents & (POLLHUP | POLLERR))) return -1;
    return got;
}

bool FdDevice::Write(const uint8_t* data, size_t n) {
    if (fd_ < 0) return false;
    size_t done = 0;
    while (done < n) {
        ssize_t put = ::write(fd_, data + done, n - done);
        if (put > 0) {
            done += static_cast<size_t>(put);
            continue;
        }
        if (put < 0 && errno != EAGAIN && errno != EINTR) return false;
        // The device buffer is full: wait until it drains, at most 10 s per step.
        pollfd p{fd_, POLLOUT, 0};
        int ready = ::poll(&p, 1, 10000);
        if (ready == 0 || (ready < 0 && errno != EINTR)) return false;
        if (p.revents & (POLLERR | POLLHUP | POLLNVAL)) return false;
    }
    return true;
}

bool FdDevice::Flush() {
    if (fd_ < 0) return false;
    if (::isatty(fd_)) return ::tcdrain(fd_) == 0;
    return true;
}

}  // namespace halvoran
