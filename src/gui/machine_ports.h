// The three port objects of the desktop program's run over this machine's
// devices: USB printers through libusb, parallel ports through ppdev, serial
// ports through termios, with the CUPS queues as the print spooler.
#pragma once
#include <memory>

#include "app/port_set.h"
#include "platform/com_map.h"
#include "platform/lpt_map.h"

namespace halvoran {

class MachinePorts {
public:
    MachinePorts();
    ~MachinePorts();
    MachinePorts(const MachinePorts&) = delete;
    MachinePorts& operator=(const MachinePorts&) = delete;

    PortSet Ports();
    // The COM number to device map the serial port reads at each Open.
    ComMap& ComPorts() { return comPorts_; }
    // The LPT number to device map the parallel port reads at each Open.
    LptMap& LptPorts() { return lptPorts_; }

private:
    struct Devices;
    ComMap comPorts_;
    LptMap lptPorts_;
    std::unique_ptr<Devices> devices_;
};

}  // namespace halvoran
