// The link frames: ModeCommand, RequestFrame and ResponseRecord headers.
// All lengths are big-endian.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

namespace halvoran {

inline constexpr size_t kModeCommandSize = 10;
inline constexpr size_t kCommandBlockSize = 64;
inline constexpr size_t kRecordHeaderSize = 4;
inline constexpr size_t kRequestHeaderSize = 12;  // ModeCommand + 2 length bytes
inline constexpr size_t kFrameTrailerSize = 2;     // ESC backslash

inline constexpr uint8_t kModeConnect = 0x15;
inline constexpr uint8_t kModeDisconnect = 0x16;
inline constexpr uint8_t kModeDownload = 0x55;
inline constexpr uint8_t kModeRequest = 0x7A;

inline constexpr uint8_t kMarkerFirst = 0x55;
inline constexpr uint8_t kMarkerSecond = 0xAA;
inline constexpr uint8_t kEsc = 0x1B;
inline constexpr uint8_t kBackslash = 0x5C;

using ModeCommand = std::array<uint8_t, kModeCommandSize>;
using CommandBlock = std::array<uint8_t, kCommandBlockSize>;

// GS SUB ESC FS GS "MODE" followed by the code.
constexpr ModeCommand MakeModeCommand(uint8_t code) {
    return {0x1D, 0x1A, 0x1B, 0x1C, 0x1D, 'M', 'O', 'D', 'E', code};
}

// The 10 command bytes followed by 54 zero bytes.
constexpr CommandBlock MakeCommandBlock(uint8_t code) {
    CommandBlock block{};
    ModeCommand command = MakeModeCommand(code);
    for (size_t i = 0; i < command.size(); ++i) block[i] = command[i];
    return block;
}

struct RecordHeader {
    uint16_t Length;
    bool Marker;  // 0x55 0xAA: the request made the printer schedule a reset
};

constexpr RecordHeader ParseRecordHeader(const uint8_t* header) {
    return {static_cast<uint16_t>(header[0] << 8 | header[1]),
            header[2] == kMarkerFirst && header[3] == kMarkerSecond};
}

constexpr void PutBigEndian16(uint8_t* at, uint16_t value) {
    at[0] = static_cast<uint8_t>(value >> 8);
    at[1] = static_cast<uint8_t>(value & 0xFF);
}

}  // namespace halvoran
