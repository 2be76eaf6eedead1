#include "bridge/welcome_page.h"

#include <algorithm>
#include <cstring>

#include "bridge/page_cache.h"
#include "bridge/page_path.h"
#include "bridge/panel_bridge.h"

namespace halvoran {

namespace {

constexpr std::string_view kTemplate =
    "<html>\n"
    "<head>\n"
    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">\n"
    "<meta name=\"GENERATOR\" content=\"Microsoft FrontPage 4.0\">\n"
    "<meta name=\"ProgId\" content=\"FrontPage.Editor.Document\">\n"
    "<title>Halvoran Printer Config Tool</title>\n"
    "<style type=\"text/css\">\n"
    "<!--\n"
    "#blocki {\n"
    "\tposition: absolute;\n"
    "\tleft: 0px;\n"
    "\ttop: 0px;\n"
    "\twidth:0999px;\n"
    "\theight:0550px;\n"
    "\tbackground: #FFFFFF;\n"
    "}\n"
    "\n"
    ".image01{\n"
    "position:absolute;\n"
    "top:0000; \n"
    "left:0000;\n"
    "}\n"
    "\n"
    ".image02{\n"
    "position:absolute;\n"
    "top:0148; \n"
    "left:0000;\n"
    " }\n"
    "\n"
    ".text01{\n"
    "position:absolute;\n"
    "top:0008; \n"
    "left:0360;\n"
    "font-family:Verdana,Ariel,Helvetica,sans-serif;\n"
    "font-size:36px;\n"
    "font-weight:bold;\n"
    "color:#FFFFFF;}\n"
    "\n"
    ".text02{\n"
    "position:absolute;\n"
    "top:0060; \n"
    "left:0720;\n"
    "font-family:Verdana,Ariel,Helvetica,sans-serif;\n"
    "font-size:25px;\n"
    "font-weight:bold;\n"
    "color:#FFFFFF;}\n"
    "\n"
    "-->\n"
    "</style>\n"
    "\n"
    "</head>\n"
    "\n"
    "<div id=\"blocki\">\n"
    "   <div class=\"image01\"><img src= \"title1.gif\"</div width=\"1000\" height=\"0104\" >\n"
    "  \n"
    "  <div class=\"text01\">Halvoran Printer Config Tool</div>\n"
    "  <div class=\"text02\"> </div>\n"
    "  <div class=\"image02\"><img src=\"printer.gif\" </div width=\"1000\" height=\"0497\" >\n"
    "\n"
    "</div>\n"
    "\n"
    "</div>\n"
    "\t\n"
    "</html>\n";

constexpr int kNarrowWidth = 1000;     // wider areas stretch the page block
constexpr int kTitlePictureHeight = 104;

// Overwrites the four characters after the first `property` following the
// first `selector`; a missing text skips the patch.
void ApplyPatch(std::string& page, std::string_view selector, std::string_view property, int value) {
    size_t at = page.find(selector);
    if (at == std::string::npos) return;
    at = page.find(property, at + selector.size());
    if (at == std::string::npos || page.size() - (at + property.size()) < 4) return;
    const std::array<char, 4> digits = FormatFourDigits(value);
    std::copy(digits.begin(), digits.end(), page.begin() + static_cast<std::ptrdiff_t>(at + property.size()));
}

}  // namespace

std::array<char, 4> FormatFourDigits(int n) {
    n = std::clamp(n, 0, kFourDigitMax);
    return {static_cast<char>('0' + n / 1000), static_cast<char>('0' + n % 1000 / 100),
            static_cast<char>('0' + n % 100 / 10), static_cast<char>('0' + n % 10)};
}

std::string_view WelcomeTemplate() { return kTemplate; }

std::string PatchWelcomeTemplate(int width, int height) {
    const bool wide = width > kNarrowWidth;
    const struct {
        bool WideOnly;
        std::string_view Selector;
        std::string_view Property;
        int Value;
    } patches[] = {
        {true, "#blocki {", "width:", width},
        {true, "#blocki {", "height:", height + kTitlePictureHeight},
        {false, ".text01{", "left:", 266},
        {false, ".text01{", "top:", 42},
        {false, ".text02{", "top:", 60},
        {false, ".text02{", "left:", 599},
        {true, ".image01{", "left:", (width - kNarrowWidth) / 2},
        {true, ".image02{", "left:", 0},
        {true, ".image02{", "top:", 107},
    };
    std::string page(kTemplate);
    for (const auto& patch : patches) {
        if (patch.WideOnly && !wide) continue;
        ApplyPatch(page, patch.Selector, patch.Property, patch.Value);
    }
    return page;
}

std::string WelcomePageFile(const std::string& programFolder) {
    return LocalPagePath(programFolder, kWelcomePage);
}

bool GenerateWelcomePage(PanelBridge& bridge) {
    const BrowserArea area = bridge.Dialog ? bridge.Dialog->BrowserAreaSize() : BrowserArea{};
    const std::string page = PatchWelcomeTemplate(area.Width, area.Height);
    std::memcpy(bridge.PageBuffer, page.data(), page.size());
    bridge.PageLength = static_cast<uint32_t>(page.size());

    bridge.CurrentPage = kWelcomePage;
    bridge.CurrentFile = WelcomePageFile(bridge.ProgramFolder);
    if (!bridge.CurrentFile.empty()) WritePageFile(bridge.CurrentFile, bridge, bridge.CurrentPage);
    bridge.CurrentFile.clear();
    bridge.CurrentPage.clear();
    return true;
}

}  // namespace halvoran
