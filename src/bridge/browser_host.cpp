#include "bridge/browser_host.h"

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "bridge/host_form.h"
#include "bridge/host_request.h"
#include "bridge/page_path.h"
#include "platform/files.h"

namespace halvoran {

namespace {

constexpr const char* kLoopback = "127.0.0.1";
// Upload files are at most 4 GiB (32-bit sizes), plus the rest of the form.
constexpr size_t kMaxRequestBody = (size_t{1} << 32) + kMaxPostData;

bool IsUploadPage(const std::string& name) { return name == "prsfwdld.htm" || name == "prsdwnld.htm"; }

void Refuse(httplib::Response& res, int status, const char* reason) {
    res.status = status;
    res.set_content(reason, "text/plain");
}

// The frame name is not part of an HTTP request; a frame's event carries
// "frame" or "iframe" so that it is not taken for the top-level page.
std::string FrameNameOf(const httplib::Request& req) {
    std::string dest = req.get_header_value("Sec-Fetch-Dest");
    return dest == "frame" || dest == "iframe" ? dest : std::string();
}

}  // namespace

// An event on its way to the window's thread and back.
struct BrowserHost::Pending {
    NavigationEvent Event;
    std::string RedirectName;  // set by Navigate(url, &Event)
    bool Done = false;
};

// What the server threads, the window's thread and tasks posted to it share;
// posted tasks keep it alive after the host is gone.
struct BrowserHost::Shared {
    std::mutex Mutex;
    std::condition_variable Changed;
    bool Stopping = false;
    NavigationHandler* Handler;
    std::vector<Pending*> InFlight;  // events the handler is deciding now
    std::string TopLevelUrl;
    TopLevelLoader Loader;

