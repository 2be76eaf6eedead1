// The upload worker: sends a checked firmware or configuration file raw to
// the printer on a thread of its own, then ends the connection.
#pragma once
#include <array>
#include <cstdint>
#include <string>

namespace halvoran {

struct PanelBridge;
struct DownloadImage;

// Sent after a configuration file went out whole: ESC ] "V25MiHi" 00 12 ESC backslash.
inline constexpr std::array<uint8_t, 13> ConfigFinishCommand{0x1B, 0x5D, 0x56, 0x32, 0x35, 0x4D, 0x69,
                                                             0x48, 0x69, 0x00, 0x12, 0x1B, 0x5C};

// Window's thread, while the upload form's navigation is handled: takes the
// file name quoted after the first "filename=" in PostData and starts
// DownloadWorker for mode 1 (firmware) or 2 (configuration). False, starting
// nothing, for another mode, without PostData, name or closing quote, while
// an upload runs, or when no thread can be created.
bool StartDownload(uint8_t mode, PanelBridge& panel);

// The worker's body: announce, load and check the file, take the printer out
// of web-panel mode, send, report, close the port and hand OnDisconnect to
// the window's thread. A file that is refused leaves the connection as it was.
void DownloadWorker(PanelBridge& panel);

// Writes the image to the port in 100 chunks of Size / 100 bytes and the
// remainder, with a progress text after each chunk, then releases the image.
// True when every byte was written and no stop was asked for.
bool SendImage(PanelBridge& panel, DownloadImage& image);

// n in decimal digits without leading zeros ("0" for 0).
std::string FormatCount(uint8_t n);

}  // namespace halvoran
