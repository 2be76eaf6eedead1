// The desktop window with the printer's longer operations: the restart wait
// after a setting that resets the printer, saving the configuration file
// through the Save As question, and uploading it again through the upload
// form's file chooser, to its end or interrupted by closing the window.
#include <QTest>
#include <filesystem>

#include "app/texts.h"
#include "desktop_fixture.h"
#include "gui/web_view.h"

namespace halvoran::test {
namespace {

std::string Loaded(const std::string& page) { return page + text::PageLoaded.English; }

class DesktopPanel : public DesktopTest {
protected:
    // Saves the printer's configuration file through the Save As question,
    // then opens the upload page and chooses that file with a mouse click on
    // the form's file field.
    void SaveConfigAndChooseIt() {
        ClickLink("toc", "action.htm");
        ASSERT_TRUE(WaitForFrameTitle("main", "Halvoran P1 - Actions"));
        const std::string saved = folder_.Path() + "/saved.cfg";
        answerer_->AnswerFile(saved);
        ClickLink("main", "conf.cfg");
        ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(saved) && !answerer_->Pending(); })) << Status();
        ASSERT_EQ(answerer_->FileDialogFilters.size(), 1u);
        EXPECT_NE(answerer_->FileDialogFilters[0].find("*.cfg"), std::string::npos);
        EXPECT_GT(std::filesystem::file_size(saved), 0u);
        EXPECT_FALSE(StatusIsError()) << Status();

        ClickLink("toc", "dwnld.htm");
        ASSERT_TRUE(WaitForFrameTitle("main", "Halvoran P1 - Configuration upload"));
        answerer_->AnswerFile(saved);
        QTest::mouseClick(session_->Window().View()->focusProxy(), Qt::LeftButton, {}, FileInputPosition("main"));
        ASSERT_TRUE(WaitFor([&] { return InFrame("main", "return String(doc.querySelector('input[type=file]').files.length);") == "1"; }, 10000))
            << "the file chooser did not take the file";
    }

    void SubmitUpload() { ASSERT_EQ(InFrame("main", "doc.querySelector('form').submit(); return 'ok';"), "ok"); }

    // Where the frame's file field is in the view.
    QPoint FileInputPosition(const std::string& frame) {
        std::string at = Js("(function(){ const f = document.querySelector('frame[name=\"" + frame +
                            "\"]'); const r = f.contentDocument.querySelector('input[type=file]')"
                            ".getBoundingClientRect(); const o = f.getBoundingClientRect();"
                            " return Math.round(o.left + r.left + 12) + ',' + Math.round(o.top + r.top + r.height / 2);"
                            " })()");
        size_t comma = at.find(',');
        if (comma == std::string::npos) return {};
        return QPoint(std::stoi(at.substr(0, comma)), std::stoi(at.substr(comma + 1)));
    }

    const std::string sending_ = text::SendingProgress.English;
};

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
    SaveConfigAndChooseIt();
    ASSERT_FALSE(HasFatalFailure());
    SubmitUpload();

    ASSERT_TRUE(WaitFor([&] { return WasPainted(sending_ + "100/100"); }, 60000)) << Status();
    EXPECT_TRUE(WaitFor([&] { return WasPainted(text::ConfigCompleted.English); }, 30000)) << Status();
    // The worker ends with the Disconnect command: the welcome page again.
    EXPECT_TRUE(WaitFor([&] { return Status() == text::NotConnected.English; }, 30000)) << Status();
    EXPECT_TRUE(WaitFor([&] { return ShowsWelcomePage(); }));
    EXPECT_TRUE(session_->Window().Widget(Control::ConnectButton)->isEnabled());
}

TEST_F(DesktopPanel, ClosingDuringAnUploadAsksFirst) {
    // A slow line keeps the upload running while the window is closed.
    StartWindow({"--baud", "4800"});
    ConnectAndWaitForHomePage();
    SaveConfigAndChooseIt();
    ASSERT_FALSE(HasFatalFailure());
    SubmitUpload();
    ASSERT_TRUE(WaitFor([&] { return Status().rfind(sending_, 0) == 0; }, 30000)) << Status();

    // Cancel keeps the upload going; the close request stays pending, so the
    // window closes when the upload has ended.
    answerer_->AnswerBox(false);
    session_->Window().close();
    ASSERT_EQ(answerer_->BoxTexts.size(), 1u);
    EXPECT_EQ(answerer_->BoxTexts[0], text::StopWhileDownloading.English);
    EXPECT_EQ(answerer_->BoxCaptions[0], text::BoxCaption);
    EXPECT_FALSE(session_->Window().Ended());
    EXPECT_TRUE(session_->Dialog().Bridge.DownloadRunning);
    ASSERT_TRUE(WaitFor([&] { return session_->Window().Ended(); }, 60000)) << Status();
    EXPECT_TRUE(WasPainted(sending_ + "100/100"));
    EXPECT_FALSE(session_->Window().isVisible());
}

}  // namespace
}  // namespace halvoran::test
