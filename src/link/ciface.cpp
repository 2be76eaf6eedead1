#include "link/ciface.h"

#include <algorithm>
#include <cstring>

namespace halvoran {

CIface::CIface(uint8_t portKind, uint32_t timeoutMs, PortEnv env)
    : PortKind(portKind), ReadTimeout(timeoutMs), WriteTimeout(timeoutMs), env_(env) {}

bool CIface::Configure(uint8_t portNumber, uint32_t readTimeout, uint32_t writeTimeout) {
    PortNumber = portNumber;
    ReadTimeout = readTimeout;
    WriteTimeout = writeTimeout;
    return true;
}

bool CIface::Connect() { return false; }

bool CIface::Disconnect(uint8_t) { return true; }

bool CIface::Open() {
    if (IsOpen()) return false;
    DevicePath = FormDevicePath();
    if (ReleaseOnOpen) ReleaseSpoolerPort();
    return Dev().Open(DevicePath);
}

bool CIface::Close() {
    Dev().Close();
    return true;
}

bool CIface::ReadRecord(uint8_t*, uint32_t&) { return false; }

bool CIface::Write(const uint8_t*, uint32_t) { return false; }

bool CIface::SetBidiMode(uint8_t) { return true; }

bool CIface::Release() { return false; }

bool CIface::ReadExactly(uint8_t* buffer, uint32_t n) {
    uint32_t received = 0;
    uint32_t last = Time().NowMs();
    while (true) {
        uint32_t idle = Time().NowMs() - last;
        uint32_t wait = idle < ReadTimeout ? ReadTimeout - idle : 0;
        long got = Dev().Read(buffer + received, n - received, wait);
        if (got > 0) {
            received += static_cast<uint32_t>(got);
            last = Time().NowMs();
        }
        if (received >= n) return true;
        // A device error (a tty hung up or gone) will not deliver the rest.
        if (got < 0) return false;
        if (Time().NowMs() - last >= ReadTimeout) return false;
    }
}

bool CIface::ReadRecordExactly(uint8_t* buffer, uint32_t& length) {
    uint8_t header[kRecordHeaderSize];
    if (!ReadExactly(header, kRecordHeaderSize)) return false;
    RecordHeader parsed = ParseRecordHeader(header);
    RecordMarker = parsed.Marker ? 1 : 0;
    if (parsed.Length > length) return false;  // would overrun the caller's buffer
    if (parsed.Length > 0 && !ReadExactly(buffer, parsed.Length)) return false;
    length = parsed.Length;
    return true;
}

bool IsConnectEcho(const uint8_t* payload, uint32_t length) {
    static constexpr ModeCommand kConnect = MakeModeCommand(kModeConnect);
    return length >= kModeCommandSize && std::memcmp(payload, kConnect.data(), kModeCommandSize) == 0;
}

bool CIface::EchoMatches(uint32_t length) const { return IsConnectEcho(ReplyBuffer, length); }

bool CIface::ConnectHandshake(uint32_t pauseMs, bool clearReleaseOnOpen, bool requireBidi, bool writeBlock) {
    if (!Open()) return false;
    if (clearReleaseOnOpen) ReleaseOnOpen = 0;
    if (!SetBidiMode(1) && requireBidi) return false;
    if (pauseMs) Pause().SleepMs(pauseMs);
    static constexpr CommandBlock kBlock = MakeCommandBlock(kModeConnect);
    uint32_t size = writeBlock ? kCommandBlockSize : kModeCommandSize;
    if (!Write(kBlock.data(), size)) return false;
    uint32_t length = kReplyBufferSize;
    if (!ReadRecord(ReplyBuffer, length)) return false;
    return EchoMatches(length);
}

bool CIface::DisconnectAndClose(uint8_t mode, uint32_t pauseBeforeCloseMs) {
    if (!IsOpen()) return false;
    if (mode != 0) {
        static constexpr ModeCommand kDisconnect = MakeModeCommand(kModeDisconnect);
        Write(kDisconnect.data(), kModeCommandSize);
    }
    if (pauseBeforeCloseMs) Pause().SleepMs(pauseBeforeCloseMs);
    BidiMode = 0;
    ReleaseOnOpen = 1;
    if (HeldPrinterCount != 0) RestoreSpoolerPort();
    return Close();
}

}  // namespace halvoran
