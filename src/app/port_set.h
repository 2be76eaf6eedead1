// The three port objects of the run, one per interface row. They live for the
// whole run; the window only picks and reconfigures one of them.
#pragma once
#include <cstdint>
#include <functional>

#include "link/ciface.h"

namespace halvoran {

struct PortSet {
    CIface* Usb = nullptr;       // interface row 0
    CIface* Parallel = nullptr;  // interface row 1
    CIface* Serial = nullptr;    // interface row 2
    // The serial port's set-up for a new connection: port number, baud row,
    // format row (SetLineSettings), and the rows it then uses.
    std::function<void(uint8_t, uint8_t, uint8_t)> SetSerialLine;
    std::function<uint8_t()> SerialBaudIndex;
    std::function<uint8_t()> SerialFormatIndex;
};

// Binds the three ports; Uart is the serial port class with SetLineSettings
// and its BaudIndex and FormatIndex members.
template <class Uart>
PortSet MakePortSet(CIface& usb, CIface& parallel, Uart& serial) {
    PortSet ports{&usb, &parallel, &serial, {}, {}, {}};
    ports.SetSerialLine = [&serial](uint8_t number, uint8_t baud, uint8_t format) {
        serial.SetLineSettings(number, baud, format);
    };
    ports.SerialBaudIndex = [&serial] { return serial.BaudIndex; };
    ports.SerialFormatIndex = [&serial] { return serial.FormatIndex; };
    return ports;
}

}  // namespace halvoran
