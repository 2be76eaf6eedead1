#include "link/usb_port.h"

#include <algorithm>

namespace halvoran {

namespace {

constexpr uint32_t kUsbStartTimeoutMs = 1000;
constexpr uint32_t kPauseMs = 1;
constexpr size_t kDevicePathCapacity = 260;  // paths hold at most 259 characters
constexpr uint8_t kBidiOn = 0x01;
constexpr uint8_t kBidiOff = 0x1B;

}  // namespace

CUSBPort::CUSBPort(PortEnv env, UsbPrinterBus& bus)
    : CIface(kPortUsb, kUsbStartTimeoutMs, WithDevice(env, bus)), bus_(bus) {}

std::optional<std::string> CUSBPort::FindUsbPrinter(uint8_t index) {
    std::vector<UsbPrinterInterface> printers = bus_.ListPrinterInterfaces();
    if (index >= printers.size()) return std::nullopt;
    std::sort(printers.begin(), printers.end(), DiscoveryOrder);
    return UsbLocation(printers[index]);
}

bool CUSBPort::Open() {
    if (IsOpen()) return false;
    std::optional<std::string> path = FindUsbPrinter(static_cast<uint8_t>(PortNumber - 1));
    if (!path || path->size() >= kDevicePathCapacity) return false;
    InterfacePath = *path;
    DevicePath = InterfacePath;
    if (ReleaseOnOpen) ReleaseSpoolerPort();
    return Dev().Open(DevicePath);
}

bool CUSBPort::SetBidiMode(uint8_t on) {
    const uint8_t command[3] = {0x1D, 0x1A, on ? kBidiOn : kBidiOff};
    if (!bus_.SendVendorRequest(*VendorRequestFor(command, sizeof command))) return false;
    BidiMode = on;
    return true;
}

bool CUSBPort::Write(const uint8_t* data, uint32_t count) {
    if (!IsOpen()) return false;
    // Bounded like a read, so a printer that takes nothing cannot hang the caller.
    if (!bus_.WriteWithin(data, count, WriteTimeout)) return false;
    Dev().Flush();
    return true;
}

bool CUSBPort::ReadEcho(uint32_t& length) {
    if (!IsOpen()) return false;
    uint8_t header[kRecordHeaderSize];
    long got = Dev().Read(header, kRecordHeaderSize, kEchoHeaderLimitMs);
    if (got <= 0) return false;  // no header within the limit
    uint32_t replyLength = 0;
    if (got == static_cast<long>(kRecordHeaderSize)) {
        RecordHeader parsed = ParseRecordHeader(header);
        RecordMarker = parsed.Marker ? 1 : 0;
        replyLength = parsed.Length;
    }
    if (replyLength > kReplyBufferSize) return false;
    long payload = replyLength ? Dev().Read(ReplyBuffer, replyLength, ReadTimeout) : 0;
    if (payload < 0) return false;
    length = static_cast<uint32_t>(payload);
    return true;
}

bool CUSBPort::Connect() {
    if (!Open()) return false;
    SetBidiMode(1);  // a printer that refuses the vendor request may still answer
    Pause().SleepMs(kPauseMs);
    static constexpr CommandBlock kConnect = MakeCommandBlock(kModeConnect);
    if (!Write(kConnect.data(), kCommandBlockSize)) return false;
    uint32_t length = 0;
    if (!ReadEcho(length)) return false;
    return EchoMatches(length);
}

bool CUSBPort::ReadRecord(uint8_t* buffer, uint32_t& length) {
    if (!IsOpen()) return false;
    long got = Dev().Read(buffer, kRecordHeaderSize, ReadTimeout);
    // Nothing within ReadTimeout is a failed read, not an empty record.
    if (got <= 0) return false;
    if (got == static_cast<long>(kRecordHeaderSize)) {
        RecordHeader parsed = ParseRecordHeader(buffer);
        RecordMarker = parsed.Marker ? 1 : 0;
        if (parsed.Length > length) return false;  // would overrun the caller's buffer
        length = parsed.Length;
    }
    if (length == 0) return true;
    long payload = Dev().Read(buffer, length, ReadTimeout);
    if (payload <= 0) return false;
    length = static_cast<uint32_t>(payload);
    return true;
}

bool CUSBPort::Disconnect(uint8_t mode) {
    if (!IsOpen()) return false;
    if (mode != 0) {
        static constexpr CommandBlock kDisconnect = MakeCommandBlock(kModeDisconnect);
        Write(kDisconnect.data(), kCommandBlockSize);
        SetBidiMode(0);
    }
    BidiMode = 0;
    Pause().SleepMs(kPauseMs);
    return Close();
}

bool CUSBPort::Release() { return Close(); }

}  // namespace halvoran
