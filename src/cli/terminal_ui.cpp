#include "cli/terminal_ui.h"

#include <algorithm>
#include <chrono>

#include "app/status_bar.h"

namespace halvoran {

TerminalUi::TerminalUi(StatusPrinter& printer) : printer_(printer) {}

void TerminalUi::ClearList(Control list) { lists_[list] = {}; }

void TerminalUi::InsertRow(Control list, int row, const std::string& text) {
    auto& rows = lists_[list].Rows;
    if (row < 0 || static_cast<size_t>(row) > rows.size()) row = static_cast<int>(rows.size());
    rows.insert(rows.begin() + row, text);
}

void TerminalUi::SelectRow(Control list, int row) {
    List& l = lists_[list];
    l.Selected = row >= 0 && static_cast<size_t>(row) < l.Rows.size() ? row : -1;
}

int TerminalUi::SelectedRow(Control list) { return lists_[list].Selected; }

void TerminalUi::RepaintStatusBar(const CColorStatusBar& bar) {
    std::string text = bar.MessageText();
    printer_.Show(text);
    if (shown_.empty() || shown_.back() != text) shown_.push_back(std::move(text));
}

bool TerminalUi::HasShown(const std::string& text) const {
    return std::find(shown_.begin(), shown_.end(), text) != shown_.end();
}

bool TerminalUi::AskOkCancel(const std::string& text, bool) {
    printer_.Show(text);
    return OkAnswer;
}

std::optional<std::string> TerminalUi::AskSavePath(const SaveFilter&) { return SavePath; }

void TerminalUi::PostToWindowThread(std::function<void()> task) {
    {
        std::lock_guard lock(mutex_);
        if (!running_) return;  // task is destroyed unrun
        tasks_.push_back(std::move(task));
    }
    posted_.notify_one();
}

void TerminalUi::PumpUntil(const std::function<bool()>& done, unsigned stepMs) {
    for (;;) {
        PumpPending();
        if (done()) return;
        std::unique_lock lock(mutex_);
        posted_.wait_for(lock, std::chrono::milliseconds(stepMs), [this] { return !tasks_.empty(); });
    }
}

void TerminalUi::PumpPending() {
    for (;;) {
        std::function<void()> task;
        {
            std::lock_guard lock(mutex_);
            if (tasks_.empty()) return;
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        task();
    }
}

void TerminalUi::StopTasks() {
    std::deque<std::function<void()>> dropped;
    {
        std::lock_guard lock(mutex_);
        running_ = false;
        dropped.swap(tasks_);
    }
}

}  // namespace halvoran
