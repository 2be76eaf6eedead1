#include "platform/com_map.h"


namespace halvoran {

namespace {

bool InRange(int portNumber) { return portNumber >= 1 && portNumber <= kComPortCount; }

}  // namespace

std::string DefaultComDevice(int portNumber) {
    if (!InRange(portNumber)) return {};
    if (portNumber <= 4) return "/dev/ttyS" + std::to_string(portNumber - 1);
    if (portNumber <= 10) return "/dev/ttyUSB" + std::to_string(portNumber - 5);
    return "/dev/ttyACM" + std::to_string(portNumber - 11);
}

std::string ComMap::DevicePath(int portNumber) const {
    if (!InRange(portNumber)) return {};
    const std::string& chosen = overrides_[portNumber - 1];
    return chosen.empty() ? DefaultComDevice(portNumber) : chosen;
}

bool ComMap::Override(int portNumber, std::string path) {
    if (!InRange(portNumber) || path.empty()) return false;
    overrides_[portNumber - 1] = std::move(path);
    return true;
}

}  // namespace halvoran
