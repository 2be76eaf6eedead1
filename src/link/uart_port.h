// CUartPort: the printer on a serial (RS-232) port. The line is opened at the
// user's baud and format rows, a burst of XON/XOFF pairs is sent at those
// settings, and the link then runs at 57600 8N1 without flow control; the
// download mode adds XON/XOFF output flow control for firmware uploads.
#pragma once
#include "link/ciface.h"
#include "link/uart_tables.h"
#include "platform/com_map.h"
#include "platform/serial_line.h"

namespace halvoran {

inline constexpr uint32_t kLinkBaud = 57600;
inline constexpr uint8_t kCaptureConfig = 0x01;  // ApplyLineSettings: keep the found configuration
inline constexpr uint8_t kOutXonXoff = 0x80;     // ApplyLineSettings: honour the printer's XON/XOFF
inline constexpr uint8_t kDownloadMode = 3;      // Disconnect code of the download-mode switch

class CUartPort : public CIface {
public:
    // line works on env.Dev's open device; ports names the device of each COM number.
    CUartPort(PortEnv env, SerialLine& line, const ComMap& ports);

    bool Configure(uint8_t portNumber, uint32_t readTimeout, uint32_t writeTimeout) override;
    bool Connect() override;
    bool Disconnect(uint8_t code) override;
    bool Open() override;
    bool Close() override;
    bool ReadRecord(uint8_t* buffer, uint32_t& length) override;
    bool Write(const uint8_t* data, uint32_t count) override;
    bool SetBidiMode(uint8_t on) override;
    bool Release() override;

    // The Connect command's set-up: port number, baud row and format row as
    // the lists report them (rows outside 0..5 become row 5). Always succeeds.
    bool SetLineSettings(uint8_t portNumber, int baudIndex, int formatIndex);
    // Configures the open device; true when it carries the new settings.
    bool ApplyLineSettings(uint8_t options, uint32_t baud, uint8_t parity, uint8_t stopBits, uint8_t dataBits);

    // The configuration found at Open, written back by Close.
    LineConfig SavedConfig{};
    uint8_t BaudIndex = 0;
    uint8_t FormatIndex = 0;
    uint32_t LineBaud = BaudTable[0].Baud;
    uint8_t LineDataBits = 8;
    uint8_t LineStopBits = 0;
    uint8_t LineParity = 0;

protected:
    std::string FormDevicePath() override;

private:
    SerialLine& line_;
    const ComMap& ports_;
    // Whether SavedConfig holds what this Open found; Close writes back nothing otherwise.
    bool haveSaved_ = false;
};

}  // namespace halvoran
