// The desktop window end to end: start-up, Connect, browsing the printer's
// pages, forms, and Disconnect, with the simulated printer on a pty.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QTest>

#include "app/texts.h"
#include "desktop_fixture.h"
#include "gui/status_bar_widget.h"
#include "gui/web_view.h"

namespace halvoran::test {
namespace {

using DesktopWindow = DesktopTest;

std::string ListText(DesktopSession& session, Control list) {
    return qobject_cast<QComboBox*>(session.Window().Widget(list))->currentText().toStdString();
}

TEST_F(DesktopWindow, StartsWithWelcomePageAndComPortReady) {
    StartWindow();
    EXPECT_EQ(Status(), text::NotConnected.English);
    EXPECT_FALSE(StatusIsError());
    EXPECT_TRUE(WasPainted(text::NotConnected.English));
    MainWindow& window = session_->Window();
    EXPECT_EQ(window.windowTitle().toStdString(), std::string(text::WindowTitle.English) + text::Version);
    EXPECT_EQ(ListText(*session_, Control::InterfaceList), text::InterfaceCom.English);
    EXPECT_EQ(ListText(*session_, Control::PortNumberList), "1");
    EXPECT_TRUE(window.Widget(Control::BaudList)->isEnabled());
    // The welcome page fills the browser area, which ends 112 pixels above the bottom.
    QRect browser = window.Widget(Control::Browser)->geometry();
    EXPECT_EQ(browser, QRect(2, 2, window.width() - 4, window.height() - 112));
    QRect bar = window.StatusBarControl()->geometry();
    EXPECT_EQ(bar.bottom(), window.height() - 1) << "status bar not along the bottom edge";
    EXPECT_FALSE(window.windowIcon().isNull());
    Screenshot("welcome");
}

TEST_F(DesktopWindow, ConnectShowsHomePageAndFollowsLinks) {
    StartWindow();
    ConnectAndWaitForHomePage();
    // The wait message was on screen while the handshake blocked the window.
    std::vector<std::string> painted = PaintedTexts();
    auto connecting = std::find(painted.begin(), painted.end(), text::Connecting.English);
    auto connected = std::find(painted.begin(), painted.end(), text::Connected.English);
    ASSERT_NE(connecting, painted.end());
    ASSERT_NE(connected, painted.end());
    EXPECT_LT(connecting, connected);
    EXPECT_EQ(TopTitle(), "Halvoran Printer Config Tool");
    EXPECT_FALSE(session_->Window().Widget(Control::ConnectButton)->isEnabled());
    Screenshot("connected");

    ClickLink("toc", "cfgs.htm");
    ASSERT_TRUE(WaitForFrameTitle("main", "Halvoran P1 - Printing")) << Status();
    EXPECT_TRUE(WaitFor([&] { return Status() == std::string("/cfgs.htm") + text::PageLoaded.English; })) << Status();
    EXPECT_FALSE(StatusIsError());
    // The page came through the host, not from anywhere else.
    EXPECT_NE(InFrame("main", "return doc.location.href;").find(session_->Host().Secret()), std::string::npos);
}

TEST_F(DesktopWindow, SettingsFormIsPostedToThePrinter) {
    StartWindow();
    ConnectAndWaitForHomePage();
    ClickLink("toc", "cfgs.htm");
    ASSERT_TRUE(WaitForFrameTitle("main", "Halvoran P1 - Printing"));
    std::string before = InFrame("main", "return doc.querySelector('input[name=\"print.darkness\"]').value;");
    std::string wanted = before == "17" ? "18" : "17";
    ASSERT_EQ(InFrame("main", "doc.querySelector('input[name=\"print.darkness\"]').value = '" + wanted +
                                  "'; doc.querySelector('form').submit(); return 'ok';"),
              "ok");
    ASSERT_TRUE(WaitFor([&] { return Status().find("/prscfgs.htm") == 0; })) << Status();

    // The printer keeps the new value: the page shows it when visited again.
    ClickLink("toc", "welcome.htm");
    ASSERT_TRUE(WaitForFrameTitle("main", "Halvoran P1 - Welcome"));
    ClickLink("toc", "cfgs.htm");
    ASSERT_TRUE(WaitForFrameTitle("main", "Halvoran P1 - Printing"));
    EXPECT_TRUE(WaitFor([&] {
        return InFrame("main", "return doc.querySelector('input[name=\"print.darkness\"]').value;") == wanted;
    }));
}

TEST_F(DesktopWindow, FailedConnectIsRedAndDisconnectReturnsToWelcome) {
    StartWindow({}, folder_.Path() + "/no-such-device");
    ClickButton(Control::ConnectButton);
    EXPECT_EQ(Status(), text::ConnectFailed.English);
    EXPECT_TRUE(StatusIsError());
    EXPECT_EQ(session_->Dialog().StatusBar.PartColor(1), CColorStatusBar::ErrorColor);
    EXPECT_TRUE(session_->Window().Widget(Control::ConnectButton)->isEnabled());
    Screenshot("error");

    // Pointed at the printer, the next Connect succeeds and Disconnect ends it.
    session_->ComPorts().Override(1, link_);
    ConnectAndWaitForHomePage();
    EXPECT_FALSE(StatusIsError());
    ClickButton(Control::DisconnectButton);
    EXPECT_EQ(Status(), text::NotConnected.English);
    EXPECT_TRUE(WaitFor([&] { return ShowsWelcomePage(); }));
    EXPECT_TRUE(session_->Window().Widget(Control::ConnectButton)->isEnabled());
}

TEST_F(DesktopWindow, ViewNeverLeavesTheHost) {
    StartWindow();
    HostPage* page = session_->Window().View()->Page();
    const int port = session_->Host().Port();
    const QString secret = QString::fromStdString(session_->Host().Secret());
    struct Case {
        QString Url;
        bool Allowed;
    } cases[] = {
        {QString("http://127.0.0.1:%1/%2/p1/homepage.html").arg(port).arg(secret), true},
        {QString("http://localhost:%1/%2/p1/cfgs.htm").arg(port).arg(secret), true},
        {QString("http://127.0.0.1:%1/p1/homepage.html").arg(port), false},       // no secret
        {QString("http://127.0.0.1:%1/%2/p1/x").arg(port + 1).arg(secret), false},  // another port
        {QString("https://127.0.0.1:%1/%2/p1/x").arg(port).arg(secret), false},
        {QString("http://example.com/%1/p1/x").arg(secret), false},
        {QString("file:///etc/passwd"), false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsHostUrl(QUrl(c.Url), port, secret), c.Allowed) << c.Url.toStdString();

    // A page that tries to leave keeps the view where it is.
    Js("window.location.href = 'http://example.com/';");
    QTest::qWait(500);
    EXPECT_EQ(TopTitle(), "Halvoran Printer Config Tool");
    EXPECT_TRUE(page->url().toString().contains(secret));
    Js("window.open('http://example.com/'); 'ok'");
    QTest::qWait(300);
    EXPECT_TRUE(page->url().toString().contains(secret));
}

TEST_F(DesktopWindow, AboutItemShowsTheAboutBox) {
    StartWindow();
    QAction* about = session_->Window().AboutAction();
    EXPECT_EQ(about->text().toStdString(), text::AboutItem.English);
    EXPECT_TRUE(session_->Window().actions().contains(about)) << "not in the window's context menu";
    answerer_->AnswerAbout();
    about->trigger();
    EXPECT_FALSE(answerer_->Pending());
    std::vector<std::string> expected{"About Config Tool", text::WindowTitle.English, text::Version};
    EXPECT_EQ(answerer_->AboutTexts, expected);
}

// A second copy finds the guard taken: it says so and shows no window.
TEST(DesktopStartup, SecondCopyShowsOneProgramIsRunning) {
    TempFolder folder;
    InstanceLock first;
    ASSERT_EQ(first.Acquire(folder.Path(), kInstanceLockName), LockResult::Acquired);
    DialogAnswerer answerer;
    answerer.AnswerBox(true);
    DesktopApp desktop({});
    CvkApp second;
    EXPECT_EQ(second.InitInstance(desktop, folder.Path(), folder.Path() + "/halvoran-config"),
              StartResult::AlreadyRunning);
    ASSERT_EQ(answerer.BoxTexts.size(), 1u);
    EXPECT_EQ(answerer.BoxTexts[0], text::AlreadyRunning);
    for (QWidget* widget : QApplication::topLevelWidgets()) EXPECT_FALSE(widget->isVisible()) << widget->metaObject()->className();
}

}  // namespace
}  // namespace halvoran::test
