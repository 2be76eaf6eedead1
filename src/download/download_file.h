// Upload files for the printer: loading one whole into memory and checking
// the envelope of a firmware or a configuration file.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace halvoran {

enum DownloadModeValue : uint8_t { kDownloadFirmware = 1, kDownloadConfig = 2 };

// Longest upload path accepted; a longer one is refused, never shortened.
inline constexpr size_t kMaxDownloadPath = 260;

// ESC ] "V25MIHI" 00 29 ESC backslash.
inline constexpr std::array<uint8_t, 13> FirmwareSignature{0x1B, 0x5D, 0x56, 0x32, 0x35, 0x4D, 0x49,
                                                           0x48, 0x49, 0x00, 0x29, 0x1B, 0x5C};
// ESC ] "V25MiHi".
inline constexpr std::array<uint8_t, 9> ConfigSignature{0x1B, 0x5D, 0x56, 0x32, 0x35, 0x4D, 0x69, 0x48, 0x69};

// The loaded upload file: one block of exactly Size bytes, in file order.
struct DownloadImage {
    std::unique_ptr<uint8_t[]> Data;
    uint32_t Size = 0;

    void Release() {
        Data.reset();
        Size = 0;
    }
};

// Reads the whole file into image. False for an empty, too long, missing or
// unreadable path, or a file held open for writing; image is then empty.
bool LoadDownloadFile(const std::string& path, DownloadImage& image);
// The firmware envelope: signature, type tag, and a length field that
// accounts exactly for the file's size.
bool CheckFirmwareFile(const DownloadImage& image);
// The configuration envelope: signature, length field matching the size,
// and the trailer ESC backslash.
bool CheckConfigFile(const DownloadImage& image);

}  // namespace halvoran
