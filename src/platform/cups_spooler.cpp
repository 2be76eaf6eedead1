#include "platform/cups_spooler.h"

#include <cups/cups.h>

#include <memory>

#include "platform/cups_port_map.h"

namespace halvoran {

namespace {

constexpr const char* kFilePort = "FILE:";

struct IppFree {
    void operator()(ipp_t* ipp) const { ippDelete(ipp); }
};
using Ipp = std::unique_ptr<ipp_t, IppFree>;

// Never ask for a password on the terminal: a refusal is an answer.
const char* NoPassword(const char*, http_t*, const char*, const char*, void*) { return nullptr; }

ipp_t* NewPrinterRequest(ipp_op_t op, const std::string& printer) {
    ipp_t* request = ippNewRequest(op);
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0, "/printers/%s",
                     printer.c_str());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    return request;
}

// Sends the request (always consumed) and returns the answer when it succeeded.
Ipp Send(ipp_t* request, const char* resource) {
    cupsSetPasswordCB2(NoPassword, nullptr);
    Ipp answer(cupsDoRequest(CUPS_HTTP_DEFAULT, request, resource));
    if (!answer || ippGetStatusCode(answer.get()) > IPP_STATUS_OK_CONFLICTING) return nullptr;
    return answer;
}

PortChange ChangeOutcome() {
    switch (cupsLastError()) {
        case IPP_STATUS_OK:
        case IPP_STATUS_OK_IGNORED_OR_SUBSTITUTED:
        case IPP_STATUS_OK_CONFLICTING:
            return PortChange::Done;
        case IPP_STATUS_ERROR_FORBIDDEN:
        case IPP_STATUS_ERROR_NOT_AUTHENTICATED:
        case IPP_STATUS_ERROR_NOT_AUTHORIZED:
        case IPP_STATUS_ERROR_CUPS_AUTHENTICATION_CANCELED:
            return PortChange::Denied;
        default:
            return PortChange::Failed;
    }
}

struct QueueState {
    std::string DeviceUri;
    bool Stopped = false;
    std::string Message;
};

std::optional<QueueState> ReadQueue(const std::string& printer) {
    static const char* const kWanted[] = {"device-uri", "printer-state", "printer-state-message"};
    ipp_t* request = NewPrinterRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, printer);
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 3, nullptr, kWanted);
    Ipp answer = Send(request, "/");
    if (!answer) return std::nullopt;
    QueueState state;
    if (ipp_attribute_t* a = ippFindAttribute(answer.get(), "device-uri", IPP_TAG_URI))
        state.DeviceUri = ippGetString(a, 0, nullptr);
    if (ipp_attribute_t* a = ippFindAttribute(answer.get(), "printer-state", IPP_TAG_ENUM))
        state.Stopped = ippGetInteger(a, 0) == IPP_PSTATE_STOPPED;
    if (ipp_attribute_t* a = ippFindAttribute(answer.get(), "printer-state-message", IPP_TAG_TEXT))
        state.Message = ippGetString(a, 0, nullptr);
    return state;
}

bool HeldByUs(const QueueState& state) { return state.Stopped && state.Message == kHeldMessage; }

PortChange Resume(const std::string& printer) {
    Send(NewPrinterRequest(IPP_OP_RESUME_PRINTER, printer), "/admin/");
    return ChangeOutcome();
}

}  // namespace

std::optional<std::vector<std::string>> CupsSpooler::ListLocalPrinters() {
    static const char* const kWanted[] = {"printer-name", "printer-type"};
    ipp_t* request = ippNewRequest(IPP_OP_CUPS_GET_PRINTERS);
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 2, nullptr, kWanted);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    Ipp answer = Send(request, "/");
    if (!answer) {
        if (cupsLastError() == IPP_STATUS_ERROR_NOT_FOUND) return std::vector<std::string>{};  // no queues
        return std::nullopt;
    }
    std::vector<std::string> names;
    std::string name;
    int type = 0;
    // One group of attributes per printer; a separator (no name) ends it.
    auto finish = [&] {
        if (!name.empty() && !(type & (CUPS_PRINTER_REMOTE | CUPS_PRINTER_CLASS))) names.push_back(name);
        name.clear();
        type = 0;
    };
    for (ipp_attribute_t* a = ippFirstAttribute(answer.get()); a; a = ippNextAttribute(answer.get())) {
        const char* attr = ippGetName(a);
        if (!attr) {
            finish();
            continue;
        }
        if (ippGetGroupTag(a) != IPP_TAG_PRINTER) continue;
        if (std::string(attr) == "printer-name") name = ippGetString(a, 0, nullptr);
        if (std::string(attr) == "printer-type") type = ippGetInteger(a, 0);
    }
    finish();
    return names;
}

std::optional<std::string> CupsSpooler::PrinterPort(const std::string& printer) {
    auto state = ReadQueue(printer);
    if (!state) return std::nullopt;
    if (HeldByUs(*state)) return kFilePort;
    // A queue stopped by someone else drives no device: it is on no port.
    if (state->Stopped) return "stopped " + state->DeviceUri;
    std::string port = PortOfDeviceUri(state->DeviceUri, comPorts_, lptPorts_);
    return port.empty() ? state->DeviceUri : port;
}

PortChange CupsSpooler::SetPrinterPort(const std::string& printer, const std::string& port) {
    if (port == kFilePort) {
        ipp_t* request = NewPrinterRequest(IPP_OP_PAUSE_PRINTER, printer);
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_TEXT, "printer-state-message", nullptr, kHeldMessage);
        Send(request, "/admin/");
        return ChangeOutcome();
    }
    auto state = ReadQueue(printer);
    if (!state || !HeldByUs(*state)) return PortChange::Failed;
    return Resume(printer);
}

int CupsSpooler::ResumeLeftoverHolds() {
    int resumed = 0;
    for (const std::string& name : ListLocalPrinters().value_or(std::vector<std::string>{})) {
        auto state = ReadQueue(name);
        if (state && HeldByUs(*state) && Resume(name) == PortChange::Done) ++resumed;
    }
    return resumed;
}

}  // namespace halvoran
