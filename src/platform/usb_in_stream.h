// Bulk IN transfers as device reads. A transfer always asks for whole
// packets (a smaller request would overflow on a full packet); bytes beyond
// what the caller asked for are kept for the next read.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace halvoran {

class UsbInStream {
public:
    // One bulk IN transfer of up to n bytes within timeoutMs: the byte count
    // (0 when nothing came in time) or -1 on an error.
    using Transfer = std::function<long(uint8_t* buffer, size_t n, uint32_t timeoutMs)>;

    UsbInStream(Transfer transfer, size_t packetSize);
    // Up to n bytes of the printer's current message, as one device read
    // delivers them: kept bytes first, then transfers while the message goes on.
    long Read(uint8_t* buffer, size_t n, uint32_t timeoutMs);
    // Drops kept bytes (a new device was opened).
    void Reset(size_t packetSize);

private:
    size_t TakeKept(uint8_t* buffer, size_t n);

    Transfer transfer_;
    size_t packetSize_;
    std::vector<uint8_t> kept_;
    size_t keptAt_ = 0;
    bool moreFollows_ = false;  // the last transfer ended on a full packet
    std::vector<uint8_t> scratch_;
};

}  // namespace halvoran
