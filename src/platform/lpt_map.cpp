#include "platform/lpt_map.h"

namespace halvoran {

std::string LptMap::DevicePath(uint8_t portNumber) const {
    auto found = overrides_.find(portNumber);
    if (found != overrides_.end()) return found->second;
    if (portNumber == 0) return {};
    return "/dev/parport" + std::to_string(portNumber - 1);
}

void LptMap::Override(uint8_t portNumber, std::string path) {
    if (path.empty()) {
        overrides_.erase(portNumber);
    } else {
        overrides_[portNumber] = std::move(path);
    }
}

}  // namespace halvoran
