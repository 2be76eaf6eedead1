// The desktop window with the printer's longer operations: the restart wait
// after a setting that resets the printer, saving the configuration file
// through the Save As question, and uploading it again through the upload
// form's file chooser.
#include <QTest>
#include <filesystem>

#include "app/texts.h"
#include "desktop_fixture.h"
#include "gui/web_view.h"

namespace halvoran::test {
namespace {

using DesktopPanel = DesktopTest;

std::string Loaded(const std::string& page) { return page + text::PageLoaded.English; }

// The position of the frame's file chooser in the view, for a real click.
QPoint FileInputPosition(DesktopTest& test, const std::string& frame,
                         const std::function<std::string(const std::string&)>& js) {
    std::string at = js("(function(){ const f = document.querySelector('frame[name=\"" + frame +
                        "\"]'); const r = f.contentDocument.querySelector('input[type=file]').getBoundingClientRect();"
                        " const o = f.getBoundingClientRect(); return Math.round(o.left + r.left + 12) + ','"
                        " + Math.round(o.top + r.top + r.height / 2); })()");
    size_t comma = at.find(',');
    if (comma == std::string::npos) return {};
    (void)test;
    return QPoint(std::stoi(at.substr(0, comma)), std::stoi(at.substr(comma + 1)));
}

TEST_F(DesktopPanel, ResetMarkedAnswerCountsDownAndReconnects) {
    StartWindow({"--restart-ms", "300"});
    ConnectAndWaitForHomePage();
    ClickLink("toc", "svcfg.htm");
    ASSERT_TRUE(WaitForFrameTitle("main", "Halvoran P1 - Save settings"));
    ASSERT_EQ(InFrame("main", "doc.querySelector('form').submit(); return 'ok';"), "ok");

    const std::string reset = text::ResetRequired.English;
    ASSERT_TRUE(WaitFor([&] { return WasPainted(reset + " 1"); }, 30000)) << Status();
    ASSERT_TRUE(WaitFor([&] { return !session_->Dialog().Bridge.RestartRunning; }, 30000));
    std::vector<std::string> painted = PaintedTexts();
    auto first = std::find(painted.begin(), painted.end(), reset + " 14");
    auto last = std::find(painted.begin(), painted.end(), reset + " 1");
    ASSERT_NE(first, painted.end());
    EXPECT_LT(first, last);
    EXPECT_NE(std::find(last, painted.end(), text::Connected.English), painted.end())
        << "no reconnect after the countdown; last text: " << Status();
    EXPECT_FALSE(StatusIsError());

    // Navigation works again over the new connection.
    ClickLink("toc", "printer.htm");
    EXPECT_TRUE(WaitForFrameTitle("main", "Halvoran P1 - Printer information")) << Status();
    EXPECT_TRUE(WaitFor([&] { return Status() == Loaded("/printer.htm"); })) << Status();
}

TEST_F(DesktopPanel, SavesTheConfigurationAndUploadsItAgain) {
    StartWindow();
    ConnectAndWaitForHomePage();
    ClickLink("toc", "action.htm");
    ASSERT_TRUE(WaitForFrameTitle("main", "Halvoran P1 - Actions"));

    // The Save As question, answered with a new file.
    const std::string saved = folder_.Path() + "/saved.cfg";
    answerer_->AnswerFile(saved);
    ClickLink("main", "conf.cfg");
    ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(saved) && !answerer_->Pending(); })) << Status();
    ASSERT_EQ(answerer_->FileDialogFilters.size(), 1u);
    EXPECT_NE(answerer_->FileDialogFilters[0].find("*.cfg"), std::string::npos);
    EXPECT_GT(std::filesystem::file_size(saved), 0u);
    EXPECT_FALSE(StatusIsError()) << Status();

    // The upload form's file chooser, opened by a click of the mouse.
    ClickLink("toc", "dwnld.htm");
    ASSERT_TRUE(WaitForFrameTitle("main", "Halvoran P1 - Configuration upload"));
    answerer_->AnswerFile(saved);
    QPoint at = FileInputPosition(*this, "main", [this](const std::string& s) { return Js(s); });
    QWidget* surface = session_->Window().View()->focusProxy();
    ASSERT_NE(surface, nullptr);
    QTest::mouseClick(surface, Qt::LeftButton, {}, at);
    ASSERT_TRUE(WaitFor([&] { return InFrame("main", "return String(doc.querySelector('input[type=file]').files.length);") == "1"; }, 10000))
        << "the file chooser did not take the file";
    ASSERT_EQ(InFrame("main", "doc.querySelector('form').submit(); return 'ok';"), "ok");

    const std::string done = std::string(text::SendingProgress.English) + "100/100";
    ASSERT_TRUE(WaitFor([&] { return WasPainted(done); }, 60000)) << Status();
    EXPECT_TRUE(WaitFor([&] { return WasPainted(text::ConfigCompleted.English); }, 30000)) << Status();
    // The worker ends with the Disconnect command: the welcome page again.
    EXPECT_TRUE(WaitFor([&] { return Status() == text::NotConnected.English; }, 30000)) << Status();
    EXPECT_TRUE(WaitFor([&] { return ShowsWelcomePage(); }));
    EXPECT_TRUE(session_->Window().Widget(Control::ConnectButton)->isEnabled());
}

}  // namespace
}  // namespace halvoran::test
