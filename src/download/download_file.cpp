#include "download/download_file.h"

#include <algorithm>
#include <cstring>

#include "platform/file_block.h"

namespace halvoran {

namespace {

// Where a firmware type's length field lies and what the file holds beyond it.
struct FirmwareType {
    char Tag[3];
    uint32_t LengthOffset;
    uint32_t SizeBeyondLength;
};

// Compared in this order.
constexpr FirmwareType kFirmwareTypes[] = {
    {{'F', 'L', 'A'}, 33, 37},
    {{'F', 'L', 'M'}, 34, 38},
    {{'M', 'O', 'N'}, 34, 46},
    {{'F', 'R', 'M'}, 33, 41},
};

constexpr uint32_t kTagOffset = 13;
constexpr uint32_t kConfigHeaderSize = 13;
constexpr uint32_t kConfigEnvelopeSize = 15;  // header and trailer

template <size_t N>
bool StartsWith(const DownloadImage& image, const std::array<uint8_t, N>& prefix) {
    return image.Data && image.Size >= N && std::equal(prefix.begin(), prefix.end(), image.Data.get());
}

}  // namespace

bool LoadDownloadFile(const std::string& path, DownloadImage& image) {
    image.Release();
    if (path.empty() || path.size() > kMaxDownloadPath) return false;
    return ReadFileBlock(path, image.Data, image.Size);
}

bool CheckFirmwareFile(const DownloadImage& image) {
    if (!StartsWith(image, FirmwareSignature)) return false;
    if (image.Size < kTagOffset + 3) return false;
    const uint8_t* bytes = image.Data.get();
    for (const FirmwareType& type : kFirmwareTypes) {
        if (std::memcmp(bytes + kTagOffset, type.Tag, 3) != 0) continue;
        if (image.Size < type.LengthOffset + 4) return false;
        const uint8_t* field = bytes + type.LengthOffset;
        const uint64_t length = field[0] | field[1] << 8 | field[2] << 16 | uint64_t{field[3]} << 24;
        return image.Size == length + type.SizeBeyondLength;
    }
    return false;
}

bool CheckConfigFile(const DownloadImage& image) {
    if (!StartsWith(image, ConfigSignature) || image.Size < kConfigHeaderSize) return false;
    const uint8_t* bytes = image.Data.get();
    const uint32_t length = bytes[11] | bytes[12] << 8;
    if (image.Size != length + kConfigEnvelopeSize) return false;
    return bytes[image.Size - 2] == 0x1B && bytes[image.Size - 1] == 0x5C;
}

}  // namespace halvoran
