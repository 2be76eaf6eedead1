// The desktop program's command line: halvoran-config [--device PATH]
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "gui/desktop_session.h"

namespace halvoran {

// The options, or nullopt with error set for an unknown or incomplete argument.
std::optional<DesktopOptions> ParseCommandLine(const std::vector<std::string>& args, std::string& error);

inline constexpr const char* kUsage =
    "usage: halvoran-config [--device PATH]\n"
    "  --device PATH  start with \"COM Port\" selected and its port number\n"
    "                 pointing at this serial device (a tty or pty) for this run\n";

}  // namespace halvoran
