// Moving installed printers off a parallel or serial port while the tool uses
// it, and giving them their port back afterwards.
#include <algorithm>
#include <cctype>
#include <cstdio>

#include "link/ciface.h"

namespace halvoran {

namespace {

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

constexpr const char* kFilePort = "FILE:";

}  // namespace

std::string CIface::SpoolerPortName() const {
    char name[10];
    std::snprintf(name, sizeof name, PortKind == kPortParallel ? "LPT%d:" : "COM%d:", PortNumber);
    return name;
}

bool CIface::ReleaseSpoolerPort() {
    if (HeldPrinterCount != 0) return false;
    if (PortKind != kPortParallel && PortKind != kPortSerial) return false;
    Spooler* spooler = env_.PrintSpooler;
    if (!spooler) return false;
    auto printers = spooler->ListLocalPrinters();
    if (!printers) return false;
    // The held list has room for 256; with that many printers none is touched.
    if (printers->size() >= kMaxHeldPrinters) return false;
    const std::string port = SpoolerPortName();
    for (const std::string& name : *printers) {
        auto current = spooler->PrinterPort(name);
        // Only a port text that is exactly this port matches: not a list of
        // ports, not the name without its colon.
        if (!current || Upper(*current) != port) continue;
        PortChange change = spooler->SetPrinterPort(name, kFilePort);
        if (change == PortChange::Denied) break;
        if (change == PortChange::Done) {
            HeldPrinters.push_back({name});
            HeldPrinterCount = static_cast<uint16_t>(HeldPrinters.size());
        }
    }
    return true;
}

void CIface::RestoreSpoolerPort() {
    Spooler* spooler = env_.PrintSpooler;
    const std::string port = SpoolerPortName();
    if (spooler) {
        for (const HeldPrinter& held : HeldPrinters) {
            auto current = spooler->PrinterPort(held.Name);
            // A printer moved elsewhere in the meantime keeps its new port.
            if (current && Upper(*current) == kFilePort) spooler->SetPrinterPort(held.Name, port);
        }
    }
    HeldPrinters.clear();
    HeldPrinterCount = 0;
}

}  // namespace halvoran
