// A window double that records every status text and every call the bridge
// makes of the window.
#pragma once
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "bridge/bridge_window.h"

namespace halvoran::test {

struct StatusLine {
    std::string Text;
    bool IsError;
    bool operator==(const StatusLine&) const = default;
};

struct Navigation {
    std::string Url;
    bool During;  // replaces the navigation of an event being handled
    bool operator==(const Navigation&) const = default;
};

// A browser that only records what it is told to show.
class RecordingBrowser : public BrowserView {
public:
    void Navigate(const std::string& url, const NavigationEvent* during) override {
        std::lock_guard lock(mutex_);
        navigations_.push_back({url, during != nullptr});
    }
    std::vector<Navigation> Navigations() const {
        std::lock_guard lock(mutex_);
        return navigations_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<Navigation> navigations_;
};

class RecordingWindow : public BridgeWindow {
public:
    void SetStatusText(const std::string& text, bool isError) override {
        std::lock_guard lock(mutex_);
        lines_.push_back({text, isError});
    }
    std::string MessageText() override {
        std::lock_guard lock(mutex_);
        return lines_.empty() ? std::string() : lines_.back().Text;
    }
    // Posted tasks wait until the test runs them with RunPosted.
    void PostToWindowThread(std::function<void()> task) override {
        std::lock_guard lock(mutex_);
        posted_.push_back(std::move(task));
    }
    BrowserView& Browser() override { return *View; }
    BrowserArea BrowserAreaSize() override { return Area; }
    void OnDisconnect() override {
        std::lock_guard lock(mutex_);
        ++disconnects_;
    }
    void EnableConnect() override {
        std::lock_guard lock(mutex_);
        ++connectEnables_;
    }
    bool AskOkCancel(const std::string& text, bool warningIcon) override {
        std::lock_guard lock(mutex_);
        questions_.push_back(text);
        lastQuestionWarned_ = warningIcon;
        return AnswerOk;
    }
    std::optional<std::string> AskSavePath(const SaveFilter& filter) override {
        std::lock_guard lock(mutex_);
        saveFilters_.push_back(filter);
        return SaveAnswer;
    }

    // Runs the posted tasks on the calling thread; returns how many ran.
    int RunPosted() {
        std::deque<std::function<void()>> tasks;
        {
            std::lock_guard lock(mutex_);
            tasks.swap(posted_);
        }
        for (auto& task : tasks) task();
        return static_cast<int>(tasks.size());
    }

    std::vector<StatusLine> Lines() const {
        std::lock_guard lock(mutex_);
        return lines_;
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        lines_.clear();
    }
    int Disconnects() const {
        std::lock_guard lock(mutex_);
        return disconnects_;
    }
    int ConnectEnables() const {
        std::lock_guard lock(mutex_);
        return connectEnables_;
    }
    std::vector<std::string> Questions() const {
        std::lock_guard lock(mutex_);
        return questions_;
    }
    bool LastQuestionWarned() const {
        std::lock_guard lock(mutex_);
        return lastQuestionWarned_;
    }
    std::vector<SaveFilter> SaveFilters() const {
        std::lock_guard lock(mutex_);
        return saveFilters_;
    }

    // Set by tests before the call they answer.
    RecordingBrowser Recorder;
    BrowserView* View = &Recorder;
    BrowserArea Area{1000, 600};
    bool AnswerOk = true;
    std::optional<std::string> SaveAnswer;

private:
    mutable std::mutex mutex_;
    std::vector<StatusLine> lines_;
    std::deque<std::function<void()>> posted_;
    int disconnects_ = 0;
    int connectEnables_ = 0;
    std::vector<std::string> questions_;
    bool lastQuestionWarned_ = false;
    std::vector<SaveFilter> saveFilters_;
};

}  // namespace halvoran::test
