// CSysInfo: the settings file sysinfo.inf beside the program and the
// program's folder. Every failure here is silent: the program runs on with
// the values in memory.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace halvoran {

class CSysInfo {
public:
    virtual ~CSysInfo() = default;

    // Takes the folder of programFile, then reads the settings file when it
    // exists and creates it with the current values when it does not.
    void LoadSettings(const std::string& programFile);
    // Reads the file and parses it without its last byte; true when the file
    // could be read, whatever the parse found.
    bool ReadSettings();
    // Fills the members key by key in their fixed order and stops at the first
    // missing or invalid key; true only when all seven were read.
    bool ParseSettings(std::string_view text);
    // Writes the seven lines (80 bytes) from the start of the file without
    // shortening it; true when the file could be opened.
    bool WriteSettings();

    // The folder of the program file, without a trailing separator.
    std::string ProgramFolder;
    std::string SettingsPath;
    uint8_t LangSetting = 0;
    uint8_t LptSetting = 1;
    uint8_t UartSetting = 1;
    uint8_t PortSetting = 0;
    uint8_t UartBaudSetting = 1;
    uint8_t UartFormatSetting = 0;
    uint8_t UsbSetting = 1;
};

inline constexpr size_t kSettingsFileSize = 80;

// The folder of a file path, without a trailing separator.
std::string FolderOf(const std::string& path);

// Three characters "000" to "199" to their value; out is untouched when invalid.
bool ParseThreeDigits(std::string_view chars, uint8_t& out);

}  // namespace halvoran
