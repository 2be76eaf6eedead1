#include "link/uart_port.h"

#include <cstdio>

#include "platform/line_request.h"

namespace halvoran {

namespace {

constexpr uint32_t kSerialTimeoutMs = 10000;
constexpr uint32_t kBurstPairs = 10;
constexpr uint32_t kBurstBytePauseMs = 1;
constexpr uint32_t kSwitchPauseMs = 200;  // after the burst, before the command, after download switch
constexpr uint32_t kDownloadPauseMs = 100;
constexpr uint32_t kDisconnectPauseMs = 1;

}  // namespace

CUartPort::CUartPort(PortEnv env, SerialLine& line, const ComMap& ports)
    : CIface(kPortSerial, kSerialTimeoutMs, env), line_(line), ports_(ports) {}

bool CUartPort::Configure(uint8_t portNumber, uint32_t readTimeout, uint32_t writeTimeout) {
    CIface::Configure(portNumber, readTimeout, writeTimeout);
    BidiMode = 0;
    return true;
}

bool CUartPort::SetLineSettings(uint8_t portNumber, int baudIndex, int formatIndex) {
    Configure(portNumber, kSerialTimeoutMs, kSerialTimeoutMs);
    BaudIndex = static_cast<uint8_t>(ClampSerialRow(baudIndex));
    FormatIndex = static_cast<uint8_t>(ClampSerialRow(formatIndex));
    const uint8_t code = FormatTable[FormatIndex].LineCode;
    LineBaud = BaudTable[BaudIndex].Baud;
    LineDataBits = LineCodeDataBits(code);
    LineStopBits = LineCodeStopBits(code);
    LineParity = LineCodeParity(code);
    return true;
}

std::string CUartPort::FormDevicePath() {
    char name[8];
    std::snprintf(name, sizeof name, "COM%d", PortNumber);
    return name;
}

bool CUartPort::ApplyLineSettings(uint8_t options, uint32_t baud, uint8_t parity, uint8_t stopBits,
                                  uint8_t dataBits) {
    LineConfig config;
    if (!line_.GetConfig(config)) return false;
    if (options & kCaptureConfig) {
        SavedConfig = config;
        haveSaved_ = true;
    }
    if (!MapLineRequest(config, {baud, parity, stopBits, dataBits, (options & kOutXonXoff) != 0})) return false;
    line_.Purge();
    const bool accepted = line_.SetConfig(config);
    // DTR on, RTS off. A device without modem lines (a pseudo-terminal, some
    // adapters) still carries the data settings, so this does not decide the result.
    line_.SetModemLines(true, false);
    return accepted;
}

bool CUartPort::Open() {
    if (IsOpen()) return false;
    DevicePath = FormDevicePath();
    if (ReleaseOnOpen) ReleaseSpoolerPort();
    haveSaved_ = false;
    if (!Dev().Open(ports_.DevicePath(PortNumber))) return false;
    ApplyLineSettings(kCaptureConfig, LineBaud, LineParity, LineStopBits, LineDataBits);
    return true;
}

bool CUartPort::Connect() { return ConnectHandshake(kSwitchPauseMs, true, true, false); }

bool CUartPort::SetBidiMode(uint8_t on) {
    if (on != 1) return true;
    for (uint32_t i = 0; i < 2 * kBurstPairs; ++i) {
        const uint8_t byte = i % 2 == 0 ? kXonChar : kXoffChar;
        Write(&byte, 1);
        Pause().SleepMs(kBurstBytePauseMs);
    }
    Pause().SleepMs(kSwitchPauseMs);
    return ApplyLineSettings(0, kLinkBaud, kParityNone, kOneStopBit, 8);
}

bool CUartPort::Disconnect(uint8_t code) {
    if (code != kDownloadMode) return DisconnectAndClose(code, kDisconnectPauseMs);
    if (!IsOpen()) return false;
    static constexpr ModeCommand kSwitch = MakeModeCommand(kModeDownload);
    Write(kSwitch.data(), kModeCommandSize);
    Pause().SleepMs(kDownloadPauseMs);
    ApplyLineSettings(kOutXonXoff, kLinkBaud, kParityNone, kOneStopBit, 8);
    Pause().SleepMs(kSwitchPauseMs);
    return true;
}

bool CUartPort::Close() {
    line_.Purge();
    // Leave the device as it was found; never write back a record that was not read.
    if (haveSaved_) line_.SetConfig(SavedConfig);
    Dev().Close();
    return true;
}

bool CUartPort::ReadRecord(uint8_t* buffer, uint32_t& length) { return ReadRecordExactly(buffer, length); }

bool CUartPort::Write(const uint8_t* data, uint32_t count) {
    if (!Dev().Write(data, count)) return false;
    Dev().Flush();
    return true;
}

bool CUartPort::Release() {
    if (HeldPrinterCount != 0) RestoreSpoolerPort();
    Dev().Close();
    return true;
}

}  // namespace halvoran
