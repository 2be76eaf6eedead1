#include "app/sysinfo.h"

#include <array>

#include "platform/files.h"

namespace halvoran {

namespace {

struct SettingKey {
    std::string_view Key;
    uint8_t CSysInfo::*Member;
};

// The keys in file order; reading stops at the first key that fails.
constexpr std::array<SettingKey, 7> kKeys = {{
    {"LANG=", &CSysInfo::LangSetting},
    {"PORT=", &CSysInfo::PortSetting},
    {"LPT=", &CSysInfo::LptSetting},
    {"UART=", &CSysInfo::UartSetting},
    {"UARTBAUDI=", &CSysInfo::UartBaudSetting},
    {"UARTFORMATI=", &CSysInfo::UartFormatSetting},
    {"USB=", &CSysInfo::UsbSetting},
}};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string FolderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool ParseThreeDigits(std::string_view chars, uint8_t& out) {
    if (chars.size() < 3) return false;
    if ((chars[0] != '0' && chars[0] != '1') || !IsDigit(chars[1]) || !IsDigit(chars[2])) return false;
    out = static_cast<uint8_t>((chars[0] - '0') * 100 + (chars[1] - '0') * 10 + (chars[2] - '0'));
    return true;
}

void CSysInfo::LoadSettings(const std::string& programFile) {
    ProgramFolder = FolderOf(programFile);
    SettingsPath = ProgramFolder + "/sysinfo.inf";
    if (FileExists(SettingsPath)) {
        ReadSettings();
    } else {
        WriteSettings();
    }
}

bool CSysInfo::ReadSettings() {
    auto bytes = ReadWholeFile(SettingsPath);
    if (!bytes) return false;
    // The last byte is not part of the text: the final LF of a written file.
    size_t length = bytes->empty() ? 0 : bytes->size() - 1;
    ParseSettings(std::string_view(reinterpret_cast<const char*>(bytes->data()), length));
    return true;
}

bool CSysInfo::ParseSettings(std::string_view text) {
    for (const SettingKey& key : kKeys) {
        size_t at = text.find(key.Key);
        if (at == std::string_view::npos) return false;
        if (!ParseThreeDigits(text.substr(at + key.Key.size()), this->*key.Member)) return false;
    }
    return true;
}

bool CSysInfo::WriteSettings() {
    std::string lines;
    lines.reserve(kSettingsFileSize);
    for (const SettingKey& key : kKeys) {
        uint8_t value = this->*key.Member;
        lines += key.Key;
        lines += static_cast<char>('0' + value / 100);
        lines += static_cast<char>('0' + value % 100 / 10);
        lines += static_cast<char>('0' + value % 10);
        lines += "\r\n";
    }
    return WriteFileStart(SettingsPath, reinterpret_cast<const uint8_t*>(lines.data()), lines.size());
}

}  // namespace halvoran
