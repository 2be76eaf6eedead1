// TerminalUi: the main window's logic on a terminal. Lists live in memory,
// status texts go to stderr, the boxes are answered by the command line and
// the window's thread is the main thread, which pumps posted tasks.
#pragma once
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/window_ui.h"
#include "cli/status_printer.h"

namespace halvoran {

// The command-line tool shows no pages; the page cache files are its output.
class NoBrowser : public BrowserView {
public:
    void Navigate(const std::string&, const NavigationEvent*) override {}
};

class TerminalUi : public WindowUi {
public:
    explicit TerminalUi(StatusPrinter& printer);

    // The answer to the OK/Cancel box; the Save As dialog's path.
    std::atomic<bool> OkAnswer{false};
    std::optional<std::string> SavePath;

    // Runs posted tasks until done() holds, waiting up to stepMs for each.
    void PumpUntil(const std::function<bool()>& done, unsigned stepMs = 50);
    // Runs the tasks posted so far.
    void PumpPending();
    // From now on tasks are destroyed unrun, which releases anyone waiting on them.
    void StopTasks();
    // Whether the status bar has shown this text during the run.
    bool HasShown(const std::string& text) const;

    void ClearList(Control list) override;
    void InsertRow(Control list, int row, const std::string& text) override;
    void SelectRow(Control list, int row) override;
    int SelectedRow(Control list) override;
    void SetControlText(Control, const std::string&) override {}
    void EnableControl(Control, bool) override {}
    void MoveControl(Control, const Rect&) override {}
    Size ControlSize(Control) override { return {}; }
    void SetControlFont(Control, int) override {}
    void SetCaption(const std::string&) override {}
    bool AddAboutMenuItem(const std::string&) override { return false; }
    void ShowAboutBox() override {}
    Size PrimaryScreenSize() override { return {}; }
    int LogicalPixelsPerInchY() override { return 96; }
    void PlaceWindow(const Rect&) override {}
    void Invalidate(const Rect&) override {}
    void InvalidateAll() override {}
    void EndDialog() override {}
    void CreateStatusBar(const CColorStatusBar&) override {}
    void RepaintStatusBar(const CColorStatusBar& bar) override;
    bool AskOkCancel(const std::string& text, bool warningIcon) override;
    std::optional<std::string> AskSavePath(const SaveFilter& filter) override;
    BrowserView& Browser() override { return browser_; }
    BrowserArea BrowserAreaSize() override { return {}; }
    void PostToWindowThread(std::function<void()> task) override;
    bool IsWindowThread() override { return std::this_thread::get_id() == mainThread_; }

private:
    struct List {
        std::vector<std::string> Rows;
        int Selected = -1;
    };

    StatusPrinter& printer_;
    NoBrowser browser_;
    std::map<Control, List> lists_;
    std::vector<std::string> shown_;
    std::thread::id mainThread_ = std::this_thread::get_id();
    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> tasks_;
    bool running_ = true;
};

}  // namespace halvoran
