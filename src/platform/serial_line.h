// Line settings of a serial device: read and write its whole configuration,
// set the modem control lines, drop buffered data. On Linux the configuration
// is a termios record.
#pragma once
#include <termios.h>

#include <cstdint>

namespace halvoran {

using LineConfig = termios;

class SerialLine {
public:
    virtual ~SerialLine() = default;
    // The device's current configuration; false when it cannot be read.
    virtual bool GetConfig(LineConfig& config) = 0;
    // Writes the configuration; true only when the device carries all of it.
    virtual bool SetConfig(const LineConfig& config) = 0;
    // Holds DTR and RTS at the given levels; false when the device has no
    // modem lines (a pseudo-terminal) or refuses.
    virtual bool SetModemLines(bool dtr, bool rts) = 0;
    // Drops both buffers: pending output is discarded, unread input too.
    virtual bool Purge() = 0;
};

}  // namespace halvoran
