#include "gui/command_line.h"

namespace halvoran {

std::optional<DesktopOptions> ParseCommandLine(const std::vector<std::string>& args, std::string& error) {
    DesktopOptions options;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--device") {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                error = "--device needs a device path";
                return std::nullopt;
            }
            options.SerialDevice = args[++i];
        } else {
            error = "unknown argument: " + args[i];
            return std::nullopt;
        }
    }
    return options;
}

}  // namespace halvoran
