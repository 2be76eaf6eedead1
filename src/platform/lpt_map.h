// The LPTn to Linux device map: LPTn is /dev/parport(n-1) unless a port
// number has been pointed elsewhere (tests, unusual set-ups).
#pragma once
#include <cstdint>
#include <map>
#include <string>

namespace halvoran {

class LptMap {
public:
    // The device path of LPTn; empty for port number 0, which names no port.
    std::string DevicePath(uint8_t portNumber) const;
    // Points LPTn at path; an empty path restores the default.
    void Override(uint8_t portNumber, std::string path);

private:
    std::map<uint8_t, std::string> overrides_;
};

}  // namespace halvoran
