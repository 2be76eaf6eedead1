// The print spooler as the ports need it: the local printer queues and the
// port each one prints to, as port text ("LPT1:", "COM2:", "FILE:", ...).
// On Linux the port is read from a CUPS queue (platform/cups_spooler.h).
#pragma once
#include <optional>
#include <string>
#include <vector>

namespace halvoran {

// A printer moved to "FILE:" while the tool uses its port.
struct HeldPrinter {
    std::string Name;
};

// Outcome of changing a printer's port.
enum class PortChange {
    Done,
    Failed,  // this printer keeps its port
    Denied,  // the user may not change printers: the pass over them ends
};

class Spooler {
public:
    virtual ~Spooler() = default;
    // Names of the local printers, in the spooler's order; nullopt when the
    // spooler cannot be asked.
    virtual std::optional<std::vector<std::string>> ListLocalPrinters() = 0;
    // The printer's port text; nullopt when unreadable.
    virtual std::optional<std::string> PrinterPort(const std::string& printer) = 0;
    virtual PortChange SetPrinterPort(const std::string& printer, const std::string& port) = 0;
};

}  // namespace halvoran
