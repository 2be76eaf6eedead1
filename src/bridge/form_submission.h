// Posting a settings form over the link and acting on the printer's answer.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace halvoran {

struct PanelBridge;

inline constexpr uint32_t kSerialSettingsPauseMs = 2000;

// Posts formData (up to its first NUL) to pagePath and writes the answer into
// localPath. A reset-marked answer blocks navigation and starts the restart
// monitor, or, for the serial settings form on a serial link, runs the
// window's Disconnect command. An unmarked answer re-fetches the previous page.
bool SubmitForm(std::string_view pagePath, const char* formData, PanelBridge& bridge,
                const std::string& localPath, int32_t contentLength);

}  // namespace halvoran
