// The envelopes of the files uploaded to the printer: firmware files and
// configuration files, and the command that ends a configuration upload.
// The printer sees an upload as a raw byte stream, so the envelope is read
// from its first bytes as they arrive.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace halvoran::sim {

// ESC ] "V25MIHI" 0x00 0x29 ESC backslash
inline constexpr std::array<uint8_t, 13> kFirmwareSignature = {0x1B, 0x5D, 0x56, 0x32, 0x35, 0x4D, 0x49,
                                                                0x48, 0x49, 0x00, 0x29, 0x1B, 0x5C};
// ESC ] "V25MiHi"
inline constexpr std::array<uint8_t, 9> kConfigSignature = {0x1B, 0x5D, 0x56, 0x32, 0x35, 0x4D, 0x69, 0x48, 0x69};
// ESC ] "V25MiHi" 0x00 0x12 ESC backslash
inline constexpr std::array<uint8_t, 13> kConfigFinishCommand = {0x1B, 0x5D, 0x56, 0x32, 0x35, 0x4D, 0x69,
                                                                  0x48, 0x69, 0x00, 0x12, 0x1B, 0x5C};
inline constexpr size_t kConfigHeaderSize = 13;
inline constexpr size_t kConfigOverhead = 15;  // header and trailer
// Firmware larger than this is refused instead of being held in memory.
inline constexpr uint64_t kMaxFirmwareSize = 64u << 20;

enum class EnvelopeVerdict { NeedMore, Firmware, Config, ConfigFinish, Invalid };

struct EnvelopeHead {
    EnvelopeVerdict Verdict = EnvelopeVerdict::NeedMore;
    uint64_t TotalSize = 0;  // whole file in bytes (Firmware, Config)
    std::string Tag;         // firmware type tag
    std::string Problem;     // why the start is not a valid envelope
};

// Looks at the first n bytes of an upload. The 13 bytes of the finish
// command are always taken as that command (read as a configuration header
// they would announce 23579 bytes after format bytes 00 12, which no saved
// configuration carries).
EnvelopeHead InspectEnvelope(const uint8_t* data, size_t n);

// Whether a whole configuration file (TotalSize bytes) ends with ESC backslash.
bool HasConfigTrailer(const uint8_t* data, size_t size);
std::string_view ConfigBody(const std::vector<uint8_t>& file);

// Builds a configuration file around a body of at most 65535 bytes; bytes 9
// and 10 carry the format version 1.
std::vector<uint8_t> MakeConfigFile(std::string_view body);
// Builds a firmware file of one of the four tags with bodySize bytes after the
// length field (the length field counts what the tag's rule requires).
std::vector<uint8_t> MakeFirmwareFile(std::string_view tag, uint32_t bodySize);

}  // namespace halvoran::sim
