// The command line of halvoran-cli: global options, a command and its arguments.
#pragma once
#include <optional>
#include <string>
#include <vector>

namespace halvoran {

// Exit statuses of halvoran-cli.
enum CliExit : int {
    kExitOk = 0,
    kExitUsage = 1,
    kExitNoConnection = 2,
    kExitCommunication = 3,
    kExitInvalidFile = 4,
    kExitUploadFailed = 5,
};

struct CliOptions {
    bool Help = false;
    bool Force = false;
    std::string Folder;                // empty: the executable's own folder
    std::optional<int> Interface;      // interface row: 0 usb, 1 lpt, 2 com
    std::optional<int> PortNumber;     // 1..16
    std::optional<int> BaudRow;        // row of BaudTable
    std::optional<int> FormatRow;      // row of FormatTable
    std::string Device;                // opened instead of the mapped device
    std::string Command;
    std::vector<std::string> Args;
};

// The options, or nullopt with problem set for an unknown option, a bad
// value, an unknown command or a wrong number of arguments.
std::optional<CliOptions> ParseCliOptions(const std::vector<std::string>& args, std::string& problem);

const char* CliUsage();

}  // namespace halvoran
