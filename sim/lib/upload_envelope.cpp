#include "upload_envelope.h"

#include <algorithm>
#include <cstring>

namespace halvoran::sim {

namespace {

struct TagRule {
    std::string_view Tag;
    size_t LengthAt;  // offset of the 32-bit little-endian length
    uint32_t Extra;   // accepted size = length + Extra
};
constexpr TagRule kTagRules[] = {{"FLA", 33, 37}, {"FLM", 34, 38}, {"MON", 34, 46}, {"FRM", 33, 41}};

const TagRule* FindTag(std::string_view tag) {
    for (const TagRule& rule : kTagRules)
        if (rule.Tag == tag) return &rule;
    return nullptr;
}

// Whether the n bytes agree with the start of a signature (as far as both go).
template <size_t N>
bool AgreesWith(const uint8_t* data, size_t n, const std::array<uint8_t, N>& signature) {
    return std::memcmp(data, signature.data(), std::min(n, N)) == 0;
}

EnvelopeHead Invalid(std::string problem) { return {EnvelopeVerdict::Invalid, 0, {}, std::move(problem)}; }

EnvelopeHead InspectFirmware(const uint8_t* data, size_t n) {
    if (n < kFirmwareSignature.size()) return {};
    if (!AgreesWith(data, n, kFirmwareSignature)) return Invalid("firmware signature does not match");
    if (n < 16) return {};
    std::string tag(reinterpret_cast<const char*>(data + 13), 3);
    const TagRule* rule = FindTag(tag);
    if (!rule) return Invalid("unknown firmware type tag");
    if (n < rule->LengthAt + 4) return {};
    const uint8_t* at = data + rule->LengthAt;
    uint64_t length = at[0] | at[1] << 8 | at[2] << 16 | static_cast<uint64_t>(at[3]) << 24;
    uint64_t total = length + rule->Extra;
    if (total > kMaxFirmwareSize) return Invalid("firmware larger than " + std::to_string(kMaxFirmwareSize) + " bytes");
    return {EnvelopeVerdict::Firmware, total, tag, {}};
}

}  // namespace

EnvelopeHead InspectEnvelope(const uint8_t* data, size_t n) {
    const bool maybeFirmware = AgreesWith(data, n, kFirmwareSignature);
    const bool maybeConfig = AgreesWith(data, n, kConfigSignature);
    if (!maybeFirmware && !maybeConfig) return Invalid("no firmware or configuration signature");
    if (maybeFirmware && n < kConfigSignature.size()) return {};
    if (maybeFirmware) return InspectFirmware(data, n);
    if (n < kConfigHeaderSize) return {};
    if (std::memcmp(data, kConfigFinishCommand.data(), kConfigFinishCommand.size()) == 0)
        return {EnvelopeVerdict::ConfigFinish, kConfigFinishCommand.size(), {}, {}};
    uint64_t length = data[11] | data[12] << 8;
    return {EnvelopeVerdict::Config, length + kConfigOverhead, {}, {}};
}

bool HasConfigTrailer(const uint8_t* data, size_t size) {
    return size >= kConfigOverhead && data[size - 2] == 0x1B && data[size - 1] == 0x5C;
}

std::string_view ConfigBody(const std::vector<uint8_t>& file) {
    if (file.size() < kConfigOverhead) return {};
    return {reinterpret_cast<const char*>(file.data()) + kConfigHeaderSize, file.size() - kConfigOverhead};
}

std::vector<uint8_t> MakeConfigFile(std::string_view body) {
    body = body.substr(0, 0xFFFF);
    std::vector<uint8_t> file(kConfigSignature.begin(), kConfigSignature.end());
    file.push_back(0x01);
    file.push_back(0x00);
    file.push_back(static_cast<uint8_t>(body.size() & 0xFF));
    file.push_back(static_cast<uint8_t>(body.size() >> 8));
    file.insert(file.end(), body.begin(), body.end());
    file.push_back(0x1B);
    file.push_back(0x5C);
    return file;
}

std::vector<uint8_t> MakeFirmwareFile(std::string_view tag, uint32_t bodySize) {
    const TagRule* rule = FindTag(tag);
    if (!rule) return {};
    std::vector<uint8_t> file(kFirmwareSignature.begin(), kFirmwareSignature.end());
    file.insert(file.end(), tag.begin(), tag.end());
    file.resize(rule->LengthAt, ' ');
    // The body must at least cover what the tag's size rule adds beyond the length field.
    bodySize = std::max<uint32_t>(bodySize, rule->Extra - static_cast<uint32_t>(rule->LengthAt + 4));
    const uint32_t total = static_cast<uint32_t>(rule->LengthAt) + 4 + bodySize;
    const uint32_t length = total - rule->Extra;
    for (int shift = 0; shift < 32; shift += 8) file.push_back(static_cast<uint8_t>(length >> shift));
    for (uint32_t i = 0; i < bodySize; ++i) file.push_back(static_cast<uint8_t>(i * 7 + 1));
    return file;
}

}  // namespace halvoran::sim
