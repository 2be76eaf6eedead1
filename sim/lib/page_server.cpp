#include "page_server.h"

#include <cstdio>

#include "upload_envelope.h"

namespace halvoran::sim {

namespace {

enum class RestartRule { Never, Always, OnChange };

// A settings form: which settings it may change and whether that restarts the printer.
struct FormRoute {
    std::string_view Path;
    std::string_view Back;  // the form's own page
    std::vector<std::string_view> Prefixes;
    RestartRule Restart;
    std::string_view RestartKey;  // OnChange: this key only (empty: any key)
};

const std::vector<FormRoute>& FormRoutes() {
    static const std::vector<FormRoute> routes = {
        {"/prscfgs.htm", "cfgs.htm", {"print.", "panel."}, RestartRule::OnChange, "print.emulation"},
        {"/prsser.htm", "ser.htm", {"serial."}, RestartRule::Always, {}},
        {"/prsgen.htm", "setgen.htm", {"net."}, RestartRule::Never, {}},
        {"/prstcp.htm", "settcp.htm", {"tcp."}, RestartRule::OnChange, {}},
        {"/prssnmp.htm", "setsnmp.htm", {"snmp."}, RestartRule::Never, {}},
        {"/prsmail.htm", "embmail.htm", {"mail."}, RestartRule::Never, {}},
        {"/prslpcfg.htm", "setlogp.htm", {"lp"}, RestartRule::Never, {}},
    };
    return routes;
}

bool HasPrefix(std::string_view key, const std::vector<std::string_view>& prefixes) {
    for (std::string_view prefix : prefixes)
        if (key.starts_with(prefix)) return true;
    return false;
}

// "/lpcfg3.htm" -> 3; 0 for any other path.
int LogicalPrinterPage(std::string_view path) {
    if (path.size() == 11 && path.starts_with("/lpcfg") && path.ends_with(".htm") && path[6] >= '1' &&
        path[6] <= '8')
        return path[6] - '0';
    return 0;
}

std::string Uptime(uint64_t ms) {
    uint64_t seconds = ms / 1000;
    char text[32];
    std::snprintf(text, sizeof text, "%llu:%02llu:%02llu", static_cast<unsigned long long>(seconds / 3600),
                  static_cast<unsigned long long>(seconds / 60 % 60), static_cast<unsigned long long>(seconds % 60));
    return text;
}

constexpr std::string_view kStaticPages[] = {
    "/index.htm",   "/logo.htm",    "/toc.htm",      "/welcome.htm", "/banner.htm",   "/font.htm",
    "/form.htm",    "/printer.htm", "/codes.htm",    "/cfgs.htm",    "/ser.htm",      "/ldcfg.htm",
    "/svcfg.htm",   "/setgen.htm",  "/settcp.htm",   "/setsnmp.htm", "/password.htm", "/embmail.htm",
    "/setlogp.htm", "/report.htm",  "/status.htm",   "/panelkey.htm", "/tgnet.htm",   "/reset.htm",
    "/toggle.htm",  "/action.htm",  "/restart.htm",  "/panelpop.htm", "/fwdld.htm",   "/dwnld.htm"};

}  // namespace

PageServer::PageServer(SettingsModel& settings, PrinterStatus& status, LogSink log)
    : settings_(settings), status_(status), log_(std::move(log)) {}

void PageServer::Log(const std::string& line) const {
    if (log_) log_(line);
}

std::vector<std::string> PageServer::PagePaths() {
    std::vector<std::string> paths(std::begin(kStaticPages), std::end(kStaticPages));
    for (int n = 1; n <= 8; ++n) paths.push_back("/lpcfg" + std::to_string(n) + ".htm");
    paths.push_back("/conf.cfg");
    paths.push_back("/report.txt");
    paths.push_back("/html/css.css");
    return paths;
}

PageReply PageServer::Handle(const HttpRequest& request) {
    ++status_.Requests;
    return request.Method == "POST" ? Post(request.Path, request.Body) : Get(request.Path);
}

TemplateVars PageServer::LiveVars() const {
    TemplateVars vars;
    vars["status.online"] = status_.Online ? "Online" : "Paused";
    vars["status.display"] = status_.Online ? "READY" : "PAUSED";
    vars["status.uptime"] = Uptime(status_.UptimeMs);
    vars["status.requests"] = std::to_string(status_.Requests);
    vars["status.labels"] = std::to_string(status_.LabelsPrinted);
    vars["status.restarts"] = std::to_string(status_.Restarts);
    vars["status.head"] = std::to_string(24 + status_.LabelsPrinted % 20) + " C";
    vars["status.firmware"] = status_.FirmwareTag.empty()
                                  ? std::string("factory firmware")
                                  : status_.FirmwareTag + ", " + std::to_string(status_.FirmwareSize) + " bytes";
    vars["status.upload"] = status_.LastUpload;
    return vars;
}

PageReply PageServer::Render(std::string_view templateName, TemplateVars vars, std::string_view rename) {
    std::optional<std::string_view> page = FindEmbeddedFile(templateName);
    if (!page) return NotFound("/" + std::string(templateName));
    std::string text(*page);
    if (!rename.empty())
        for (size_t at = text.find("lpX"); at != std::string::npos; at = text.find("lpX", at + rename.size()))
            text.replace(at, 3, rename);
    TemplateVars live = LiveVars();
    vars.insert(live.begin(), live.end());
    std::vector<std::string> unknown;
    PageReply reply;
    reply.Payload = ExpandTemplate(text, vars, settings_, unknown);
    for (const std::string& name : unknown) Log("page " + std::string(templateName) + ": unknown placeholder " + name);
    return reply;
}

PageReply PageServer::NotFound(std::string_view path) {
    Log("unknown page " + std::string(path) + ": answered with the not-found page");
    return Render("_notfound.htm", {{"request.path", std::string(path)}});
}

PageReply PageServer::Answer(std::string_view title, std::string_view message, const std::vector<std::string>& items,
                             std::string_view back) {
    std::string list;
    for (const std::string& item : items) list += "<li>" + HtmlEscape(item) + "</li>\n";
    return Render("_answer.htm", {{"answer.title", std::string(title)},
                                  {"answer.message", std::string(message)},
                                  {"answer.items.html", list.empty() ? std::string() : "<ul>\n" + list + "</ul>"},
                                  {"answer.back", std::string(back)}});
}

PageReply PageServer::BadRequest(std::string_view problem) {
    return Answer("Bad request", "The printer could not read the request: " + std::string(problem) + ".", {},
                  "welcome.htm");
}

std::string PageServer::Report() const {
    TemplateVars live = LiveVars();
    std::string text = "Halvoran P1 label printer - status report\r\n\r\n";
    for (const auto& [name, value] : live) text += name + ": " + value + "\r\n";
    text += "\r\nSettings\r\n";
    std::string settings = settings_.Serialize(false);
    for (char c : settings) text += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return text;
}

PageReply PageServer::Get(std::string_view path) {
    if (path == "/conf.cfg") {
        std::vector<uint8_t> file = MakeConfigFile(settings_.Serialize(false));
        return {std::string(file.begin(), file.end())};
    }
    if (path == "/report.txt") return {Report()};
    if (path == "/html/css.css") return {std::string(FindEmbeddedFile("html/css.css").value_or(""))};
    if (int n = LogicalPrinterPage(path))
        return Render("lpcfg.htm", {{"lp", std::to_string(n)}}, "lp" + std::to_string(n));
    for (std::string_view page : kStaticPages) {
        if (page != path) continue;
        if (path == "/toggle.htm") {
            status_.Online = !status_.Online;
            Log(std::string("printer is now ") + (status_.Online ? "online" : "paused"));
        }
        PageReply reply = Render(path.substr(1));
        reply.Restart = path == "/reset.htm";
        return reply;
    }
    return NotFound(path);
}

PageReply PageServer::ApplyForm(std::string_view path, const FormFields& fields) {
    const FormRoute* route = nullptr;
    for (const FormRoute& candidate : FormRoutes())
        if (candidate.Path == path) route = &candidate;
    if (!route) return NotFound(path);

    std::vector<std::string> problems;
    for (const auto& [key, value] : fields) {
        if (!HasPrefix(key, route->Prefixes) || !SettingsModel::Find(key) || SettingsModel::Find(key)->Secret)
            problems.push_back(key + ": not a setting of this form");
        else if (std::string problem = SettingsModel::Check(key, value); !problem.empty())
            problems.push_back(key + ": " + problem);
    }
    if (!problems.empty()) {
        Log("form " + std::string(path) + " refused: " + problems.front());
        return Answer("Settings not changed", "The form holds values the printer cannot take; nothing was changed.",
                      problems, route->Back);
    }
    bool changed = false, restartChange = false;
    for (const auto& [key, value] : fields) {
        if (settings_.Get(key) == value) continue;
        settings_.Set(key, value);
        changed = true;
        if (route->RestartKey.empty() || route->RestartKey == key) restartChange = true;
    }
    PageReply reply;
    const bool restart = route->Restart == RestartRule::Always ||
                         (route->Restart == RestartRule::OnChange && restartChange);
    if (restart)
        reply = Answer("Settings saved", "The printer restarts now to use the new settings.", {}, route->Back);
    else
        reply = Answer("Settings saved", changed ? "The new settings are in use." : "Nothing was changed.", {},
                       route->Back);
    reply.Marker = reply.Restart = restart;
    reply.SettingsChanged = changed;
    return reply;
}

PageReply PageServer::ChangePassword(const FormFields& fields) {
    std::string old, fresh, confirm;
    for (const auto& [key, value] : fields) {
        if (key == "old") old = value;
        else if (key == "new") fresh = value;
        else if (key == "confirm") confirm = value;
    }
    std::vector<std::string> problems;
    if (old != settings_.Get("admin.password")) problems.push_back("the current password is not right");
    if (fresh != confirm) problems.push_back("the new password and its confirmation differ");
    if (std::string problem = SettingsModel::Check("admin.password", fresh); !problem.empty())
        problems.push_back("new password: " + problem);
    if (!problems.empty()) return Answer("Password not changed", "Nothing was changed.", problems, "password.htm");
    settings_.Set("admin.password", fresh);
    PageReply reply = Answer("Password changed", "The new password is in use.", {}, "password.htm");
    reply.SettingsChanged = true;
    return reply;
}

PageReply PageServer::PanelKey(const FormFields& fields) {
    for (const auto& [key, value] : fields) {
        if (key != "key") continue;
        if (value == "feed") {
            ++status_.LabelsPrinted;
            return Render("panelkey.htm");
        }
        if (value == "pause") {
            status_.Online = !status_.Online;
            return Render("panelkey.htm");
        }
    }
    return Answer("Unknown key", "The panel has the keys FEED and PAUSE.", {}, "panelkey.htm");
}

PageReply PageServer::Post(std::string_view path, std::string_view body) {
    FormFields fields;
    if (!ParseFormData(body, fields)) {
        Log("form " + std::string(path) + ": malformed form data");
        return Answer("Settings not changed", "The form data could not be read; nothing was changed.", {}, "toc.htm");
    }
    if (path == "/prssvcfg.htm") {
        PageReply reply = Answer("Settings saved", "The printer restarts now with the saved settings.", {}, "svcfg.htm");
        reply.Marker = reply.Restart = true;
        return reply;
    }
    if (path == "/prsldcfg.htm") {
        settings_.ResetToDefaults();
        PageReply reply = Answer("Factory settings loaded", "The printer restarts now with its factory settings.", {},
                                 "ldcfg.htm");
        reply.Marker = reply.Restart = reply.SettingsChanged = true;
        return reply;
    }
    if (path == "/prspass.htm") return ChangePassword(fields);
    if (path == "/prspanel.htm") return PanelKey(fields);
    if (path == "/prsfwdld.htm" || path == "/prsdwnld.htm") {
        Log("upload form " + std::string(path) + " posted over the link; uploads arrive as raw files");
        return Answer("Upload not started",
                      "Files are uploaded as raw data after the config tool leaves web panel mode, not as a form.",
                      {}, path == "/prsfwdld.htm" ? "fwdld.htm" : "dwnld.htm");
    }
    return ApplyForm(path, fields);
}

}  // namespace halvoran::sim
