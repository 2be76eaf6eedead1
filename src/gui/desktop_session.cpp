#include "gui/desktop_session.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <cstdio>

#include "app/sysinfo.h"
#include "gui/web_view.h"
#include "link/ciface.h"

namespace halvoran {

DesktopSession::DesktopSession(const std::string& programFile, DesktopOptions options)
    : options_(std::move(options)),
      dialog_(window_, ports_.Ports(), programFile),
      dispatcher_(dialog_.Bridge),
      host_(FolderOf(programFile), dispatcher_,
            [this](std::function<void()> task) { window_.PostToWindowThread(std::move(task)); }) {
    window_.Attach(&dialog_, &host_);
}

DesktopSession::~DesktopSession() {
    // Requests still waiting for the window are answered first; then tasks
    // that will never run are dropped, which releases workers waiting on them.
    host_.Stop();
    window_.DropTasks();
}

bool DesktopSession::Start() {
    if (!host_.Start()) return false;
    WebView* view = window_.View();
    view->SetHost(host_.Port(), QString::fromStdString(host_.Secret()));
    // The host may ask from any thread; the view loads on the window's thread.
    host_.SetTopLevelLoader([view](const std::string& url) {
        QMetaObject::invokeMethod(view, [view, target = QUrl(QString::fromStdString(url))] { view->load(target); },
                                  Qt::QueuedConnection);
    });

    window_.ReportCreated();
    dialog_.OnInitDialog();
    if (!options_.SerialDevice.empty()) UseSerialDevice(options_.SerialDevice);
    window_.show();
    return true;
}

void DesktopSession::UseSerialDevice(const std::string& path) {
    window_.SelectRow(Control::InterfaceList, kPortSerial);
    dialog_.OnInterfaceChanged();
    int row = window_.SelectedRow(Control::PortNumberList);
    if (row < 0) {
        row = 0;
        window_.SelectRow(Control::PortNumberList, row);
    }
    ComPorts().Override(row + 1, path);
}

void DesktopApp::ShowStartupMessage(const std::string& text) {
    // Captioned with the program's name, as the application has no title of its own.
    QMessageBox box(QMessageBox::Warning, QFileInfo(QCoreApplication::applicationFilePath()).baseName(),
                    QString::fromStdString(text), QMessageBox::Ok);
    box.exec();
}

void DesktopApp::RunMainWindow(const std::string& programFile) {
    DesktopSession session(programFile, options_);
    if (!session.Start()) {
        std::fprintf(stderr, "halvoran-config: the browser host cannot listen on 127.0.0.1\n");
        failed_ = true;
        return;
    }
    session.Run();
}

}  // namespace halvoran
