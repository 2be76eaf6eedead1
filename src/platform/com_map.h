// Which Linux device a COM port number opens. The port list offers COM1 to
// COM16; the fixed map below reaches the built-in serial ports, USB serial
// adapters and USB modems (CDC ACM), and any number can be pointed elsewhere
// (a pseudo-terminal in tests and the simulator, a /dev/serial/by-id path).
//
//   COM1  .. COM4   /dev/ttyS0   .. /dev/ttyS3
//   COM5  .. COM10  /dev/ttyUSB0 .. /dev/ttyUSB5
//   COM11 .. COM16  /dev/ttyACM0 .. /dev/ttyACM5
#pragma once
#include <array>
#include <cstdint>
#include <string>

namespace halvoran {

inline constexpr int kComPortCount = 16;

class ComMap {
public:
    // The device of COMn; empty for a number outside 1..16.
    std::string DevicePath(int portNumber) const;
    // Points COMn at another device; false for a number outside 1..16 or an empty path.
    bool Override(int portNumber, std::string path);

private:
    std::array<std::string, kComPortCount> overrides_;
};

// The built-in device of COMn, without overrides; empty outside 1..16.
std::string DefaultComDevice(int portNumber);

}  // namespace halvoran
