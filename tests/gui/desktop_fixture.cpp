#include "desktop_fixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <thread>

#include "gui/status_bar_widget.h"
#include "gui/web_view.h"

namespace halvoran::test {

void ShortSleeper::SleepMs(uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms / 10)); }

// --- simulated printer ---

SimulatedPrinter::~SimulatedPrinter() { Stop(); }

bool SimulatedPrinter::Start(const std::string& link, const QStringList& options) {
    QStringList args{"--pty", "--quiet", "--link", QString::fromStdString(link)};
    args += options;
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(QStringLiteral(HALVORAN_BIN_DIR "/halvoran-sim"), args);
    if (!process_.waitForStarted(5000)) return false;
    for (int i = 0; i < 100 && !QFileInfo::exists(QString::fromStdString(link)); ++i) QTest::qWait(50);
    return QFileInfo::exists(QString::fromStdString(link));
}

void SimulatedPrinter::Stop() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.terminate();
    if (!process_.waitForFinished(3000)) process_.kill();
    process_.waitForFinished(3000);
}

// --- dialogs ---

DialogAnswerer::DialogAnswerer() : timer_(new QTimer(this)) {
    connect(timer_, &QTimer::timeout, this, &DialogAnswerer::Poll);
    timer_->start(30);
}

DialogAnswerer::~DialogAnswerer() = default;

void DialogAnswerer::AnswerBox(bool ok) { answers_.push_back({Answer::Box, ok, {}}); }

void DialogAnswerer::AnswerFile(const std::string& path) { answers_.push_back({Answer::File, true, path}); }

void DialogAnswerer::AnswerAbout() { answers_.push_back({Answer::About, true, {}}); }

void DialogAnswerer::Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || answers_.empty() || !modal->isVisible()) return;
    Answer answer = answers_.front();
    if (auto* box = qobject_cast<QMessageBox*>(modal); box && answer.Kind == Answer::Box) {
        answers_.erase(answers_.begin());
        BoxTexts.push_back(box->text().toStdString());
        BoxCaptions.push_back(box->windowTitle().toStdString());
        box->button(answer.Ok ? QMessageBox::Ok : QMessageBox::Cancel)->click();
    } else if (modal->objectName() == QLatin1String("AboutBox") && answer.Kind == Answer::About) {
        answers_.erase(answers_.begin());
        AboutTexts.push_back(modal->windowTitle().toStdString());
        for (QLabel* label : modal->findChildren<QLabel*>()) AboutTexts.push_back(label->text().toStdString());
        for (QPushButton* button : modal->findChildren<QPushButton*>()) {
            if (button->text() == QLatin1String("OK")) button->click();
        }
    } else if (auto* files = qobject_cast<QFileDialog*>(modal); files && answer.Kind == Answer::File) {
        answers_.erase(answers_.begin());
        FileDialogFilters.push_back(files->selectedNameFilter().toStdString());
        // Typed into the file name field and confirmed with Enter, as a user does.
        auto* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (name == nullptr) return;
        name->setText(QString::fromStdString(answer.Path));
        QTest::keyClick(name, Qt::Key_Return);
    }
}

// --- the window ---

namespace {

// Records the message text each time the status bar is painted.
class PaintRecorder final : public QObject {
public:
    PaintRecorder(QObject* parent, std::function<void()> onPaint) : QObject(parent), onPaint_(std::move(onPaint)) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) onPaint_();
        return false;
    }

private:
    std::function<void()> onPaint_;
};

}  // namespace

void DesktopTest::SetUp() {
    std::filesystem::copy(HALVORAN_SOURCE_DIR "/resources/p1", folder_.PageCache(),
                          std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing);
    link_ = folder_.Path() + "/printer-link";
    answerer_ = std::make_unique<DialogAnswerer>();
}

