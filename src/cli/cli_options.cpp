#include "cli/cli_options.h"

#include <charconv>

#include "app/vk_dlg.h"
#include "link/ciface.h"
#include "link/uart_tables.h"

namespace halvoran {

namespace {

struct CommandRow {
    const char* Name;
    size_t MinArgs;
    size_t MaxArgs;
};

constexpr CommandRow kCommands[] = {
    {"probe", 0, 0},       {"get", 1, SIZE_MAX},        {"post", 2, 2},          {"save-config", 1, 1},
    {"save-report", 1, 1}, {"upload-firmware", 1, 1}, {"upload-config", 1, 1},
};

std::optional<int> WholeNumber(const std::string& text, int low, int high) {
    int value = 0;
    const char* end = text.data() + text.size();
    auto [at, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || at != end || value < low || value > high) return std::nullopt;
    return value;
}

std::optional<int> InterfaceRow(const std::string& name) {
    if (name == "usb") return kPortUsb;
    if (name == "lpt") return kPortParallel;
    if (name == "com") return kPortSerial;
    return std::nullopt;
}

}  // namespace

std::optional<CliOptions> ParseCliOptions(const std::vector<std::string>& args, std::string& problem) {
    CliOptions options;
    size_t i = 0;
    // Takes the value of the option at i; false when it is missing.
    auto value = [&](std::string& out) {
        if (i + 1 >= args.size()) {
            problem = args[i] + " needs a value";
            return false;
        }
        out = args[++i];
        return true;
    };
    auto number = [&](std::optional<int>& out, int low, int high) {
        std::string text;
        if (!value(text)) return false;
        out = WholeNumber(text, low, high);
        if (!out) problem = args[i - 1] + " takes " + std::to_string(low) + " to " + std::to_string(high) + ", not '" + text + "'";
        return out.has_value();
    };

    for (; i < args.size() && options.Command.empty(); ++i) {
        const std::string& arg = args[i];
        bool ok = true;
        if (arg == "--help" || arg == "-h") options.Help = true;
        else if (arg == "--force") options.Force = true;
        else if (arg == "--folder") ok = value(options.Folder);
        else if (arg == "--device") ok = value(options.Device);
        else if (arg == "--port") ok = number(options.PortNumber, 1, kPortNumberRows);
        else if (arg == "--baud-row") ok = number(options.BaudRow, 0, kSerialRowCount - 1);
        else if (arg == "--format-row") ok = number(options.FormatRow, 0, kSerialRowCount - 1);
        else if (arg == "--interface") {
            std::string name;
            ok = value(name);
            if (ok && !(options.Interface = InterfaceRow(name))) {
                problem = "--interface takes usb, lpt or com, not '" + name + "'";
                ok = false;
            }
        } else if (arg.starts_with("-") && arg.size() > 1) {
            problem = "unknown option " + arg;
            ok = false;
        } else {
            options.Command = arg;
        }
        if (!ok) return std::nullopt;
    }
    // Options after the command: only --force, which belongs to the saves.
    for (; i < args.size(); ++i) {
        if (args[i] == "--force") options.Force = true;
        else options.Args.push_back(args[i]);
    }
    if (options.Help) return options;
    if (options.Command.empty()) {
        problem = "no command given";
        return std::nullopt;
    }
    for (const CommandRow& row : kCommands) {
        if (options.Command != row.Name) continue;
        if (options.Args.size() < row.MinArgs || options.Args.size() > row.MaxArgs) {
            problem = "wrong number of arguments for " + options.Command;
            return std::nullopt;
        }
        return options;
    }
    problem = "unknown command " + options.Command;
    return std::nullopt;
}

const char* CliUsage() {
    return "usage: halvoran-cli [--folder DIR] [--interface usb|lpt|com] [--port N] [--baud-row R]\n"
           "                    [--format-row R] [--device PATH] [--force] COMMAND [ARGS]\n"
           "\n"
           "Commands (each connects, runs, then disconnects):\n"
           "  probe                   connect and disconnect\n"
           "  get PAGE [PAGE...]      fetch each page (\"/status.htm\") and write its bytes to stdout\n"
           "  post PAGE DATA          submit url-encoded DATA to PAGE and write the answer to stdout;\n"
           "                          waits for the printer's restart when the answer asks for one\n"
           "  save-config DEST        fetch /conf.cfg and copy it to DEST (.cfg added when missing)\n"
           "  save-report DEST        fetch /report.txt and copy it to DEST (.txt added when missing)\n"
           "  upload-firmware FILE    check and send a firmware file\n"
           "  upload-config FILE      check and send a configuration file\n"
           "\n"
           "Options (the defaults are the settings file's, as the window preselects them):\n"
           "  --folder DIR            program folder holding p1 and sysinfo.inf (default: the program's own)\n"
           "  --interface usb|lpt|com the interface to connect over\n"
           "  --port N                port number 1 to 16\n"
           "  --baud-row R            row of the baud list, 0 to 5 (COM only)\n"
           "  --format-row R          row of the format list, 0 to 5 (COM only)\n"
           "  --device PATH           open PATH instead of the port number's device (COM: a tty or pty;\n"
           "                          LPT: a parport device)\n"
           "  --force                 let save-config and save-report replace an existing DEST\n"
           "  --help                  show this text\n"
           "\n"
           "Exit status: 0 success, 1 usage error, 2 could not connect, 3 communication error,\n"
           "4 invalid upload file, 5 upload failed. Status texts go to stderr in the settings\n"
           "file's language. Ctrl-C during an upload or a restart wait stops it as the\n"
           "Disconnect command does.\n";
}

}  // namespace halvoran
