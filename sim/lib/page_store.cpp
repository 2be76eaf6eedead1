#include "page_store.h"

#include "http_request.h"
#include "settings_model.h"

namespace halvoran::sim {

std::optional<std::string_view> FindEmbeddedFile(std::string_view name) {
    for (size_t i = 0; i < kEmbeddedFileCount; ++i)
        if (name == kEmbeddedFiles[i].Name)
            return std::string_view(reinterpret_cast<const char*>(kEmbeddedFiles[i].Data), kEmbeddedFiles[i].Size);
    return std::nullopt;
}

namespace {

std::optional<std::string> Options(std::string_view key, const SettingsModel& settings) {
    const FieldSpec* spec = SettingsModel::Find(key);
    if (!spec || spec->Kind != FieldKind::Choice) return std::nullopt;
    const std::string current = settings.Get(key);
    std::string html;
    for (const std::string& choice : spec->Choices) {
        std::string value = HtmlEscape(choice);
        html += "<option value=\"" + value + "\"" + (choice == current ? " selected" : "") + ">" + value +
                "</option>";
    }
    return html;
}

std::optional<std::string> Resolve(std::string_view name, const TemplateVars& vars, const SettingsModel& settings) {
    constexpr std::string_view kOptions = "options ";
    if (name.starts_with(kOptions)) return Options(name.substr(kOptions.size()), settings);
    if (auto it = vars.find(name); it != vars.end())
        return name.ends_with(".html") ? it->second : HtmlEscape(it->second);
    if (SettingsModel::Find(name)) return HtmlEscape(settings.Get(name));
    return std::nullopt;
}

}  // namespace

std::string ExpandTemplate(std::string_view text, const TemplateVars& vars, const SettingsModel& settings,
                           std::vector<std::string>& unknown) {
    std::string out;
    out.reserve(text.size());
    while (true) {
        size_t open = text.find("{{");
        size_t close = open == std::string_view::npos ? open : text.find("}}", open + 2);
        if (close == std::string_view::npos) {
            out += text;
            return out;
        }
        out += text.substr(0, open);
        std::string_view name = text.substr(open + 2, close - open - 2);
        if (std::optional<std::string> value = Resolve(name, vars, settings)) {
            out += *value;
        } else {
            out += '?';
            unknown.emplace_back(name);
        }
        text.remove_prefix(close + 2);
    }
}

}  // namespace halvoran::sim