    // Runs on the window's thread.
    void Deliver(Pending& pending) {
        {
            std::lock_guard lock(Mutex);
            if (Stopping) return;
            InFlight.push_back(&pending);
        }
        Handler->OnBeforeNavigate2(pending.Event);
        {
            std::lock_guard lock(Mutex);
            InFlight.erase(std::find(InFlight.begin(), InFlight.end(), &pending));
            pending.Done = true;
        }
        Changed.notify_all();
    }
};

BrowserHost::BrowserHost(std::string programFolder, NavigationHandler& handler, WindowThreadRunner runOnWindowThread)
    : programFolder_(std::move(programFolder)),
      secret_(NewHostSecret()),
      runOnWindowThread_(std::move(runOnWindowThread)),
      shared_(std::make_shared<Shared>()) {
    shared_->Handler = &handler;
    if (!runOnWindowThread_) runOnWindowThread_ = [](std::function<void()> task) { task(); };
}

BrowserHost::~BrowserHost() { Stop(); }

bool BrowserHost::Start() {
    if (server_) return false;
    uploads_.emplace();
    if (!uploads_->Open()) return false;
    server_ = std::make_unique<httplib::Server>();
    httplib::Server& server = *server_;
    // Pages change on every fetch and every navigation must reach the host;
    // the secret never leaves in a Referer to another site.
    server.set_default_headers({{"Cache-Control", "no-store"}, {"Referrer-Policy", "same-origin"}});
    server.set_payload_max_length(kMaxRequestBody);
    server.set_keep_alive_timeout(1);
    server.Get(".*", [this](const httplib::Request& req, httplib::Response& res) { HandleGet(req, res); });
    server.Post(".*", [this](const httplib::Request& req, httplib::Response& res, const httplib::ContentReader& reader) {
        HandlePost(req, res, reader);
    });
    port_ = server.bind_to_any_port(kLoopback);
    if (port_ <= 0) {
        port_ = 0;
        return false;
    }
    listener_ = std::thread([this] {
        server_->listen_after_bind();
        listenerEnded_ = true;
    });
    // stop() only takes effect once the server runs: wait for that.
    while (!server.is_running() && !listenerEnded_) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return server.is_running();
}

void BrowserHost::Stop() {
    {
        std::lock_guard lock(shared_->Mutex);
        shared_->Stopping = true;
    }
    shared_->Changed.notify_all();
    if (server_) server_->stop();
    if (listener_.joinable()) listener_.join();
    uploads_.reset();
}

std::string BrowserHost::HttpUrlFor(const std::string& localPath) const {
    std::optional<std::string> name = CacheNameOfLocalPath(programFolder_, localPath);
    if (!name || port_ == 0) return {};
    return "http://" + std::string(kLoopback) + ":" + std::to_string(port_) + HostPathFor(secret_, *name);
}

void BrowserHost::SetTopLevelLoader(TopLevelLoader loader) {
    std::lock_guard lock(shared_->Mutex);
    shared_->Loader = std::move(loader);
}

std::string BrowserHost::TopLevelUrl() const {
    std::lock_guard lock(shared_->Mutex);
    return shared_->TopLevelUrl;
}

void BrowserHost::Navigate(const std::string& url, const NavigationEvent* during) {
    const std::string httpUrl = HttpUrlFor(url);
    if (httpUrl.empty()) return;
    TopLevelLoader loader;
    {
        std::lock_guard lock(shared_->Mutex);
        auto handled = std::find_if(shared_->InFlight.begin(), shared_->InFlight.end(),
                                    [during](const Pending* pending) { return during && &pending->Event == during; });
        if (handled != shared_->InFlight.end()) {
            (*handled)->RedirectName = *CacheNameOfLocalPath(programFolder_, url);
            return;
        }
        shared_->TopLevelUrl = httpUrl;
        loader = shared_->Loader;
    }
    if (loader) loader(httpUrl);
}

bool BrowserHost::Admit(const httplib::Request& req, httplib::Response& res, std::string& name) const {
    if (!IsHostHeaderAccepted(req.get_header_value("Host"), port_)) {
        Refuse(res, 403, "Forbidden");
        return false;
    }
    switch (CheckRequestPath(req.path, secret_, name)) {
    case PathCheck::Page:
        if (LocalPagePath(programFolder_, "/" + name).empty()) break;
        return true;
    case PathCheck::NoSecret: {
        // A root-relative link ("/cfgs.htm") in a page the host served loses
        // the secret; the Referer still carries it, so send the browser back
        // under the secret with the same method and body.
        std::string_view path = req.path;
        if (IsOwnReferer(req.get_header_value("Referer"), port_, secret_) && IsSafePagePath(path)) {
            res.status = 307;
            res.set_header("Location", HostPathFor(secret_, path.substr(1)));
        } else {
            Refuse(res, 403, "Forbidden");
        }
        return false;
    }
    case PathCheck::NotACacheFile:
        break;
    }
    Refuse(res, 404, "Not Found");
    return false;
}

bool BrowserHost::IsNavigation(const httplib::Request& req, const std::string& name) const {
    if (req.method == "HEAD") return false;
    std::optional<std::string> dest;
    if (req.has_header("Sec-Fetch-Dest")) dest = req.get_header_value("Sec-Fetch-Dest");
    return IsNavigationRequest(dest, name);
}

std::optional<BrowserHost::Decision> BrowserHost::Raise(NavigationEvent event) {
    auto pending = std::make_shared<Pending>();
    pending->Event = std::move(event);
    runOnWindowThread_([shared = shared_, pending] { shared->Deliver(*pending); });
    std::unique_lock lock(shared_->Mutex);
    shared_->Changed.wait(lock, [&] { return pending->Done || shared_->Stopping; });
    if (!pending->Done) return std::nullopt;
    return Decision{pending->Event.Cancel, pending->RedirectName};
}

void BrowserHost::Answer(const std::optional<Decision>& decision, const std::string& name,
                         httplib::Response& res) const {
    if (!decision) return Refuse(res, 503, "Service Unavailable");
    if (!decision->Cancel) return ServeFile(name, res);
    if (decision->RedirectName.empty()) {
        res.status = 204;
        return;
    }
    res.status = 303;
    res.set_header("Location", HostPathFor(secret_, decision->RedirectName));
}

void BrowserHost::ServeFile(const std::string& name, httplib::Response& res) const {
    std::optional<std::vector<uint8_t>> content = ReadWholeFile(PageCacheFolder(programFolder_) + "/" + name);
    if (!content) return Refuse(res, 404, "Not Found");
    res.status = 200;
    res.set_content(reinterpret_cast<const char*>(content->data()), content->size(), ContentTypeFor(name));
}

void BrowserHost::HandleGet(const httplib::Request& req, httplib::Response& res) {
    std::string name;
    if (!Admit(req, res, name)) return;
    if (!IsNavigation(req, name)) return ServeFile(name, res);
    NavigationEvent event{LocalPagePath(programFolder_, "/" + name), FrameNameOf(req), std::nullopt};
    Answer(Raise(std::move(event)), name, res);
}

void BrowserHost::HandlePost(const httplib::Request& req, httplib::Response& res,
                             const httplib::ContentReader& reader) {
    std::string name;
    const bool admitted = Admit(req, res, name);
    const bool navigation = admitted && IsNavigation(req, name);
    if (admitted && !navigation) Refuse(res, 405, "Method Not Allowed");

    // The body is read to its end even when refused, so that the connection
    // stays in step; only a navigation keeps it.
    std::string body;
    int failure = 0;
    std::optional<MultipartPostData> form;
    bool read;
    if (req.is_multipart_form_data()) {
        form.emplace(MultipartBoundary(req.get_header_value("Content-Type")),
                     navigation && IsUploadPage(name) ? &*uploads_ : nullptr);
        read = reader(
            [&](const httplib::MultipartFormData& part) {
                if (navigation) form->BeginPart(part.name, part.filename, part.content_type);
                return true;
            },
            [&](const char* data, size_t size) {
                if (navigation) form->AddContent(data, size);
                return true;
            });
        if (navigation && read) form->Finish();
        failure = form->FailureStatus();
    } else {
        read = reader([&](const char* data, size_t size) {
            if (!navigation || failure) return true;
            if (body.size() + size > kMaxPostData) failure = 413;
            else body.append(data, size);
            return true;
        });
    }
    if (!navigation) return;
    if (!read) return Refuse(res, 400, "Bad Request");
    if (failure) return Refuse(res, failure, "Form Refused");

    if (form) {
        body = form->Text();
        form->Release();  // the upload file now belongs to whoever reads the post data
    }
    // The post data is read as text up to its first NUL byte.
    body.resize(std::min(body.size(), body.find('\0')));
    NavigationEvent event{LocalPagePath(programFolder_, "/" + name), FrameNameOf(req), std::move(body)};
    Answer(Raise(std::move(event)), name, res);
}

}  // namespace halvoran
