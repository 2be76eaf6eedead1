// The local welcome page shown while no printer is connected, fitted to the
// size of the browser area and written into the page cache.
#pragma once
#include <array>
#include <string>
#include <string_view>

namespace halvoran {

struct PanelBridge;

inline constexpr std::string_view kWelcomePage = "/welcome_local.htm";
inline constexpr int kFourDigitMax = 9999;

// n as four decimal digits, 42 as "0042". Values outside 0..9999 have no
// four-digit form and are limited to that range.
std::array<char, 4> FormatFourDigits(int n);

// The welcome page's HTML text before any patch (64 lines, LF line ends).
std::string_view WelcomeTemplate();

// The template with the size patches for a browser area of width x height.
std::string PatchWelcomeTemplate(int width, int height);

// Writes welcome_local.htm for the window's browser area into the page cache.
// Always true; the file write's outcome is not examined.
bool GenerateWelcomePage(PanelBridge& bridge);

// The local path of welcome_local.htm, where start-up and Disconnect send the browser.
std::string WelcomePageFile(const std::string& programFolder);

}  // namespace halvoran
