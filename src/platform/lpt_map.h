// Which Linux device an LPT port number opens: LPTn is the ppdev device
// /dev/parport(n-1) for the port list's LPT1 to LPT16, and any number can be
// pointed elsewhere (tests, a parport device under another name).
#pragma once
#include <array>
#include <string>

namespace halvoran {

inline constexpr int kLptPortCount = 16;

class LptMap {
public:
    // The device of LPTn; empty for a number outside 1..16.
    std::string DevicePath(int portNumber) const;
    // Points LPTn at another device; false for a number outside 1..16 or an empty path.
    bool Override(int portNumber, std::string path);

private:
    std::array<std::string, kLptPortCount> overrides_;
};

}  // namespace halvoran
