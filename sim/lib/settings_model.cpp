#include "settings_model.h"

#include <charconv>

namespace halvoran::sim {

namespace {

FieldSpec Choice(std::string key, std::string def, std::vector<std::string> choices) {
    return {std::move(key), FieldKind::Choice, std::move(def), std::move(choices)};
}
FieldSpec Integer(std::string key, int def, int min, int max) {
    return {std::move(key), FieldKind::Integer, std::to_string(def), {}, min, max};
}
FieldSpec Text(std::string key, std::string def, int maxLength, bool secret = false) {
    return {std::move(key), FieldKind::Text, std::move(def), {}, 0, maxLength, secret};
}
FieldSpec Ipv4(std::string key, std::string def) { return {std::move(key), FieldKind::Ipv4, std::move(def)}; }

const std::vector<std::string> kOnOff = {"on", "off"};
const std::vector<std::string> kEmulations = {"ZPL", "EPL", "DPL", "ESC/POS"};

std::vector<FieldSpec> BuildSpecs() {
    std::vector<FieldSpec> specs = {
        Choice("print.emulation", "ZPL", kEmulations),
        Integer("print.darkness", 15, 0, 30),
        Integer("print.speed", 4, 2, 12),
        Choice("print.media", "gap", {"gap", "mark", "continuous"}),
        Integer("print.width", 104, 20, 120),
        Choice("panel.language", "English", {"English", "Chinese"}),
        Choice("serial.baud", "9600", {"600", "1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"}),
        Choice("serial.format", "8N1", {"8N1", "8N2", "8E1", "8O1", "8M1", "8S1"}),
        Choice("serial.flow", "xonxoff", {"none", "xonxoff", "rtscts"}),
        Text("net.name", "HALVORAN-P1", 31),
        Text("net.location", "", 31),
        Text("net.contact", "", 31),
        Choice("tcp.dhcp", "off", kOnOff),
        Ipv4("tcp.ip", "192.168.1.90"),
        Ipv4("tcp.mask", "255.255.255.0"),
        Ipv4("tcp.gateway", "192.168.1.1"),
        Integer("tcp.port", 9100, 1, 65535),
        Choice("snmp.enabled", "on", kOnOff),
        Text("snmp.community", "public", 31),
        Ipv4("snmp.trap", "0.0.0.0"),
        Text("mail.server", "", 63),
        Text("mail.from", "", 63),
        Text("mail.to", "", 63),
        Choice("mail.alerts", "off", kOnOff),
        Text("admin.password", "", 15, true),
    };
    for (int n = 1; n <= 8; ++n) {
        const std::string lp = "lp" + std::to_string(n) + ".";
        specs.push_back(Text(lp + "name", "LP" + std::to_string(n), 15));
        specs.push_back(Choice(lp + "enabled", n == 1 ? "on" : "off", kOnOff));
        specs.push_back(Choice(lp + "emulation", "ZPL", kEmulations));
        specs.push_back(Text(lp + "prefix", "", 31));
    }
    return specs;
}

bool IsIpv4(std::string_view value) {
    int parts = 0;
    while (true) {
        size_t dot = value.find('.');
        std::string_view part = value.substr(0, dot);
        int number = -1;
        auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), number);
        if (part.empty() || part.size() > 3 || error != std::errc() || end != part.data() + part.size() ||
            number > 255)
            return false;
        ++parts;
        if (dot == std::string_view::npos) break;
        value.remove_prefix(dot + 1);
    }
    return parts == 4;
}

}  // namespace

const std::vector<FieldSpec>& SettingsModel::Specs() {
    static const std::vector<FieldSpec> specs = BuildSpecs();
    return specs;
}

const FieldSpec* SettingsModel::Find(std::string_view key) {
    for (const FieldSpec& spec : Specs())
        if (spec.Key == key) return &spec;
    return nullptr;
}

SettingsModel::SettingsModel() { ResetToDefaults(); }

void SettingsModel::ResetToDefaults() {
    values_.clear();
    for (const FieldSpec& spec : Specs()) values_[spec.Key] = spec.Default;
}

std::string SettingsModel::Get(std::string_view key) const {
    auto it = values_.find(key);
    return it == values_.end() ? std::string() : it->second;
}

std::string SettingsModel::Check(std::string_view key, std::string_view value) {
    const FieldSpec* spec = Find(key);
    if (!spec) return "unknown setting";
    for (char c : value)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return "control characters are not allowed";
    switch (spec->Kind) {
    case FieldKind::Choice:
        for (const std::string& choice : spec->Choices)
            if (choice == value) return {};
        return "not one of the offered values";
    case FieldKind::Integer: {
        int number = 0;
        auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
        if (value.empty() || error != std::errc() || end != value.data() + value.size())
            return "not a whole number";
        if (number < spec->Min || number > spec->Max)
            return "outside " + std::to_string(spec->Min) + " to " + std::to_string(spec->Max);
        return {};
    }
    case FieldKind::Text:
        if (value.size() > static_cast<size_t>(spec->Max))
            return "longer than " + std::to_string(spec->Max) + " characters";
        return {};
    case FieldKind::Ipv4:
        return IsIpv4(value) ? std::string() : "not an IPv4 address";
    }
    return "unknown setting";
}

bool SettingsModel::Set(std::string_view key, std::string_view value) {
    if (!Check(key, value).empty()) return false;
    values_[std::string(key)] = std::string(value);
    return true;
}

std::string SettingsModel::Serialize(bool includeSecrets) const {
    std::string text;
    for (const FieldSpec& spec : Specs()) {
        if (spec.Secret && !includeSecrets) continue;
        text += spec.Key + "=" + Get(spec.Key) + "\n";
    }
    return text;
}

std::string SettingsModel::ApplyText(std::string_view text, bool allowSecrets) {
    std::vector<std::pair<std::string, std::string>> lines;
    if (!ParseKeyValueLines(text, lines)) return "a line without '='";
    for (const auto& [key, value] : lines) {
        const FieldSpec* spec = Find(key);
        if (spec && spec->Secret && !allowSecrets) return key + ": not accepted here";
        std::string problem = Check(key, value);
        if (!problem.empty()) return key + ": " + problem;
    }
    for (const auto& [key, value] : lines) values_[key] = value;
    return {};
}

bool ParseKeyValueLines(std::string_view text, std::vector<std::pair<std::string, std::string>>& out) {
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) continue;
        size_t eq = line.find('=');
        if (eq == std::string_view::npos) return false;
        out.emplace_back(std::string(line.substr(0, eq)), std::string(line.substr(eq + 1)));
    }
    return true;
}

}  // namespace halvoran::sim
