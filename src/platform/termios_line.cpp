#include "platform/termios_line.h"

#include <sys/ioctl.h>

#include <cstring>

namespace halvoran {

namespace {

// The parts of a termios record that carry the line's behaviour; tcsetattr
// reports success when any change was made, so these are read back and compared.
bool SameLine(const termios& want, const termios& got) {
    constexpr tcflag_t kCflags = CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS | CLOCAL | CREAD;
    constexpr tcflag_t kIflags = IXON | IXOFF | IXANY | INPCK | ISTRIP | IGNPAR | PARMRK;
    return (want.c_cflag & kCflags) == (got.c_cflag & kCflags) &&
           (want.c_iflag & kIflags) == (got.c_iflag & kIflags) &&
           cfgetospeed(&want) == cfgetospeed(&got) && cfgetispeed(&want) == cfgetispeed(&got) &&
           want.c_cc[VSTART] == got.c_cc[VSTART] && want.c_cc[VSTOP] == got.c_cc[VSTOP];
}

}  // namespace

bool TermiosLine::GetConfig(LineConfig& config) {
    std::memset(&config, 0, sizeof config);
    return device_.Fd() >= 0 && ::tcgetattr(device_.Fd(), &config) == 0;
}

bool TermiosLine::SetConfig(const LineConfig& config) {
    const int fd = device_.Fd();
    if (fd < 0 || ::tcsetattr(fd, TCSANOW, &config) != 0) return false;
    termios now{};
    return ::tcgetattr(fd, &now) == 0 && SameLine(config, now);
}

bool TermiosLine::SetModemLines(bool dtr, bool rts) {
    const int fd = device_.Fd();
    if (fd < 0) return false;
    int on = (dtr ? TIOCM_DTR : 0) | (rts ? TIOCM_RTS : 0);
    int off = (dtr ? 0 : TIOCM_DTR) | (rts ? 0 : TIOCM_RTS);
    bool ok = true;
    if (on && ::ioctl(fd, TIOCMBIS, &on) != 0) ok = false;
    if (off && ::ioctl(fd, TIOCMBIC, &off) != 0) ok = false;
    return ok;
}

bool TermiosLine::Purge() { return device_.Fd() >= 0 && ::tcflush(device_.Fd(), TCIOFLUSH) == 0; }

}  // namespace halvoran
