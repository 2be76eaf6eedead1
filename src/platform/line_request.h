// What the serial port asks of a line, in the terms of its settings tables,
// and how that maps onto a termios record.
#pragma once
#include <cstdint>

#include "platform/serial_line.h"

namespace halvoran {

// Parity codes of the serial settings.
enum ParityCode : uint8_t { kParityNone = 0, kParityOdd = 1, kParityEven = 2, kParityMark = 3, kParitySpace = 4 };
// Stop-bits codes: 0 one stop bit, 2 two stop bits.
inline constexpr uint8_t kOneStopBit = 0;
inline constexpr uint8_t kTwoStopBits = 2;

inline constexpr uint8_t kXonChar = 0x11;
inline constexpr uint8_t kXoffChar = 0x13;

struct LineRequest {
    uint32_t Baud;
    uint8_t Parity;
    uint8_t StopBits;
    uint8_t DataBits;
    bool OutXonXoff;  // honour XON/XOFF from the far end (download mode)
};

// Rewrites config so the line carries the request: speed, character size,
// parity (mark and space through CMSPAR), parity checking exactly for odd and
// mark, stop bits, raw binary transfer, no hardware flow control, the far
// end's XON/XOFF honoured only when asked, never sent by us. Fields with no
// counterpart in the request stay as read. False, with config unchanged, for a
// speed, size, parity or stop-bits code the line cannot carry.
bool MapLineRequest(LineConfig& config, const LineRequest& request);

}  // namespace halvoran
