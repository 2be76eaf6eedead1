// One run of the main window: the port objects, the Qt window, the CvkDlg
// logic, the navigation dispatcher and the loopback browser host that the
// window's web view shows.
#pragma once
#include <memory>
#include <string>

#include "app/vk_app.h"
#include "app/vk_dlg.h"
#include "bridge/browser_host.h"
#include "bridge/navigation_dispatcher.h"
#include "gui/machine_ports.h"
#include "gui/main_window.h"

namespace halvoran {

struct DesktopOptions {
    // --device: the serial port's device for this run; start-up selects
    // "COM Port" and points the selected COM number at it. Empty: unchanged.
    std::string SerialDevice;
};

class DesktopSession {
public:
    DesktopSession(const std::string& programFile, DesktopOptions options);
    ~DesktopSession();
    DesktopSession(const DesktopSession&) = delete;
    DesktopSession& operator=(const DesktopSession&) = delete;

    // Starts the browser host, runs the window's start-up and shows the
    // window; false when the host cannot start.
    bool Start();
    // Runs the window until it has ended.
    void Run() { window_.RunModal(); }

    MainWindow& Window() { return window_; }
    CvkDlg& Dialog() { return dialog_; }
    BrowserHost& Host() { return host_; }
    ComMap& ComPorts() { return ports_.ComPorts(); }

private:
    void UseSerialDevice(const std::string& path);

    DesktopOptions options_;
    MachinePorts ports_;
    MainWindow window_;
    CvkDlg dialog_;
    NavigationDispatcher dispatcher_;
    BrowserHost host_;
};

// The desktop program's side of start-up: message boxes and the window.
class DesktopApp final : public AppHost {
public:
    explicit DesktopApp(DesktopOptions options) : options_(std::move(options)) {}
    void ShowStartupMessage(const std::string& text) override;
    void RunMainWindow(const std::string& programFile) override;
    bool Failed() const { return failed_; }

private:
    DesktopOptions options_;
    bool failed_ = false;
};

}  // namespace halvoran
