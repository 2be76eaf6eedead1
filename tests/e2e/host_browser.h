// A window thread that runs posted tasks in order, and an HTTP client that
// behaves towards the loopback browser host as a browser engine does: it
// sends Sec-Fetch-Dest, follows 303, loads a frameset's frames (in parallel)
// and loads the top-level page when the host asks for it.
#pragma once
#include <httplib.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <map>
#include <mutex>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "bridge/browser_host.h"

namespace halvoran::test {

class WindowThread {
public:
    WindowThread() : thread_([this] { Loop(); }) {}
    // Tasks still queued are dropped.
    ~WindowThread() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }
    void Post(std::function<void()> task) {
        {
            std::lock_guard lock(mutex_);
            tasks_.push_back(std::move(task));
        }
        wake_.notify_all();
    }
    // Runs task on the window's thread and returns when it has run.
    void Run(std::function<void()> task) {
        std::promise<void> done;
        Post([&] {
            task();
            done.set_value();
        });
        done.get_future().wait();
    }

private:
    void Loop() {
        std::unique_lock lock(mutex_);
        while (true) {
            wake_.wait(lock, [this] { return stop_ || !tasks_.empty(); });
            if (stop_) return;
            std::function<void()> task = std::move(tasks_.front());
            tasks_.pop_front();
            lock.unlock();
            task();
            lock.lock();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> tasks_;
    bool stop_ = false;
    std::thread thread_;
};

// What a frame (or the top-level document) ends up showing.
struct Shown {
    int Status = -1;  // of the last answer: 200 shows Body, 204 keeps the old page
    std::string Path;  // the request path that gave that answer
    std::string Body;
    int Redirects = 0;
};

struct LoadedPage {
    Shown Document;
    std::map<std::string, Shown> Frames;  // by frame name
};

class LoopbackBrowser {
public:
    explicit LoopbackBrowser(BrowserHost& host) : host_(host) {
        host.SetTopLevelLoader([this](const std::string& url) {
            std::lock_guard lock(mutex_);
            pending_ = url;
        });
    }

    // The top-level page the host asked for since the last load, if any.
    std::optional<std::string> PendingTopLevel() {
        std::lock_guard lock(mutex_);
        return pending_;
    }

    // Loads the pending top-level page and, for a frameset, its frames.
    std::optional<LoadedPage> LoadTopLevel() {
        std::optional<std::string> url;
        {
            std::lock_guard lock(mutex_);
            url.swap(pending_);
        }
        if (!url) return std::nullopt;
        const std::string base = "http://127.0.0.1:" + std::to_string(host_.Port());
        LoadedPage page;
        page.Document = Go(url->substr(base.size()), "document");
        if (page.Document.Status != 200) return page;

        static const std::regex frame(R"re(<frame\s+name="([^"]+)"\s+src="([^"]+)")re");
        std::vector<std::pair<std::string, std::future<Shown>>> loads;
        for (std::sregex_iterator it(page.Document.Body.begin(), page.Document.Body.end(), frame), end; it != end; ++it) {
            const std::string target = Resolve(page.Document.Path, (*it)[2]);
            loads.emplace_back((*it)[1], std::async(std::launch::async, [this, target] { return Go(target, "frame"); }));
        }
        for (auto& [name, load] : loads) page.Frames[name] = load.get();
        return page;
    }

    // One navigation of a frame or document: a link (no form) or a form post,
    // following 303 as a browser does (the method becomes GET).
    Shown Go(const std::string& path, const std::string& dest, const std::optional<std::string>& form = std::nullopt,
             const std::string& contentType = "application/x-www-form-urlencoded") {
        Shown shown;
        shown.Path = path;
        httplib::Client client("127.0.0.1", host_.Port());
        client.set_read_timeout(30, 0);
        const httplib::Headers headers = {{"Sec-Fetch-Dest", dest}};
        auto res = form ? client.Post(path.c_str(), headers, *form, contentType.c_str()) : client.Get(path.c_str(), headers);
        while (res && res->status == 303 && shown.Redirects < 5) {
            ++shown.Redirects;
            shown.Path = res->get_header_value("Location");
            res = client.Get(shown.Path.c_str(), headers);
        }
        if (res) {
            shown.Status = res->status;
            shown.Body = res->body;
        }
        return shown;
    }

    // A relative link of the page at path.
    static std::string Resolve(const std::string& path, const std::string& link) {
        return path.substr(0, path.rfind('/') + 1) + link;
    }

private:
    BrowserHost& host_;
    std::mutex mutex_;
    std::optional<std::string> pending_;
};

}  // namespace halvoran::test
