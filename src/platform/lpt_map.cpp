#include "platform/lpt_map.h"

namespace halvoran {

namespace {

bool InRange(int portNumber) { return portNumber >= 1 && portNumber <= kLptPortCount; }

}  // namespace

std::string LptMap::DevicePath(int portNumber) const {
    if (!InRange(portNumber)) return {};
    const std::string& chosen = overrides_[portNumber - 1];
    return chosen.empty() ? "/dev/parport" + std::to_string(portNumber - 1) : chosen;
}

bool LptMap::Override(int portNumber, std::string path) {
    if (!InRange(portNumber) || path.empty()) return false;
    overrides_[portNumber - 1] = std::move(path);
    return true;
}

}  // namespace halvoran
