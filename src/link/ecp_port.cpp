#include "link/ecp_port.h"

namespace halvoran {

namespace {

constexpr uint32_t kParallelTimeoutMs = 10000;
constexpr uint32_t kAckSize = 2;

}  // namespace

CECP::CECP(PortEnv env, ParallelLine& line, const LptMap& ports)
    : CIface(kPortParallel, kParallelTimeoutMs, WithDevice(env, line)), line_(line), ports_(ports) {}

bool CECP::Configure(uint8_t portNumber, uint32_t readTimeout, uint32_t writeTimeout) {
    CIface::Configure(portNumber, readTimeout, writeTimeout);
    BidiMode = 0;
    return true;
}

bool CECP::Connect() { return ConnectHandshake(0, true, true, false); }

bool CECP::Disconnect(uint8_t mode) { return DisconnectAndClose(mode, 0); }

bool CECP::Release() {
    if (HeldPrinterCount != 0) RestoreSpoolerPort();
    return Close();
}

bool CECP::Write(const uint8_t* data, uint32_t count) { return line_.WriteWithin(data, count, WriteTimeout); }

bool CECP::Reopen() {
    Close();
    if (ReleaseOnOpen) ReleaseSpoolerPort();
    return Dev().Open(DevicePath);
}

bool CECP::ReadRecord(uint8_t* buffer, uint32_t& length) {
    if (!ReadRecordExactly(buffer, length)) return false;
    // The record stays in the buffer even when the reopen fails.
    return Reopen();
}

bool CECP::Negotiate() {
    if (BidiMode == 1) return true;
    if (!IsOpen()) return false;
    const NegotiationMasks request{kChannelNibble, kIeeeCompatibility};
    const uint32_t start = Time().NowMs();
    while (true) {
        if (IsGranted(line_.Negotiate(request), request)) return true;
        if (Time().NowMs() - start >= kNegotiationLimitMs) return false;
        Pause().SleepMs(kNegotiationRetryMs);
    }
}

bool CECP::SetBidiMode(uint8_t on) {
    if (!Negotiate() || !Reopen()) return false;
    if (!ReadExactly(ReplyBuffer, kAckSize)) return false;
    if (ReplyBuffer[0] != kEsc || ReplyBuffer[1] != kBackslash) return false;
    BidiMode = on;
    return true;
}

}  // namespace halvoran
