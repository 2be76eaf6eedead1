// The Spooler over CUPS (libcups, the server named by CUPS_SERVER or the
// client configuration). Local printers are the queues that are not remote
// and not classes; a queue's port is read from its device URI
// (platform/cups_port_map.h).
//
// "FILE:" is the queue's stopped state: moving a queue off its port pauses it
// with the message kHeldMessage, and giving the port back resumes it. Jobs
// sent meanwhile wait in the queue instead of going to a file or being lost,
// the device URI is never rewritten, so the queue comes back exactly as it
// was, and the stopped state and message are kept by cupsd on disk: after a
// crash the queue stays held until ResumeLeftoverHolds or `cupsenable`.
// A queue that was already stopped is on no port and is left alone; a held
// queue that someone resumed or stopped with another message is no longer
// "FILE:" and keeps its state.
#pragma once
#include "platform/com_map.h"
#include "platform/lpt_map.h"
#include "platform/spooler.h"

namespace halvoran {

inline constexpr const char* kHeldMessage = "Held by Halvoran Config Tool while it uses the port";

class CupsSpooler final : public Spooler {
public:
    CupsSpooler(const ComMap& comPorts, const LptMap& lptPorts) : comPorts_(comPorts), lptPorts_(lptPorts) {}

    std::optional<std::vector<std::string>> ListLocalPrinters() override;
    std::optional<std::string> PrinterPort(const std::string& printer) override;
    // "FILE:" pauses the queue; a port name resumes a queue this tool holds.
    PortChange SetPrinterPort(const std::string& printer, const std::string& port) override;

    // Resumes every queue still held by this tool (a run that ended without
    // giving them back); returns how many.
    int ResumeLeftoverHolds();

private:
    const ComMap& comPorts_;
    const LptMap& lptPorts_;
};

}  // namespace halvoran
