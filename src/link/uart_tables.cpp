#include "link/uart_tables.h"

#include "platform/line_request.h"

namespace halvoran {

const std::array<BaudRow, kSerialRowCount> BaudTable = {{
    {"19200", 19200},
    {"9600", 9600},
    {"4800", 4800},
    {"2400", 2400},
    {"1200", 1200},
    {"600", 600},
}};

const std::array<FormatRow, kSerialRowCount> FormatTable = {{
    {"8Bit No   1Stop", 0x13},
    {"8Bit No   2Stop", 0x33},
    {"8Bit Even 1Stop", 0x03},
    {"8Bit Odd  1Stop", 0x07},
    {"8Bit Mark 1Stop", 0x0F},
    {"8Bit Spc  1Stop", 0x0B},
}};

uint8_t LineCodeParity(uint8_t code) {
    switch (code & 0x1C) {
        case 0x00: return kParityEven;
        case 0x04: return kParityOdd;
        case 0x08: return kParitySpace;
        case 0x0C: return kParityMark;
        default: return kParityNone;  // 0x10
    }
}

int ClampSerialRow(int selection) {
    return selection < 0 || selection >= kSerialRowCount ? kSerialRowCount - 1 : selection;
}

}  // namespace halvoran
