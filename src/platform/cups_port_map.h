// Which port a CUPS queue prints to, read from its device URI. A queue is on
// COMn when its URI is serial: or file: with the path of COMn's device, and on
// LPTn when it is parallel: or file: with the path of LPTn's ppdev device or
// of the lp driver's node of the same port (/dev/lp(n-1)). The scheme is
// compared without regard to case, paths after resolving links, and URI
// options (serial:/dev/ttyS1?baud=9600) are ignored. Any other URI (usb:,
// ipp:, socket:, ...) is on no port.
#pragma once
#include <string>

#include "platform/com_map.h"
#include "platform/lpt_map.h"

namespace halvoran {

// "COMn:" or "LPTn:" for a URI on that port, empty when it is on none.
std::string PortOfDeviceUri(const std::string& uri, const ComMap& comPorts, const LptMap& lptPorts);

}  // namespace halvoran
