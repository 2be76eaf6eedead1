// The main window on screen: the controls of the window template, placed
// where CvkDlg's layout rule puts them, with Qt widgets. Implements WindowUi;
// the events of the controls and of the window go to the CvkDlg logic.
#pragma once
#include <QWidget>
#include <array>
#include <mutex>
#include <optional>

#include "app/window_ui.h"

class QAction;
class QComboBox;
class QEventLoop;
class QGroupBox;
class QLabel;
class QPushButton;

namespace halvoran {

class CvkDlg;
class StatusBarWidget;
class WebView;

class MainWindow final : public QWidget, public WindowUi {
    Q_OBJECT
public:
    MainWindow();
    ~MainWindow() override;

    // The logic that handles this window's events, and the browser that its
    // Navigate calls reach (the loopback host). Both must outlive the window's use of them.
    void Attach(CvkDlg* dialog, BrowserView* browser);
    // The first size event, which the window receives while it is being created.
    void ReportCreated();
    // Runs the window until EndDialog.
    void RunModal();
    bool Ended() const { return ended_; }
    // Drops the tasks waiting for the window's thread and every later one.
    void DropTasks();

    WebView* View() const { return view_; }
    StatusBarWidget* StatusBarControl() const { return statusBar_; }
    QWidget* Widget(Control control) const { return controls_[static_cast<int>(control)]; }
    QAction* AboutAction() const { return aboutAction_; }

    // WindowUi
    void ClearList(Control list) override;
    void InsertRow(Control list, int row, const std::string& text) override;
    void SelectRow(Control list, int row) override;
    int SelectedRow(Control list) override;
    void SetControlText(Control control, const std::string& text) override;
    void EnableControl(Control control, bool enabled) override;
    void MoveControl(Control control, const Rect& rect) override;
    Size ControlSize(Control control) override;
    void SetControlFont(Control control, int pixelHeight) override;
    void SetCaption(const std::string& caption) override;
    bool AddAboutMenuItem(const std::string& text) override;
    void ShowAboutBox() override;
    Size PrimaryScreenSize() override;
    int LogicalPixelsPerInchY() override;
    void PlaceWindow(const Rect& rect) override;
    void Invalidate(const Rect& rect) override;
    void InvalidateAll() override;
    void EndDialog() override;
    void CreateStatusBar(const CColorStatusBar& bar) override;
    void RepaintStatusBar(const CColorStatusBar& bar) override;
    bool AskOkCancel(const std::string& text, bool warningIcon) override;
    std::optional<std::string> AskSavePath(const SaveFilter& filter) override;
    BrowserView& Browser() override { return *browser_; }
    BrowserArea BrowserAreaSize() override;
    void PostToWindowThread(std::function<void()> task) override;
    bool IsWindowThread() override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateControls();
    QComboBox* List(Control list) const;
    // Hands a size event to the logic once per distinct size.
    void ReportSize(int type, int cx, int cy);
    void DockStatusBar();

    CvkDlg* dialog_ = nullptr;
    BrowserView* browser_ = nullptr;
    std::array<QWidget*, 12> controls_{};
    WebView* view_ = nullptr;
    StatusBarWidget* statusBar_ = nullptr;
    QAction* aboutAction_ = nullptr;
    QEventLoop* loop_ = nullptr;
    bool ended_ = false;
    std::optional<QSize> lastSize_;
    int lastType_ = -1;

    // Tasks handed to the window's thread are posted to this object; removing
    // its posted events drops the tasks that will never run.
    QObject* taskTarget_;
    std::mutex taskMutex_;
    bool acceptingTasks_ = true;
};

}  // namespace halvoran
