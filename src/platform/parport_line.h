// ParallelLine over Linux ppdev (/dev/parportN): Open claims the port
// (PPCLAIM), Close releases it (PPRELEASE), Negotiate uses PPNEGOT.
// The descriptor is non-blocking; reads and writes retry in short sleeps
// because ppdev reports readiness through poll only with interrupts on.
#pragma once
#include "platform/clock.h"
#include "platform/parallel_line.h"

namespace halvoran {

class ParportLine final : public ParallelLine {
public:
    ParportLine(Clock& clock, Sleeper& sleeper) : clock_(clock), sleeper_(sleeper) {}
    ~ParportLine() override;
    ParportLine(const ParportLine&) = delete;
    ParportLine& operator=(const ParportLine&) = delete;

    bool Open(const std::string& path) override;
    void Close() override;
    bool IsOpen() const override { return fd_ >= 0; }
    long Read(uint8_t* buffer, size_t n, uint32_t timeoutMs) override;
    // A plain write, bounded like the port's default write time-out.
    bool Write(const uint8_t* data, size_t n) override;
    // ppdev keeps no buffer of its own on the PC side.
    bool Flush() override { return IsOpen(); }
    NegotiationResult Negotiate(NegotiationMasks request) override;
    bool WriteWithin(const uint8_t* data, size_t n, uint32_t timeoutMs) override;

private:
    // Sleeps one retry step unless timeoutMs has passed since start.
    bool WaitStep(uint32_t start, uint32_t timeoutMs);

    Clock& clock_;
    Sleeper& sleeper_;
    int fd_ = -1;
};

}  // namespace halvoran
