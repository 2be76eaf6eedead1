// The loopback browser host: an HTTP/1.1 server on 127.0.0.1 that serves the
// page cache folder to a browser engine and turns every navigation into one
// BeforeNavigate2 event for the navigation handler.
//
// URLs have the form http://127.0.0.1:PORT/SECRET/p1/NAME with a free port
// and 128 random bits as SECRET. A request is refused (403) unless its Host
// header is 127.0.0.1:PORT or localhost:PORT and its path carries the secret,
// so neither another web page nor another local user can drive the printer.
//
// A navigation (Sec-Fetch-Dest document, frame or iframe) is one event whose
// Url is the local path of the cache file (PROGRAM/p1/NAME). The handler's
// decision is the answer: Cancel gives 204 No Content (the frame keeps its
// page); Cancel after Navigate(cacheFile, &event) gives 303 See Other to that
// file; Allow gives the cache file. Style sheets and pictures are served
// without an event.
#pragma once
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "bridge/browser_contract.h"
#include "bridge/host_upload.h"

namespace httplib {
class Server;
class ContentReader;
struct Request;
struct Response;
}  // namespace httplib

namespace halvoran {

class BrowserHost : public BrowserView {
public:
    // Hands a task to the window's thread; the host waits for the task to
    // run before it answers the request. May also run it at once.
    using WindowThreadRunner = std::function<void(std::function<void()>)>;
    // Tells the view to load this URL as its top-level page.
    using TopLevelLoader = std::function<void(const std::string& httpUrl)>;

    // The handler must outlive the host.
    BrowserHost(std::string programFolder, NavigationHandler& handler, WindowThreadRunner runOnWindowThread);
    ~BrowserHost() override;
    BrowserHost(const BrowserHost&) = delete;
    BrowserHost& operator=(const BrowserHost&) = delete;

    // Binds 127.0.0.1 on a free port, creates the private upload folder and
    // starts serving. Once only.
    bool Start();
    // Answers requests still waiting for a decision with 503, stops the
    // server, joins its threads and removes leftover upload files.
    void Stop();

    int Port() const { return port_; }
    const std::string& Secret() const { return secret_; }
    // http://127.0.0.1:PORT/SECRET/p1/NAME for a local path of a page cache
    // file ('/' or '\' as separators); empty for any other path or before Start.
    std::string HttpUrlFor(const std::string& localPath) const;

    // Set by the front end before Navigate is first called.
    void SetTopLevelLoader(TopLevelLoader loader);
    // The URL of the latest top-level load; empty before the first one.
    std::string TopLevelUrl() const;

    // With `during` an event being handled: the request of that event is
    // answered with 303 to url if the handler cancels it (ignored if it
    // allows it). Otherwise url becomes the top-level page. A url outside the
    // page cache is ignored.
    void Navigate(const std::string& url, const NavigationEvent* during = nullptr) override;

private:
    struct Shared;
    struct Pending;
    struct Decision {
        bool Cancel = false;
        std::string RedirectName;
    };

    void HandleGet(const httplib::Request& req, httplib::Response& res);
    void HandlePost(const httplib::Request& req, httplib::Response& res, const httplib::ContentReader& reader);
    // Host header and path checks; on false res holds the refusal.
    bool Admit(const httplib::Request& req, httplib::Response& res, std::string& name) const;
    bool IsNavigation(const httplib::Request& req, const std::string& name) const;
    // Raises the event on the window's thread and waits; nullopt when the
    // host stopped first.
    std::optional<Decision> Raise(NavigationEvent event);
    void Answer(const std::optional<Decision>& decision, const std::string& name, httplib::Response& res) const;
    void ServeFile(const std::string& name, httplib::Response& res) const;

    const std::string programFolder_;
    const std::string secret_;
    WindowThreadRunner runOnWindowThread_;
    std::shared_ptr<Shared> shared_;
    int port_ = 0;
    std::optional<UploadStore> uploads_;
    std::unique_ptr<httplib::Server> server_;
    std::atomic<bool> listenerEnded_{false};
    std::thread listener_;
};

}  // namespace halvoran
