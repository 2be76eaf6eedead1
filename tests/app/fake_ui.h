// A WindowUi double that records every call: list rows and selections,
// control texts and states, moves, fonts, boxes and posted tasks.
#pragma once
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/layout.h"
#include "app/status_bar.h"
#include "app/window_ui.h"
#include "support/recording_window.h"

namespace halvoran::test {

struct FakeList {
    std::vector<std::string> Rows;
    int Selected = -1;
};

class FakeUi : public WindowUi {
public:
    void ClearList(Control list) override { Lists[list] = {}; }
    void InsertRow(Control list, int row, const std::string& text) override {
        auto& rows = Lists[list].Rows;
        rows.insert(rows.begin() + row, text);
    }
    void SelectRow(Control list, int row) override {
        FakeList& l = Lists[list];
        l.Selected = row >= 0 && row < static_cast<int>(l.Rows.size()) ? row : -1;
    }
    int SelectedRow(Control list) override { return Lists[list].Selected; }

    void SetControlText(Control control, const std::string& text) override { Texts[control] = text; }
    void EnableControl(Control control, bool enabled) override { Disabled[control] = !enabled; }
    bool Enabled(Control control) { return !Disabled[control]; }
    void MoveControl(Control control, const Rect& rect) override { Moves.push_back({control, rect}); }
    Size ControlSize(Control control) override { return Sizes[control]; }
    void SetControlFont(Control control, int pixelHeight) override { Fonts[control] = pixelHeight; }

    void SetCaption(const std::string& caption) override { Caption = caption; }
    bool AddAboutMenuItem(const std::string& text) override {
        AboutItem = text;
        return true;
    }
    void ShowAboutBox() override { ++AboutBoxes; }
    Size PrimaryScreenSize() override { return Screen; }
    int LogicalPixelsPerInchY() override { return Dpi; }
    void PlaceWindow(const Rect& rect) override { Placements.push_back(rect); }
    void Invalidate(const Rect& rect) override { Invalidated.push_back(rect); }
    void InvalidateAll() override { ++WholeInvalidations; }
    void EndDialog() override { ++Ended; }

    void CreateStatusBar(const CColorStatusBar& bar) override { StatusLabel = bar.PartText(0); }
    void RepaintStatusBar(const CColorStatusBar& bar) override {
        Shown.push_back({bar.PartText(1), bar.PartColor(1) == CColorStatusBar::ErrorColor});
    }

    bool AskOkCancel(const std::string& text, bool) override {
        Questions.push_back(text);
        if (WhileAsking) WhileAsking();
        return AnswerOk;
    }
    std::optional<std::string> AskSavePath(const SaveFilter&) override { return std::nullopt; }

    BrowserView& Browser() override { return View; }
    BrowserArea BrowserAreaSize() override { return {1200, 700}; }

    void PostToWindowThread(std::function<void()> task) override {
        {
            std::lock_guard lock(mutex_);
            posted_.push_back(std::move(task));
        }
        postedSignal_.notify_all();
    }
    bool IsWindowThread() override { return std::this_thread::get_id() == windowThread_; }

    // Blocks until a task has been posted.
    void WaitForPosted() {
        std::unique_lock lock(mutex_);
        postedSignal_.wait(lock, [this] { return !posted_.empty(); });
    }
    // Runs the posted tasks here, on the window's thread; returns how many ran.
    int RunPosted() {
        std::deque<std::function<void()>> tasks;
        {
            std::lock_guard lock(mutex_);
            tasks.swap(posted_);
        }
        for (auto& task : tasks) task();
        return static_cast<int>(tasks.size());
    }
    // Destroys the posted tasks unrun, as a window that has ended does.
    void DropPosted() {
        std::lock_guard lock(mutex_);
        posted_.clear();
    }

    std::map<Control, FakeList> Lists;
    std::map<Control, std::string> Texts;
    std::map<Control, bool> Disabled;
    std::map<Control, Size> Sizes;
    std::map<Control, int> Fonts;
    std::vector<ControlMove> Moves;
    std::vector<Rect> Placements;
    std::vector<Rect> Invalidated;
    int WholeInvalidations = 0;
    std::string Caption;
    std::string AboutItem;
    int AboutBoxes = 0;
    int Ended = 0;
    std::string StatusLabel;
    std::vector<StatusLine> Shown;  // status messages as painted: text, red
    std::vector<std::string> Questions;
    bool AnswerOk = true;
    std::function<void()> WhileAsking;
    RecordingBrowser View;
    Size Screen{1920, 1080};
    int Dpi = 96;

private:
    std::thread::id windowThread_ = std::this_thread::get_id();
    std::mutex mutex_;
    std::condition_variable postedSignal_;
    std::deque<std::function<void()>> posted_;
};

}  // namespace halvoran::test
