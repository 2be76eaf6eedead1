// The simulated printer's settings: named text values, each checked against
// its field description. Posts, uploaded configuration files and the state
// file all change the settings through this one model.
#pragma once
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace halvoran::sim {

enum class FieldKind { Choice, Integer, Text, Ipv4 };

struct FieldSpec {
    std::string Key;
    FieldKind Kind;
    std::string Default;
    std::vector<std::string> Choices;  // Choice only
    int Min = 0;                       // Integer: range; Text: unused
    int Max = 0;                       // Integer: range; Text: longest length
    bool Secret = false;               // kept out of the exported configuration file
};

class SettingsModel {
public:
    SettingsModel();

    static const std::vector<FieldSpec>& Specs();
    static const FieldSpec* Find(std::string_view key);

    std::string Get(std::string_view key) const;
    // Empty when the value suits the field, else a short reason.
    static std::string Check(std::string_view key, std::string_view value);
    // Sets a value that passed Check; false (and nothing changed) otherwise.
    bool Set(std::string_view key, std::string_view value);
    void ResetToDefaults();

    // "key=value" lines in field order; secrets only when asked for.
    std::string Serialize(bool includeSecrets) const;
    // Applies "key=value" lines all or nothing: every key must be known (and
    // not secret unless allowed) and every value valid. Keys not named keep
    // their value. Returns an empty text on success, else the first problem.
    std::string ApplyText(std::string_view text, bool allowSecrets);

    bool operator==(const SettingsModel& other) const { return values_ == other.values_; }

private:
    std::map<std::string, std::string, std::less<>> values_;
};

// Splits "key=value" lines (LF or CR LF); false on a line without '='.
bool ParseKeyValueLines(std::string_view text, std::vector<std::pair<std::string, std::string>>& out);

}  // namespace halvoran::sim
