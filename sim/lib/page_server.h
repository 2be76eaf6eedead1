// The printer's web server: answers each request with the page (or file) that
// goes into one ResponseRecord, and applies submitted settings forms.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "http_request.h"
#include "page_store.h"
#include "settings_model.h"

namespace halvoran::sim {

// Live values shown by the status pages and the report.
struct PrinterStatus {
    bool Online = true;
    uint32_t LabelsPrinted = 0;
    uint32_t Requests = 0;
    uint32_t Restarts = 0;
    uint64_t UptimeMs = 0;
    std::string FirmwareTag;  // empty: the factory firmware
    uint64_t FirmwareSize = 0;
    std::string LastUpload = "none";
};

struct PageReply {
    std::string Payload;
    bool Marker = false;           // answer with 0x55 0xAA and restart
    bool Restart = false;          // restart after the answer (the reset page, marked answers)
    bool SettingsChanged = false;  // the state file needs saving
};

using LogSink = std::function<void(const std::string&)>;

class PageServer {
public:
    PageServer(SettingsModel& settings, PrinterStatus& status, LogSink log);

    PageReply Handle(const HttpRequest& request);
    PageReply Get(std::string_view path);
    PageReply Post(std::string_view path, std::string_view body);
    // The answer to a request the server cannot read.
    PageReply BadRequest(std::string_view problem);

    // Every page path a GET answers with a page of its own (not the 404 page).
    static std::vector<std::string> PagePaths();

private:
    PageReply Render(std::string_view templateName, TemplateVars vars = {}, std::string_view rename = {});
    PageReply Answer(std::string_view title, std::string_view message, const std::vector<std::string>& items,
                     std::string_view back);
    PageReply NotFound(std::string_view path);
    TemplateVars LiveVars() const;
    std::string Report() const;
    PageReply ApplyForm(std::string_view path, const FormFields& fields);
    PageReply ChangePassword(const FormFields& fields);
    PageReply PanelKey(const FormFields& fields);
    void Log(const std::string& line) const;

    SettingsModel& settings_;
    PrinterStatus& status_;
    LogSink log_;
};

}  // namespace halvoran::sim
