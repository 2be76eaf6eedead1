#include "app/vk_dlg.h"

#include <future>
#include <memory>
#include <utility>

#include "app/layout.h"
#include "app/texts.h"
#include "bridge/page_cache.h"
#include "bridge/page_path.h"
#include "bridge/welcome_page.h"
#include "link/uart_tables.h"

namespace halvoran {

namespace {

// A list row as the commands use it: no selection (-1) becomes 255.
uint8_t RowValue(int row) { return static_cast<uint8_t>(row); }

}  // namespace

CvkDlg::CvkDlg(WindowUi& ui, PortSet ports, std::string programFile)
    : ui_(ui), ports_(std::move(ports)), programFile_(std::move(programFile)) {}

bool CvkDlg::OnInitDialog() {
    SysInfo.LoadSettings(programFile_);
    SetLanguageIndex(SysInfo.LangSetting & 1);
    ui_.AddAboutMenuItem(Tr(text::AboutItem));
    Closing = 0;
    FillTextsAndLists();

    StatusBar.SetLabel(Tr(text::StatusLabel));
    ui_.CreateStatusBar(StatusBar);
    ui_.PlaceWindow(WindowPlacement(ui_.PrimaryScreenSize()));
    SetUpFonts();

    ResetBridge(Bridge, *this, SysInfo);
    ShowStatus(Bridge, Tr(text::NotConnected));
    GenerateWelcomePage(Bridge);
    ui_.Browser().Navigate(WelcomePageFile(SysInfo.ProgramFolder));
    return true;
}

void CvkDlg::FillTextsAndLists() {
    ui_.SetCaption(std::string(Tr(text::WindowTitle)) + text::Version);
    ui_.SetControlText(Control::SerialGroup, "");
    ui_.SetControlText(Control::BaudLabel, Tr(text::BaudLabel));
    ui_.SetControlText(Control::FormatLabel, Tr(text::FormatLabel));

    ui_.ClearList(Control::BaudList);
    for (int row = 0; row < kSerialRowCount; ++row) ui_.InsertRow(Control::BaudList, row, BaudTable[row].Text);
    ui_.SelectRow(Control::BaudList, SysInfo.UartBaudSetting);

    ui_.ClearList(Control::FormatList);
    for (int row = 0; row < kSerialRowCount; ++row) ui_.InsertRow(Control::FormatList, row, FormatTable[row].Text);
    ui_.SelectRow(Control::FormatList, SysInfo.UartFormatSetting);

    ui_.ClearList(Control::InterfaceList);
    ui_.InsertRow(Control::InterfaceList, kPortUsb, Tr(text::InterfaceUsb));
    ui_.InsertRow(Control::InterfaceList, kPortParallel, Tr(text::InterfaceLpt));
    ui_.InsertRow(Control::InterfaceList, kPortSerial, Tr(text::InterfaceCom));

    ui_.ClearList(Control::PortNumberList);
    for (int row = 0; row < kPortNumberRows; ++row) {
        ui_.InsertRow(Control::PortNumberList, row, std::to_string(row + 1));
    }
    ui_.SelectRow(Control::PortNumberList, 0);

    ui_.SelectRow(Control::InterfaceList, SysInfo.PortSetting);
    OnInterfaceChanged();

    ui_.SetControlText(Control::InterfaceLabel, Tr(text::SelectPortLabel));
    ui_.SetControlText(Control::ConnectButton, Tr(text::ConnectButton));
    ui_.SetControlText(Control::DisconnectButton, Tr(text::DisconnectButton));
}

void CvkDlg::SetUpFonts() {
    int dpi = ui_.LogicalPixelsPerInchY();
    int controlHeight = FontPixelHeight(14, dpi);  // also the status bar's
    int serialHeight = FontPixelHeight(13, dpi);
    ui_.SetControlFont(Control::StatusBar, controlHeight);
    for (Control c : {Control::ConnectButton, Control::DisconnectButton, Control::InterfaceList,
                      Control::InterfaceLabel, Control::PortNumberList}) {
        ui_.SetControlFont(c, controlHeight);
    }
    for (Control c : {Control::SerialGroup, Control::BaudLabel, Control::FormatLabel, Control::BaudList,
                      Control::FormatList}) {
        ui_.SetControlFont(c, serialHeight);
    }
}

void CvkDlg::OnInterfaceChanged() {
    int row = ui_.SelectedRow(Control::InterfaceList);
    uint8_t stored;
    switch (row) {
        case kPortUsb: stored = SysInfo.UsbSetting; break;
        case kPortParallel: stored = SysInfo.LptSetting; break;
        case kPortSerial: stored = SysInfo.UartSetting; break;
        default: return;
    }
    ui_.SelectRow(Control::PortNumberList, static_cast<int>(stored) - 1);
    ui_.EnableControl(Control::PortNumberList, true);
    bool serial = row == kPortSerial;
    for (Control c : {Control::SerialGroup, Control::BaudLabel, Control::FormatLabel, Control::BaudList,
                      Control::FormatList}) {
        ui_.EnableControl(c, serial);
    }
}

void CvkDlg::OnSize(int type, int cx, int cy) {
    if (SizeState == 0) {
        SizeState = 1;
        return;
    }
    LayoutControls(type, cx, cy);
}

void CvkDlg::LayoutControls(int type, int cx, int cy) {
    for (const ControlMove& move : ComputeLayout(cx, cy, [this](Control c) { return ui_.ControlSize(c); })) {
        if (move.Which == Control::StatusBar && SizeState == 1) {
            // The first pass leaves the status bar where it placed itself.
            SizeState = 2;
            continue;
        }
        ui_.MoveControl(move.Which, move.To);
    }
    ui_.Invalidate({0, cy - kBottomBandHeight, cx, kBottomBandHeight});
    if (type == kSizeMaximized) ui_.InvalidateAll();
}

bool CvkDlg::OnSysCommand(unsigned commandId) {
    if ((commandId & ~0xFu) != kAboutCommand) return false;
    ui_.ShowAboutBox();
    return true;
}

CIface* CvkDlg::SelectPort(uint8_t kind, uint8_t portNumber, uint8_t baudRow, uint8_t formatRow) {
    switch (kind) {
        case kPortUsb:
        case kPortParallel: {
            CIface* port = kind == kPortUsb ? ports_.Usb : ports_.Parallel;
            if (port) port->Configure(portNumber, kConnectTimeoutMs, kConnectTimeoutMs);
            return port;
        }
        case kPortSerial:
            if (ports_.Serial) ports_.SetSerialLine(portNumber, baudRow, formatRow);
            return ports_.Serial;
        default:
            return nullptr;
    }
}

void CvkDlg::OnConnect() {
    Closing = 0;
    SetStatusText(Tr(text::Connecting), false);
    uint8_t formatRow = RowValue(ui_.SelectedRow(Control::FormatList));
    uint8_t baudRow = RowValue(ui_.SelectedRow(Control::BaudList));
    uint8_t numberRow = RowValue(ui_.SelectedRow(Control::PortNumberList));
    uint8_t kind = RowValue(ui_.SelectedRow(Control::InterfaceList));

    Bridge.Port = SelectPort(kind, static_cast<uint8_t>(numberRow + 1), baudRow, formatRow);
    CIface* port = Bridge.Port;
    if (!port || !port->Connect()) {
        // The bridge does not keep the released port: a link on the welcome
        // page is then refused by the dispatcher instead of being fetched
        // over it, which would report a link error and block navigation.
        if (port) port->Release();
        Bridge.Port = nullptr;
        SetStatusText(Tr(text::ConnectFailed), true);
        return;
    }

    SysInfo.PortSetting = port->PortKind;
    switch (port->PortKind) {
        case kPortUsb: SysInfo.UsbSetting = port->PortNumber; break;
        case kPortParallel: SysInfo.LptSetting = port->PortNumber; break;
        case kPortSerial:
            SysInfo.UartSetting = port->PortNumber;
            SysInfo.UartBaudSetting = ports_.SerialBaudIndex();
            SysInfo.UartFormatSetting = ports_.SerialFormatIndex();
            break;
    }
    SysInfo.WriteSettings();
    SetStatusText(Tr(text::Connected), false);
    ResetPageCache(Bridge);
    ui_.Browser().Navigate(LocalPagePath(SysInfo.ProgramFolder, "/homepage.html"));
    ui_.EnableControl(Control::DisconnectButton, true);
    ui_.EnableControl(Control::ConnectButton, false);
}

void CvkDlg::OnDisconnect() {
    if (!ui_.IsWindowThread()) {
        // A worker's Disconnect runs on the window's thread, after whatever it posted before.
        ui_.PostToWindowThread([this] { OnDisconnect(); });
        return;
    }
    if (Bridge.DownloadRunning) {
        if (ui_.AskOkCancel(Tr(text::StopWhileDownloading), false)) Bridge.StopDownload = 1;
        return;
    }
    if (Bridge.RestartRunning) {
        if (ui_.AskOkCancel(Tr(text::StopWhileRebooting), false)) Bridge.StopRestart = 1;
        return;
    }
    if (Bridge.Port) {
        Bridge.Port->Disconnect(1);
        Bridge.Port = nullptr;
    }
    if (Closing) {
        ui_.EndDialog();
        return;
    }
    ResetBridge(Bridge, *this, SysInfo);
    ShowStatus(Bridge, Tr(text::NotConnected));
    ui_.Browser().Navigate(WelcomePageFile(SysInfo.ProgramFolder));
    EnableConnect();
}

void CvkDlg::OnClose() {
    Closing = 1;
    OnDisconnect();
}

void CvkDlg::SetStatusText(const std::string& text, bool isError) {
    if (ui_.IsWindowThread()) {
        StatusBar.SetMessage(text, isError);
        ui_.RepaintStatusBar(StatusBar);
        return;
    }
    // Hand the text to the window's thread and wait until it has been taken.
    // If the window no longer runs tasks, the task is destroyed unrun, which
    // breaks the promise and releases the wait.
    auto taken = std::make_shared<std::promise<void>>();
    std::future<void> done = taken->get_future();
    ui_.PostToWindowThread([this, text, isError, taken = std::move(taken)] {
        StatusBar.SetMessage(text, isError);
        ui_.RepaintStatusBar(StatusBar);
        taken->set_value();
    });
    done.wait();
}

void ResetBridge(PanelBridge& bridge, CvkDlg& dialog, const CSysInfo& settings) {
    bridge.Reset(&dialog, settings.ProgramFolder);
}

}  // namespace halvoran
