#include "platform/line_request.h"

namespace halvoran {

namespace {

bool SpeedOf(uint32_t baud, speed_t& speed) {
    static constexpr struct {
        uint32_t Baud;
        speed_t Speed;
    } kSpeeds[] = {{600, B600},     {1200, B1200},   {2400, B2400},   {4800, B4800},    {9600, B9600},
                   {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200}};
    for (const auto& row : kSpeeds) {
        if (row.Baud == baud) {
            speed = row.Speed;
            return true;
        }
    }
    return false;
}

bool SizeOf(uint8_t dataBits, tcflag_t& size) {
    switch (dataBits) {
        case 5: size = CS5; return true;
        case 6: size = CS6; return true;
        case 7: size = CS7; return true;
        case 8: size = CS8; return true;
        default: return false;
    }
}

bool ParityFlags(uint8_t parity, tcflag_t& flags) {
    switch (parity) {
        case kParityNone: flags = 0; return true;
        case kParityOdd: flags = PARENB | PARODD; return true;
        case kParityEven: flags = PARENB; return true;
        case kParityMark: flags = PARENB | CMSPAR | PARODD; return true;
        case kParitySpace: flags = PARENB | CMSPAR; return true;
        default: return false;
    }
}

}  // namespace

bool MapLineRequest(LineConfig& config, const LineRequest& request) {
    speed_t speed;
    tcflag_t size, parity;
    if (!SpeedOf(request.Baud, speed) || !SizeOf(request.DataBits, size) || !ParityFlags(request.Parity, parity))
        return false;
    if (request.StopBits != kOneStopBit && request.StopBits != kTwoStopBits) return false;

    LineConfig next = config;
    cfsetospeed(&next, speed);
    cfsetispeed(&next, speed);

    next.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    next.c_cflag |= size | parity | CLOCAL | CREAD;
    if (request.StopBits == kTwoStopBits) next.c_cflag |= CSTOPB;

    // Binary transfer: no translation, no stripping, no marking of bad bytes.
    next.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY |
                      INPCK | IGNPAR);
    if (request.Parity & 1) next.c_iflag |= INPCK;  // checking on for odd and mark only
    if (request.OutXonXoff) next.c_iflag |= IXON;
    next.c_oflag &= ~OPOST;
    next.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);

    next.c_cc[VSTART] = kXonChar;
    next.c_cc[VSTOP] = kXoffChar;
    // Reads wait in poll with the port's own time-out; a read returns what is there.
    next.c_cc[VMIN] = 0;
    next.c_cc[VTIME] = 0;

    config = next;
    return true;
}

}  // namespace halvoran
