// The main window's logic with a fake UI and three scripted ports: start-up,
// the interface list, Connect, Disconnect, Close and the status hand-off.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <thread>

#include "app/texts.h"
#include "app/vk_dlg.h"
#include "bridge/navigation_dispatcher.h"
#include "fake_ui.h"
#include "link/frames.h"
#include "link/uart_tables.h"
#include "support/scripted_device.h"
#include "support/stream_port.h"
#include "support/temp_folder.h"

namespace halvoran {
namespace {

using test::Bytes;
using test::FakeUi;
using test::MakeRecord;
using test::ScriptedDevice;
using test::StreamPort;
using test::TempFolder;

constexpr const char* kDefaultFile =
    "LANG=000\r\nPORT=000\r\nLPT=001\r\nUART=001\r\nUARTBAUDI=001\r\nUARTFORMATI=000\r\nUSB=001\r\n";

Bytes Command(uint8_t code) {
    ModeCommand command = MakeModeCommand(code);
    return Bytes(command.begin(), command.end());
}

class DialogTest : public ::testing::Test {
protected:
    DialogTest() {
        usb.PortKind = kPortUsb;
        lpt.PortKind = kPortParallel;
        // The two pages a connect pre-fetches are cached, so a connect sends only the handshake.
        folder.Write("p1/logo.htm", "logo");
        folder.Write("p1/toc.htm", "toc");
    }
    ~DialogTest() override { SetLanguageIndex(0); }

    PortEnv Env(ScriptedDevice& device) { return {&device, &time, &time, nullptr}; }

    PortSet Ports() {
        PortSet ports{&usb, &lpt, &com, {}, {}, {}};
        ports.SetSerialLine = [this](uint8_t number, uint8_t baud, uint8_t format) {
            com.Configure(number, kConnectTimeoutMs, kConnectTimeoutMs);
            baudIndex = static_cast<uint8_t>(ClampSerialRow(baud));
            formatIndex = static_cast<uint8_t>(ClampSerialRow(format));
        };
        ports.SerialBaudIndex = [this] { return baudIndex; };
        ports.SerialFormatIndex = [this] { return formatIndex; };
        return ports;
    }

    // Creates the window as the toolkit does: first size event, then start-up.
    void Start(const char* settings = nullptr) {
        if (settings) folder.Write("sysinfo.inf", settings);
        dlg.emplace(*ui, Ports(), folder.Path() + "/halvoran-config");
        dlg->OnSize(0, 0, 0);
        ASSERT_TRUE(dlg->OnInitDialog());
    }

    // A new window with a new UI, for the next case of a table.
    void Fresh() {
        dlg.reset();
        ui = std::make_unique<FakeUi>();
    }

    ScriptedDevice& DeviceOf(int interfaceRow) {
        return interfaceRow == kPortUsb ? usbDevice : interfaceRow == kPortParallel ? lptDevice : comDevice;
    }

    void Select(int interfaceRow, int numberRow, int baudRow = -1, int formatRow = -1) {
        ui->SelectRow(Control::InterfaceList, interfaceRow);
        ui->SelectRow(Control::PortNumberList, numberRow);
        ui->SelectRow(Control::BaudList, baudRow);
        ui->SelectRow(Control::FormatList, formatRow);
    }

    void ConnectOver(ScriptedDevice& device) {
        device.QueueReply(MakeRecord(Command(kModeConnect)));
        dlg->OnConnect();
    }

    std::string Welcome() const { return folder.Path() + "/p1/welcome_local.htm"; }
    std::string Home() const { return folder.Path() + "/p1/homepage.html"; }
    std::string LastNavigation() { return ui->View.Navigations().back().Url; }
    test::StatusLine LastStatus() const { return ui->Shown.back(); }

