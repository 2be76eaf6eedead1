// The serial transport of halvoran-sim: a pseudo-terminal whose slave side
// the config tool opens like a COM port. The printer reads and writes the
// master side, optionally paced at a serial line rate.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "printer_sim.h"

namespace halvoran::sim {

class PtyLink {
public:
    PtyLink() = default;
    ~PtyLink();
    PtyLink(const PtyLink&) = delete;
    PtyLink& operator=(const PtyLink&) = delete;

    // Opens the pseudo-terminal in raw mode and, when linkPath is given, makes
    // a symbolic link to its slave. False with a reason on failure.
    bool Open(const std::string& linkPath, std::string& problem);
    const std::string& SlavePath() const { return slavePath_; }

    // Moves bytes between the line and the printer until stop is set.
    // baud 0: unpaced; otherwise at most baud/10 bytes per second each way.
    void Run(PrinterSim& printer, uint32_t baud, const std::atomic<bool>& stop);

private:
    void CloseAll();

    int master_ = -1;
    int slaveHold_ = -1;  // keeps the line up while the tool has the slave closed
    std::string slavePath_;
    std::string linkPath_;
};

}  // namespace halvoran::sim
