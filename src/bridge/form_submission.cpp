#include "bridge/form_submission.h"

#include "app/texts.h"
#include "bridge/page_cache.h"
#include "bridge/panel_bridge.h"
#include "bridge/request_builder.h"
#include "bridge/restart_monitor.h"

namespace halvoran {

namespace {

// Forms whose marked answer changes the pages the cache holds.
bool ResetsCacheWhenMarked(std::string_view pagePath) {
    return pagePath == "/prssvcfg.htm" || pagePath == "/prsldcfg.htm";
}

}  // namespace

bool SubmitForm(std::string_view pagePath, const char* formData, PanelBridge& bridge,
                const std::string& localPath, int32_t contentLength) {
    if (!BuildRequest(pagePath, kRequestPost, bridge, formData ? formData : "", contentLength)) return false;

    CIface* port = bridge.Port;
    bool answered = port && port->Write(bridge.RequestBuffer, bridge.RequestLength);
    if (answered) {
        bridge.PageLength = kPageBufferSize;
        answered = port->ReadRecord(bridge.PageBuffer, bridge.PageLength);
    }
    if (!answered) {
        ShowError(bridge, Tr(text::CommunicationError));
        bridge.NavState = Blocked;
        if (port) port->Close();
        return false;
    }
    // Taken now: the cache reset below may fetch pages and read new records.
    const bool marked = port->RecordMarker != 0;
    const std::string page(pagePath);

    const bool written = WritePageFile(localPath, bridge, page);
    if (page == "/prscfgs.htm") ResetPageCache(bridge);

    if (marked) {
        ShowStatus(bridge, Tr(text::ResetRequired));
        bridge.NavState = Blocked;
        if (page == "/prsser.htm" && port->PortKind == kPortSerial) {
            ShowStatus(bridge, Tr(text::SerialSettingsChanged));
            port->Close();
            bridge.Pause->SleepMs(kSerialSettingsPauseMs);
            if (bridge.Dialog) bridge.Dialog->OnDisconnect();
            return true;
        }
        if (ResetsCacheWhenMarked(page)) ResetPageCache(bridge);
        StartRestartMonitor(bridge);
        return true;
    }

    FetchPage(bridge.PreviousPage, bridge, bridge.PreviousFile, true);
    ShowStatus(bridge, page + Tr(text::PageLoaded));
    return written;
}

}  // namespace halvoran
