// The desktop window in a test: a private program folder with the page
// cache, halvoran-sim on a pseudo-terminal, the real window on Qt's offscreen
// platform with QtWebEngine, and helpers that wait for the window, read its
// pages and answer its dialogs.
#pragma once
#include <gtest/gtest.h>

#include <QObject>
#include <QProcess>
#include <QStringList>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "gui/desktop_session.h"
#include "platform/clock.h"
#include "support/temp_folder.h"

class QTimer;

namespace halvoran::test {

// Sleeps a tenth of each wait: the restart countdown and the upload's pauses
// pass in real time, only shorter.
class ShortSleeper final : public Sleeper {
public:
    void SleepMs(uint32_t ms) override;
};

// halvoran-sim on a pseudo-terminal reached through a symbolic link.
class SimulatedPrinter {
public:
    ~SimulatedPrinter();
    bool Start(const std::string& link, const QStringList& options);
    void Stop();

private:
    QProcess process_;
};

// Answers the window's modal dialogs as they appear, in the order given.
class DialogAnswerer final : public QObject {
    Q_OBJECT
public:
    DialogAnswerer();
    ~DialogAnswerer() override;
    // The next message box: OK or Cancel.
    void AnswerBox(bool ok);
    // The next About box: closed with its OK button.
    void AnswerAbout();
    std::vector<std::string> AboutTexts;
    // The next file dialog (Save As or an upload form's file chooser): this path.
    void AnswerFile(const std::string& path);
    // Texts and captions of the message boxes answered so far.
    std::vector<std::string> BoxTexts;
    std::vector<std::string> BoxCaptions;
    std::vector<std::string> FileDialogFilters;
    bool Pending() const { return !answers_.empty(); }

private:
    struct Answer {
        enum { Box, File, About } Kind;
        bool Ok;
        std::string Path;
    };
    void Poll();
    std::vector<Answer> answers_;
    QTimer* timer_;
};

class DesktopTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Starts the simulated printer and the window; the window's serial port
    // points at the printer unless device names another one.
    void StartWindow(const QStringList& simOptions = {}, const std::string& device = {});

    // Runs the window's events until done() or the time-out (real time).
    bool WaitFor(const std::function<bool()>& done, int timeoutMs = 20000);
    std::string Status();
    bool StatusIsError();
    // Every status text the status bar painted, in order.
    std::vector<std::string> PaintedTexts();
    bool WasPainted(const std::string& text);

    // Runs script in the top-level page and returns its result as text.
    std::string Js(const std::string& script);
    // The title of a frame's document ("" when it has none).
    std::string FrameTitle(const std::string& frame);
    // Runs script with `doc` bound to the document of the frame.
    std::string InFrame(const std::string& frame, const std::string& body);
    bool WaitForFrameTitle(const std::string& frame, const std::string& title, int timeoutMs = 20000);
    std::string TopTitle() { return Js("document.title"); }
    bool ShowsWelcomePage();

    // Clicks Connect and waits until the five frames of the home page are loaded.
    void ConnectAndWaitForHomePage();
    void ClickButton(Control button);
    // Clicks a link of a frame by its href.
    void ClickLink(const std::string& frame, const std::string& href);
    // Saves a screenshot of the window under /tmp when HALVORAN_SCREENSHOTS names a prefix.
    void Screenshot(const std::string& name);

    TempFolder folder_;
    std::string link_;
    SimulatedPrinter printer_;
    ShortSleeper sleeper_;
    std::unique_ptr<DesktopSession> session_;
    std::unique_ptr<DialogAnswerer> answerer_;

private:
    std::mutex paintedMutex_;
    std::vector<std::string> painted_;
};

// The five frames of the home page.
inline const char* const kHomeFrames[] = {"logo", "banner", "toc", "main", "status"};

}  // namespace halvoran::test