    TempFolder folder;
    VirtualTime time;
    ScriptedDevice usbDevice{time}, lptDevice{time}, comDevice{time};
    StreamPort usb{Env(usbDevice)}, lpt{Env(lptDevice)}, com{Env(comDevice)};
    uint8_t baudIndex = 0, formatIndex = 0;
    std::unique_ptr<FakeUi> ui = std::make_unique<FakeUi>();
    std::optional<CvkDlg> dlg;
};

TEST_F(DialogTest, FirstStartWritesDefaultsAndShowsTheWelcomePageInEnglish) {
    Start();
    EXPECT_EQ(folder.Read("sysinfo.inf"), kDefaultFile);
    EXPECT_EQ(LanguageIndex(), 0);
    EXPECT_EQ(ui->Caption, "Halvoran Printer Config Tool V1.5");
    EXPECT_EQ(ui->AboutItem, "About...");
    EXPECT_EQ(ui->StatusLabel, "State:");
    EXPECT_EQ(ui->Lists[Control::InterfaceList].Rows, (std::vector<std::string>{"USB Port", "LPT Port", "COM Port"}));
    EXPECT_EQ(ui->Lists[Control::PortNumberList].Rows.size(), 16u);
    EXPECT_EQ(ui->Lists[Control::PortNumberList].Rows.back(), "16");
    EXPECT_EQ(ui->Lists[Control::BaudList].Rows.front(), BaudTable[0].Text);
    EXPECT_EQ(ui->Lists[Control::FormatList].Rows.size(), 6u);
    EXPECT_EQ(ui->Lists[Control::BaudList].Selected, 1);
    EXPECT_EQ(ui->Lists[Control::InterfaceList].Selected, 0);
    EXPECT_EQ(ui->Texts[Control::ConnectButton], "Connect");
    EXPECT_EQ(ui->Texts[Control::SerialGroup], "");
    EXPECT_EQ(ui->Placements, (std::vector<Rect>{{192, 43, 1536, 864}}));
    EXPECT_EQ(ui->Fonts[Control::StatusBar], 19);
    EXPECT_EQ(ui->Fonts[Control::FormatList], 17);
    EXPECT_EQ(LastStatus(), (test::StatusLine{"Not connected to printer", false}));
    EXPECT_EQ(LastNavigation(), Welcome());
    EXPECT_FALSE(folder.Read("p1/welcome_local.htm").empty());
    EXPECT_EQ(dlg->Bridge.Dialog, &*dlg);
    EXPECT_EQ(dlg->Bridge.ProgramFolder, folder.Path());
}

TEST_F(DialogTest, StoredSettingsPreselectTheLists) {
    struct Case {
        const char* File;
        int Interface, Number, Baud;
        bool SerialEnabled;
        const char* Label;
    } cases[] = {
        // LPT3: serial settings off.
        {"LANG=000\r\nPORT=001\r\nLPT=003\r\n", 1, 2, 1, false, "SelectPort:"},
        // COM2 in Chinese: serial settings on.
        {"LANG=001\r\nPORT=002\r\nLPT=001\r\nUART=002\r\nUARTBAUDI=004\r\n", 2, 1, 4, true, "  选择接口:"},
        // No interface row 5: the port number keeps row 0, serial controls keep their state.
        {"LANG=000\r\nPORT=005\r\nLPT=001\r\nUART=001\r\nUARTBAUDI=007\r\n", -1, 0, -1, true, "SelectPort:"},
        // USB 0 and USB 17 name no row.
        {"LANG=000\r\nPORT=000\r\nLPT=001\r\nUART=001\r\nUARTBAUDI=001\r\nUARTFORMATI=000\r\nUSB=000\r\n", 0, -1, 1, false, "SelectPort:"},
        {"LANG=000\r\nPORT=000\r\nLPT=001\r\nUART=001\r\nUARTBAUDI=001\r\nUARTFORMATI=000\r\nUSB=017\r\n", 0, -1, 1, false, "SelectPort:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.File);
        Fresh();
        Start(c.File);
        EXPECT_EQ(ui->Lists[Control::InterfaceList].Selected, c.Interface);
        EXPECT_EQ(ui->Lists[Control::PortNumberList].Selected, c.Number);
        EXPECT_EQ(ui->Lists[Control::BaudList].Selected, c.Baud);
        EXPECT_TRUE(ui->Enabled(Control::PortNumberList));
        for (Control serial : {Control::SerialGroup, Control::BaudLabel, Control::FormatLabel, Control::BaudList,
                               Control::FormatList}) {
            EXPECT_EQ(ui->Enabled(serial), c.SerialEnabled);
        }
        EXPECT_EQ(ui->Texts[Control::InterfaceLabel], c.Label);
    }
}

TEST_F(DialogTest, InterfaceChangeSelectsThatKindsPortNumber) {
    Start("LANG=000\r\nPORT=000\r\nLPT=004\r\nUART=007\r\nUARTBAUDI=001\r\nUARTFORMATI=000\r\nUSB=002\r\n");
    struct Case {
        int Row, Number;
        bool Serial;
    } cases[] = {{2, 6, true}, {1, 3, false}, {0, 1, false}, {2, 6, true}};
    for (const Case& c : cases) {
        ui->SelectRow(Control::InterfaceList, c.Row);
        dlg->OnInterfaceChanged();
        EXPECT_EQ(ui->Lists[Control::PortNumberList].Selected, c.Number) << c.Row;
        EXPECT_EQ(ui->Enabled(Control::BaudList), c.Serial) << c.Row;
    }
}

TEST_F(DialogTest, ConnectStoresOnlyTheSettingsOfItsInterface) {
    struct Case {
        const char* Name;
        int Interface, Number, Baud, Format;
        const char* File;
    } cases[] = {
        {"COM3", 2, 2, 0, 1,
         "LANG=001\r\nPORT=002\r\nLPT=005\r\nUART=003\r\nUARTBAUDI=000\r\nUARTFORMATI=001\r\nUSB=004\r\n"},
        {"COM1 without baud row", 2, 0, -1, 2,
         "LANG=001\r\nPORT=002\r\nLPT=005\r\nUART=001\r\nUARTBAUDI=005\r\nUARTFORMATI=002\r\nUSB=004\r\n"},
        {"LPT2", 1, 1, 0, 1,
         "LANG=001\r\nPORT=001\r\nLPT=002\r\nUART=006\r\nUARTBAUDI=003\r\nUARTFORMATI=004\r\nUSB=004\r\n"},
        {"USB16", 0, 15, 0, 1,
         "LANG=001\r\nPORT=000\r\nLPT=005\r\nUART=006\r\nUARTBAUDI=003\r\nUARTFORMATI=004\r\nUSB=016\r\n"},
    };
    const char* before = "LANG=001\r\nPORT=000\r\nLPT=005\r\nUART=006\r\nUARTBAUDI=003\r\nUARTFORMATI=004\r\nUSB=004\r\n";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Fresh();
        Start(before);
        Select(c.Interface, c.Number, c.Baud, c.Format);
        ConnectOver(DeviceOf(c.Interface));
        EXPECT_EQ(folder.Read("sysinfo.inf"), c.File);
        EXPECT_EQ(dlg->Bridge.Port->PortNumber, c.Number + 1);
        EXPECT_EQ(dlg->Bridge.Port->ReadTimeout, kConnectTimeoutMs);
        EXPECT_EQ(LastStatus(), (test::StatusLine{"已连接!", false}));
        EXPECT_EQ(LastNavigation(), Home());
        EXPECT_FALSE(ui->Enabled(Control::ConnectButton));
        EXPECT_TRUE(ui->Enabled(Control::DisconnectButton));
        dlg->OnDisconnect();  // leaves the port closed for the next case
    }
}

TEST_F(DialogTest, FailedConnectShowsRedTextAndWritesNothing) {
    struct Case {
        const char* Name;
        int Interface;
        bool FailOpen;
    } cases[] = {{"port cannot be opened", 2, true}, {"printer silent", 2, false}, {"no interface row", -1, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Fresh();
        comDevice.FailOpen(c.FailOpen);
        Start("LANG=000\r\n");
        Select(c.Interface, 2, 0, 0);
        size_t navigations = ui->View.Navigations().size();
        dlg->OnConnect();  // a silent printer fails after the 10 s read limit in virtual time
        EXPECT_EQ(ui->Shown.end()[-2], (test::StatusLine{"Connecting the printer, please wait!", false}));
        EXPECT_EQ(LastStatus(), (test::StatusLine{"Fail to connect printer, please check connection", true}));
        EXPECT_EQ(folder.Read("sysinfo.inf"), "LANG=000\r\n");
        EXPECT_TRUE(ui->Enabled(Control::ConnectButton));
        EXPECT_EQ(ui->View.Navigations().size(), navigations);
        EXPECT_FALSE(com.IsOpen()) << "released";
        EXPECT_EQ(dlg->Bridge.Port, nullptr) << "the released port is not kept";

        // The following Disconnect sends nothing.
        size_t writes = comDevice.Writes().size();
        dlg->OnDisconnect();
        EXPECT_EQ(comDevice.Writes().size(), writes);
        EXPECT_EQ(dlg->Bridge.Port, nullptr);
        comDevice.FailOpen(false);
    }
}

// After a failed connect a link on the welcome page is refused without
// touching the released port, and navigation stays usable.
TEST_F(DialogTest, LinkAfterAFailedConnectIsRefusedWithoutTouchingThePort) {
    Start("LANG=000\r\n");
    Select(kPortSerial, 2, 0, 0);
    dlg->OnConnect();  // the printer stays silent
    ASSERT_EQ(LastStatus(), (test::StatusLine{"Fail to connect printer, please check connection", true}));
    const size_t writes = comDevice.Writes().size(), opens = comDevice.OpenCount();

    // The welcome page itself, its frames, then a link to a page not yet cached.
    for (const std::string& url : {Welcome(), Welcome(), folder.Path() + "/p1/status.htm"}) {
        NavigationEvent event{url};
        OnBeforeNavigate2(dlg->Bridge, event);
        if (url != Welcome()) EXPECT_TRUE(event.Cancel);
    }
    EXPECT_EQ(comDevice.Writes().size(), writes);
    EXPECT_EQ(comDevice.OpenCount(), opens);
    EXPECT_EQ(LastStatus(), (test::StatusLine{"Fail to connect printer, please check connection", true}));
    EXPECT_EQ(dlg->Bridge.NavState, Idle) << "a blocked state would also refuse the next connect's home page";
}

TEST_F(DialogTest, DisconnectWhileNotConnectedReturnsToTheWelcomePage) {
    Start();
    ui->EnableControl(Control::ConnectButton, false);
    dlg->Bridge.NavState = Blocked;
    dlg->OnDisconnect();
    EXPECT_TRUE(comDevice.Writes().empty() && usbDevice.Writes().empty());
    EXPECT_EQ(dlg->Bridge.NavState, Idle);
    EXPECT_EQ(LastStatus(), (test::StatusLine{"Not connected to printer", false}));
    EXPECT_EQ(LastNavigation(), Welcome());
    EXPECT_TRUE(ui->Enabled(Control::ConnectButton));
    EXPECT_EQ(ui->Ended, 0);
}

TEST_F(DialogTest, CloseWhileConnectedSendsTheDisconnectCommandAndEnds) {
    Start();
    Select(0, 0);
    ConnectOver(usbDevice);
    ASSERT_TRUE(usb.IsOpen());
    size_t shown = ui->Shown.size(), navigations = ui->View.Navigations().size();
    dlg->OnClose();
    EXPECT_EQ(usbDevice.Writes().back(), Command(kModeDisconnect));
    EXPECT_FALSE(usb.IsOpen());
    EXPECT_EQ(ui->Ended, 1);
    EXPECT_EQ(ui->Shown.size(), shown) << "no status text while closing";
    EXPECT_EQ(ui->View.Navigations().size(), navigations) << "no welcome page while closing";
}

TEST_F(DialogTest, ConnectClearsAPendingCloseRequest) {
    Start();
    dlg->Closing = 1;
    Select(0, 0);
    ConnectOver(usbDevice);
    dlg->OnDisconnect();
    EXPECT_EQ(ui->Ended, 0);
}

// Close or Disconnect while an upload or a restart wait runs only asks; the
// worker's own Disconnect at its end then closes the window.
TEST_F(DialogTest, CloseDuringAWorkerOnlyAsksAndTheWorkerEndsTheWindow) {
    struct Case {
        const char* Name;
        bool Upload;
        bool Ok;
    } cases[] = {{"upload OK", true, true},
                 {"upload Cancel", true, false},
                 {"restart OK", false, true},
                 {"restart Cancel", false, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Fresh();
        Start();
        Select(0, 0);
        ConnectOver(usbDevice);
        std::atomic<bool>& running = c.Upload ? dlg->Bridge.DownloadRunning : dlg->Bridge.RestartRunning;
        std::atomic<uint8_t>& stop = c.Upload ? dlg->Bridge.StopDownload : dlg->Bridge.StopRestart;
        stop = 0;
        running = true;
        ui->AnswerOk = c.Ok;

        dlg->OnClose();
        ASSERT_EQ(ui->Questions.size(), 1u);
        EXPECT_EQ(ui->Questions[0], c.Upload ? "Download in process , do you sure stop the app? "
                                            : "The printer is rebooting. Are you sure to stop the Configuration Tool anyway!");
        EXPECT_EQ(stop, c.Ok ? 1 : 0);
        EXPECT_TRUE(usb.IsOpen()) << "nothing else changes";
        EXPECT_EQ(ui->Ended, 0);

        // The worker ends: its handle goes invalid, then it runs Disconnect on its thread.
        std::thread worker([&] {
            running = false;
            dlg->OnDisconnect();
        });
        worker.join();
        EXPECT_EQ(ui->Ended, 0) << "handed to the window's thread";
        EXPECT_EQ(ui->RunPosted(), 1);
        EXPECT_EQ(ui->Ended, 1);
        EXPECT_FALSE(usb.IsOpen());
        EXPECT_EQ(usbDevice.Writes().back(), Command(kModeDisconnect));
    }
}

TEST_F(DialogTest, DisconnectAnsweredWhileTheWorkerFinishes) {
    Start();
    Select(0, 0);
    ConnectOver(usbDevice);
    dlg->Bridge.RestartRunning = true;
    // While the box shows, the monitor gives up and hands its Disconnect over.
    ui->WhileAsking = [&] {
        std::thread monitor([&] {
            dlg->Bridge.RestartRunning = false;
            dlg->OnDisconnect();
        });
        monitor.join();
        ui->RunPosted();
    };
    dlg->OnDisconnect();
    EXPECT_EQ(dlg->Bridge.StopRestart, 1) << "a later OK only sets the stop request";
    EXPECT_FALSE(usb.IsOpen());
    EXPECT_EQ(LastNavigation(), Welcome());
    EXPECT_EQ(ui->Ended, 0);
}

TEST_F(DialogTest, WorkerStatusTextReturnsOnceTheWindowTookIt) {
    Start();
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        dlg->SetStatusText("Sending data to printer : 3", false);
        returned = true;
    });
    ui->WaitForPosted();
    EXPECT_FALSE(returned);
    EXPECT_NE(LastStatus().Text, "Sending data to printer : 3");
    ui->RunPosted();
    worker.join();
    EXPECT_TRUE(returned);
    EXPECT_EQ(LastStatus(), (test::StatusLine{"Sending data to printer : 3", false}));
    EXPECT_EQ(dlg->MessageText(), "Sending data to printer : 3");

    // A window that no longer runs tasks does not hold the worker forever.
    std::thread late([&] { dlg->SetStatusText("late", true); });
    ui->WaitForPosted();
    ui->DropPosted();
    late.join();
    EXPECT_EQ(dlg->MessageText(), "Sending data to printer : 3");
}

TEST_F(DialogTest, LayoutPassesAfterStartUp) {
    ui->Sizes[Control::FormatList] = {138, 22};
    ui->Sizes[Control::StatusBar] = {800, 24};
    dlg.emplace(*ui, Ports(), folder.Path() + "/halvoran-config");
    dlg->OnSize(0, 640, 480);
    EXPECT_TRUE(ui->Moves.empty()) << "the first size event only arms the layout";
    dlg->OnSize(0, 800, 600);  // the pass caused by the placement
    ASSERT_EQ(ui->Moves.size(), 11u) << "the status bar stays where it placed itself";
    EXPECT_EQ(ui->Invalidated, (std::vector<Rect>{{0, 488, 800, 112}}));
    EXPECT_EQ(ui->WholeInvalidations, 0);
    ui->Moves.clear();
    dlg->OnSize(kSizeMaximized, 1000, 700);
    ASSERT_EQ(ui->Moves.size(), 12u);
    EXPECT_EQ(ui->Moves.back(), (ControlMove{Control::StatusBar, {0, 674, 800, 24}}));
    EXPECT_EQ(ui->WholeInvalidations, 1);
}

TEST_F(DialogTest, AboutCommandIgnoresTheLowFourBits) {
    Start();
    EXPECT_TRUE(dlg->OnSysCommand(kAboutCommand | 0x3));
    EXPECT_FALSE(dlg->OnSysCommand(0xF060));  // close: default handling
    EXPECT_EQ(ui->AboutBoxes, 1);
}

}  // namespace
}  // namespace halvoran