void DesktopTest::StartWindow(const QStringList& simOptions, const std::string& device) {
    ASSERT_TRUE(printer_.Start(link_, simOptions)) << "halvoran-sim did not start";
    DesktopOptions options{device.empty() ? link_ : device};
    session_ = std::make_unique<DesktopSession>(folder_.Path() + "/halvoran-config", options);
    session_->Dialog().Bridge.Pause = &sleeper_;
    StatusBarWidget* bar = session_->Window().StatusBarControl();
    bar->installEventFilter(new PaintRecorder(bar, [this] {
        std::lock_guard lock(paintedMutex_);
        std::string text = session_->Dialog().StatusBar.MessageText();
        if (painted_.empty() || painted_.back() != text) painted_.push_back(text);
    }));
    ASSERT_TRUE(session_->Start());
    ASSERT_TRUE(WaitFor([&] { return ShowsWelcomePage(); })) << "welcome page not shown: " << Js("location.href");
}

void DesktopTest::TearDown() {
    if (session_ && !session_->Window().Ended()) {
        // Leave as a user would: Disconnect, then close.
        session_->Dialog().Closing = 1;
        session_->Dialog().OnDisconnect();
    }
    session_.reset();
    answerer_.reset();
    printer_.Stop();
}

bool DesktopTest::WaitFor(const std::function<bool()>& done, int timeoutMs) {
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return false;
        QTest::qWait(20);
    }
    return true;
}

std::string DesktopTest::Status() { return session_->Dialog().StatusBar.MessageText(); }

bool DesktopTest::StatusIsError() { return session_->Dialog().StatusBar.IsError(); }

std::vector<std::string> DesktopTest::PaintedTexts() {
    std::lock_guard lock(paintedMutex_);
    return painted_;
}

bool DesktopTest::WasPainted(const std::string& text) {
    std::vector<std::string> texts = PaintedTexts();
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

std::string DesktopTest::Js(const std::string& script) {
    auto result = std::make_shared<std::optional<std::string>>();
    session_->Window().View()->page()->runJavaScript(QString::fromStdString(script), [result](const QVariant& value) {
        *result = value.toString().toStdString();
    });
    if (!WaitFor([&] { return result->has_value(); }, 10000)) return "<no answer>";
    return **result;
}

std::string DesktopTest::InFrame(const std::string& frame, const std::string& body) {
    return Js("(function(){ try { const doc = document.querySelector('frame[name=\"" + frame + "\"]').contentDocument; " + body +
              " } catch (e) { return 'error: ' + e; } })()");
}

std::string DesktopTest::FrameTitle(const std::string& frame) {
    return InFrame(frame, "return doc.readyState == 'complete' ? doc.title : '';");
}

bool DesktopTest::ShowsWelcomePage() {
    return Js("location.pathname.endsWith('/p1/welcome_local.htm') && document.readyState == 'complete'") == "true";
}

bool DesktopTest::WaitForFrameTitle(const std::string& frame, const std::string& title, int timeoutMs) {
    return WaitFor([&] { return FrameTitle(frame) == title; }, timeoutMs);
}

void DesktopTest::ClickButton(Control button) {
    auto* widget = qobject_cast<QAbstractButton*>(session_->Window().Widget(button));
    ASSERT_NE(widget, nullptr);
    ASSERT_TRUE(widget->isEnabled());
    QTest::mouseClick(widget, Qt::LeftButton);
}

void DesktopTest::ConnectAndWaitForHomePage() {
    ClickButton(Control::ConnectButton);
    ASSERT_TRUE(WaitFor([&] {
        for (const char* frame : kHomeFrames) {
            if (FrameTitle(frame).rfind("Halvoran P1", 0) != 0) return false;
        }
        return true;
    })) << "home page frames not loaded; status: " << Status() << "\npage: " << Js("location.href") << "\n"
        << [&] {
               std::string titles;
               for (const char* frame : kHomeFrames) titles += std::string(frame) + ": " + FrameTitle(frame) + "\n";
               return titles;
           }();
}

void DesktopTest::ClickLink(const std::string& frame, const std::string& href) {
    ASSERT_EQ(InFrame(frame, "doc.querySelector('a[href=\"" + href + "\"]').click(); return 'ok';"), "ok");
}

void DesktopTest::Screenshot(const std::string& name) {
    const QByteArray prefix = qgetenv("HALVORAN_SCREENSHOTS");
    if (prefix.isEmpty()) return;
    QTest::qWait(300);  // let the engine draw its last frame
    session_->Window().grab().save(QString::fromUtf8(prefix) + QString::fromStdString(name) + ".png");
}

}  // namespace halvoran::test
