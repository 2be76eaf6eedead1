#include "platform/program_path.h"

#include <climits>
#include <unistd.h>

namespace halvoran {

std::string ProgramFilePath() {
    char buffer[PATH_MAX];
    ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    if (length <= 0 || static_cast<size_t>(length) >= sizeof buffer) return {};
    return std::string(buffer, static_cast<size_t>(length));
}

}  // namespace halvoran
