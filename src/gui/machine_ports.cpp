#include "gui/machine_ports.h"

#include "link/ecp_port.h"
#include "link/uart_port.h"
#include "link/usb_port.h"
#include "platform/clock.h"
#include "platform/cups_spooler.h"
#include "platform/fd_device.h"
#include "platform/libusb_printer_bus.h"
#include "platform/parport_line.h"
#include "platform/termios_line.h"

namespace halvoran {

struct MachinePorts::Devices {
    Devices(const ComMap& comPorts, const LptMap& lptPorts)
        : spooler(comPorts, lptPorts),
          parallelLine(SystemClock(), SystemSleeper()),
          serialLine(serialDevice),
          usb(Env(nullptr), usbBus),
          parallel(Env(nullptr), parallelLine, lptPorts),
          serial(Env(&serialDevice), serialLine, comPorts) {}

    PortEnv Env(Device* device) { return {device, &SystemClock(), &SystemSleeper(), &spooler}; }

    CupsSpooler spooler;
    LibusbPrinterBus usbBus;
    ParportLine parallelLine;
    FdDevice serialDevice;
    TermiosLine serialLine;
    CUSBPort usb;
    CECP parallel;
    CUartPort serial;
};

MachinePorts::MachinePorts() : devices_(std::make_unique<Devices>(comPorts_, lptPorts_)) {}

MachinePorts::~MachinePorts() = default;

PortSet MachinePorts::Ports() { return MakePortSet(devices_->usb, devices_->parallel, devices_->serial); }

}  // namespace halvoran
