#include "sim_args.h"

#include <charconv>

namespace halvoran::sim {

const char* SimUsage() {
    return "Usage: halvoran-sim --pty [options]\n"
           "The simulated Halvoran P1 printer: it speaks the printer's side of the config tool's link,\n"
           "serves a sample web panel, takes firmware and configuration uploads and restarts on request.\n"
           "\n"
           "Transport:\n"
           "  --pty               open a pseudo-terminal and print the path of its serial side on stdout\n"
           "  --link PATH         also make a symbolic link PATH to that path (removed at exit)\n"
           "  --baud N            pace the line at N baud, 8N1 (N/10 bytes per second each way)\n"
           "\n"
           "Printer:\n"
           "  --state FILE        keep settings and installed firmware in FILE (read at start, written on change)\n"
           "  --restart-ms N      a restart keeps the printer silent for N ms (default 8000)\n"
           "  --xoff-every N      serial download mode: send XOFF after every N bytes received, XON later\n"
           "  --xoff-ms N         time between that XOFF and its XON (default 20)\n"
           "\n"
           "Faults:\n"
           "  --slow-byte-ms N    send every byte N ms after the one before\n"
           "  --silent-after N    answer N requests, then ignore everything (0: even the connect)\n"
           "  --wrong-echo        answer the connect command with a wrong code byte\n"
           "  --oversized         pad every answer to 20001 bytes, beyond the tool's page buffer\n"
           "  --drop-after N      answer N requests, then drop the line (the pty is closed)\n"
           "\n"
           "  --quiet             do not report unexpected input and events on stderr\n"
           "  --help              show this text\n"
           "\n"
           "Runs until SIGTERM or SIGINT.\n";
}

namespace {

bool ParseNumber(const std::string& text, uint32_t& value) {
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

}  // namespace

bool ParseSimArgs(const std::vector<std::string>& args, SimCommandLine& out, std::string& problem) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& flag = args[i];
        auto text = [&](std::string& into) {
            if (i + 1 >= args.size()) {
                problem = flag + " needs a value";
                return false;
            }
            into = args[++i];
            return true;
        };
        auto number = [&](uint32_t& into) {
            std::string value;
            if (!text(value)) return false;
            if (!ParseNumber(value, into)) {
                problem = flag + " needs a whole number, not '" + value + "'";
                return false;
            }
            return true;
        };
        auto optionalNumber = [&](std::optional<uint32_t>& into) {
            uint32_t value = 0;
            if (!number(value)) return false;
            into = value;
            return true;
        };
        bool ok = true;
        if (flag == "--help" || flag == "-h") out.Help = true;
        else if (flag == "--pty") out.Pty = true;
        else if (flag == "--quiet") out.Quiet = true;
        else if (flag == "--wrong-echo") out.Printer.WrongEcho = true;
        else if (flag == "--oversized") out.Printer.OversizedRecord = true;
        else if (flag == "--link") ok = text(out.LinkPath);
        else if (flag == "--state") ok = text(out.Printer.StateFile);
        else if (flag == "--baud") ok = number(out.Baud);
        else if (flag == "--restart-ms") ok = number(out.Printer.RestartMs);
        else if (flag == "--slow-byte-ms") ok = number(out.Printer.SlowByteMs);
        else if (flag == "--xoff-every") ok = number(out.Printer.XoffEvery);
        else if (flag == "--xoff-ms") ok = number(out.Printer.XoffMs);
        else if (flag == "--silent-after") ok = optionalNumber(out.Printer.SilentAfter);
        else if (flag == "--drop-after") ok = optionalNumber(out.Printer.DropAfter);
        else {
            problem = "unknown option " + flag;
            return false;
        }
        if (!ok) return false;
    }
    if (!out.Help && !out.Pty) {
        problem = "choose a transport: --pty";
        return false;
    }
    return true;
}

}  // namespace halvoran::sim
