// The rows of the serial settings lists: baud rates and line formats.
#pragma once
#include <array>
#include <cstdint>

namespace halvoran {

inline constexpr int kSerialRowCount = 6;

struct BaudRow {
    const char* Text;
    uint32_t Baud;
};

struct FormatRow {
    const char* Text;  // padded to 15 characters
    uint8_t LineCode;
};

extern const std::array<BaudRow, kSerialRowCount> BaudTable;
extern const std::array<FormatRow, kSerialRowCount> FormatTable;

// The fields a format row's line code stands for: bits 0-1 give 8 data bits,
// bit 5 two stop bits, bits 2-4 the parity.
constexpr uint8_t LineCodeDataBits(uint8_t) { return 8; }
constexpr uint8_t LineCodeStopBits(uint8_t code) { return static_cast<uint8_t>((code >> 4) & 2); }
uint8_t LineCodeParity(uint8_t code);

// A list selection as a table row: anything outside 0..5, also the -1 (or 255)
// of a list with no selection, is row 5.
int ClampSerialRow(int selection);

}  // namespace halvoran
