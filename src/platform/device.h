// The byte device a port talks through: a printer device file, a tty, or a
// test double. Reads wait in the kernel (or in virtual time), never spin.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace halvoran {

class Device {
public:
    virtual ~Device() = default;
    // Opens an existing device for reading and writing; fails when already open.
    virtual bool Open(const std::string& path) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    // Waits at most timeoutMs for data and reads what has arrived, up to n bytes.
    // Returns the byte count, 0 when nothing arrived in time, -1 on an error.
    virtual long Read(uint8_t* buffer, size_t n, uint32_t timeoutMs) = 0;
    // Writes all n bytes; false when the device refused them.
    virtual bool Write(const uint8_t* data, size_t n) = 0;
    // Waits until written bytes have left the PC.
    virtual bool Flush() = 0;
};

}  // namespace halvoran
