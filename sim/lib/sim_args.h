// Command line of halvoran-sim.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "printer_sim.h"

namespace halvoran::sim {

struct SimCommandLine {
    bool Help = false;
    bool Pty = false;
    bool Quiet = false;
    std::string LinkPath;  // symlink to the pty slave
    uint32_t Baud = 0;     // pace the pty at this line rate (0: as fast as it goes)
    SimOptions Printer;
};

// False with a message for an unknown flag or a missing or bad value.
bool ParseSimArgs(const std::vector<std::string>& args, SimCommandLine& out, std::string& problem);
const char* SimUsage();

}  // namespace halvoran::sim
