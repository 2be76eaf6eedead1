// CIface: the port interface over USB, parallel and serial printers.
// Every operation returns true for success and false for failure; ports never
// show messages, the caller picks the text.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "link/frames.h"
#include "platform/clock.h"
#include "platform/device.h"
#include "platform/spooler.h"

namespace halvoran {

enum PortKindValue : uint8_t { kPortUsb = 0, kPortParallel = 1, kPortSerial = 2 };

inline constexpr size_t kReplyBufferSize = 2048;
inline constexpr size_t kMaxHeldPrinters = 256;

// What a port needs from the platform: its byte device, time, and the spooler.
struct PortEnv {
    Device* Dev;
    Clock* Time;
    Sleeper* Pause;
    Spooler* PrintSpooler;  // may be null: no installed printers to move
};

// env with its byte device replaced: ports whose device is their line or bus.
inline PortEnv WithDevice(PortEnv env, Device& device) {
    env.Dev = &device;
    return env;
}

class CIface {
public:
    CIface(uint8_t portKind, uint32_t timeoutMs, PortEnv env);
    virtual ~CIface() = default;
    CIface(const CIface&) = delete;
    CIface& operator=(const CIface&) = delete;

    // The ten operations, in slot order (the destructor is slot 0).
    virtual bool Configure(uint8_t portNumber, uint32_t readTimeout, uint32_t writeTimeout);
    virtual bool Connect();
    virtual bool Disconnect(uint8_t mode);
    virtual bool Open();
    virtual bool Close();
    // On entry length holds the caller's capacity; on success the payload length.
    virtual bool ReadRecord(uint8_t* buffer, uint32_t& length);
    virtual bool Write(const uint8_t* data, uint32_t count);
    virtual bool SetBidiMode(uint8_t on);
    virtual bool Release();

    bool IsOpen() const { return env_.Dev->IsOpen(); }

    // Moves installed printers on this port to "FILE:" / gives them their port back.
    bool ReleaseSpoolerPort();
    void RestoreSpoolerPort();
    // "LPT%d:" or "COM%d:" with PortNumber.
    std::string SpoolerPortName() const;

    // Shared members, in declaration order.
    uint8_t PortKind;
    uint8_t PortNumber = 0;
    uint8_t BidiMode = 0;
    uint32_t ReadTimeout;
    uint32_t WriteTimeout;
    std::string DevicePath;
    uint8_t RecordMarker = 0;
    uint8_t ReplyBuffer[kReplyBufferSize] = {};
    std::vector<HeldPrinter> HeldPrinters;
    uint16_t HeldPrinterCount = 0;
    uint8_t ReleaseOnOpen = 1;

protected:
    // Names the device to open for PortNumber; ports fill DevicePath from it.
    virtual std::string FormDevicePath() { return DevicePath; }

    // Reads exactly n bytes; fails after ReadTimeout ms without any byte arriving.
    bool ReadExactly(uint8_t* buffer, uint32_t n);
    // The record read of the parallel and serial ports. A payload larger than
    // the capacity passed in is refused as a failed read; nothing is stored past it.
    bool ReadRecordExactly(uint8_t* buffer, uint32_t& length);
    // The connect handshake: Open, SetBidiMode(1), pause, write the connect
    // command (10 bytes, or the 64-byte block), read and check the echo.
    bool ConnectHandshake(uint32_t pauseMs, bool clearReleaseOnOpen, bool requireBidi, bool writeBlock);
    // Whether a connect echo of `length` bytes in ReplyBuffer answers the command.
    bool EchoMatches(uint32_t length) const;
    // Disconnect of the parallel and serial ports.
    bool DisconnectAndClose(uint8_t mode, uint32_t pauseBeforeCloseMs);

    Device& Dev() { return *env_.Dev; }
    Clock& Time() { return *env_.Time; }
    Sleeper& Pause() { return *env_.Pause; }

    PortEnv env_;
};

// True when the handshake echo's first 10 bytes equal the connect command.
bool IsConnectEcho(const uint8_t* payload, uint32_t length);

}  // namespace halvoran
