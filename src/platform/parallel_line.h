// A parallel port line with IEEE 1284 negotiation, as the parallel printer
// port needs it. The line is also the port's byte device: Open claims the
// port, Close releases it, reads use the negotiated reverse channel.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/device.h"

namespace halvoran {

// IEEE 1284 modes in the layout of the negotiation masks.
inline constexpr uint16_t kChannelNibble = 0x0008;      // reverse (read) mask
inline constexpr uint16_t kIeeeCompatibility = 0x0002;  // forward (write) mask

struct NegotiationMasks {
    uint16_t ReadMask = 0;
    uint16_t WriteMask = 0;
};

enum class NegotiateStatus {
    Done,          // the driver answered; Granted tells what it set
    NotConnected,  // no IEEE 1284 peripheral answered; Granted as last written
    Failed,        // any other failure
};

struct NegotiationResult {
    NegotiateStatus Status = NegotiateStatus::Failed;
    NegotiationMasks Granted;
};

// True when the driver answered and granted a requested mode in either direction.
inline bool IsGranted(const NegotiationResult& answer, NegotiationMasks request) {
    return answer.Status != NegotiateStatus::Failed &&
           ((answer.Granted.ReadMask & request.ReadMask) || (answer.Granted.WriteMask & request.WriteMask));
}

class ParallelLine : public Device {
public:
    // Asks for the reverse modes of request.ReadMask and the forward modes of
    // request.WriteMask; reports the modes granted.
    virtual NegotiationResult Negotiate(NegotiationMasks request) = 0;
    // Writes all n bytes unless timeoutMs runs out first; a write that does
    // not finish in time is abandoned and reported as failed.
    virtual bool WriteWithin(const uint8_t* data, size_t n, uint32_t timeoutMs) = 0;
};

}  // namespace halvoran
