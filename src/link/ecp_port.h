// CECP: the port for a printer on a parallel port (LPTn). The reverse channel
// is opened by an IEEE 1284 negotiation, which the printer acknowledges with
// ESC backslash; the device is reopened after every reply record.
#pragma once
#include "link/ciface.h"
#include "platform/lpt_map.h"
#include "platform/parallel_line.h"

namespace halvoran {

class CECP final : public CIface {
public:
    // The line is the port's device: it replaces env.Dev. The map must
    // outlive the port.
    CECP(PortEnv env, ParallelLine& line, const LptMap& ports);

    bool Configure(uint8_t portNumber, uint32_t readTimeout, uint32_t writeTimeout) override;
    bool Connect() override;
    bool Disconnect(uint8_t mode) override;
    bool ReadRecord(uint8_t* buffer, uint32_t& length) override;
    // Bounded by WriteTimeout as it stands at the call.
    bool Write(const uint8_t* data, uint32_t count) override;
    bool SetBidiMode(uint8_t on) override;
    bool Release() override;

protected:
    std::string FormDevicePath() override { return ports_.DevicePath(PortNumber); }

private:
    bool Negotiate();
    bool Reopen();

    ParallelLine& line_;
    const LptMap& ports_;
};

// How long the negotiation is retried, and the pause between attempts.
inline constexpr uint32_t kNegotiationLimitMs = 10000;
inline constexpr uint32_t kNegotiationRetryMs = 10;

}  // namespace halvoran
