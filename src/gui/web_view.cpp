#include "gui/web_view.h"

#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <atomic>

namespace halvoran {

bool IsHostUrl(const QUrl& url, int port, const QString& secret) {
    if (port <= 0 || secret.isEmpty()) return false;
    if (url.scheme() != QLatin1String("http") || url.port() != port) return false;
    if (url.host() != QLatin1String("127.0.0.1") && url.host() != QLatin1String("localhost")) return false;
    return url.path().startsWith(QLatin1Char('/') + secret + QLatin1Char('/'));
}

// Blocks every request of the engine (pages, frames, pictures, scripts) that
// does not go to the host, so no page can reach the network through the view.
class HostOnlyInterceptor final : public QWebEngineUrlRequestInterceptor {
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    void SetHost(int port, const QString& secret) {
        secret_ = secret;
        port_ = port;
    }
    void interceptRequest(QWebEngineUrlRequestInfo& info) override {
        const QUrl url = info.requestUrl();
        const QString scheme = url.scheme();
        if (scheme == QLatin1String("data") || scheme == QLatin1String("blob")) return;
        if (!IsHostUrl(url, port_, secret_)) info.block(true);
    }

private:
    // Set once on the window's thread before the first load; read on the engine's IO thread.
    std::atomic<int> port_{0};
    QString secret_;
};

HostPage::HostPage(QWebEngineProfile* profile, QObject* parent) : QWebEnginePage(profile, parent) {}

void HostPage::SetHost(int port, const QString& secret) {
    port_ = port;
    secret_ = secret;
}

bool HostPage::acceptNavigationRequest(const QUrl& url, NavigationType, bool) {
    return IsHostUrl(url, port_, secret_);
}

QWebEnginePage* HostPage::createWindow(WebWindowType) { return nullptr; }

WebView::WebView(QWidget* parent) : QWebEngineView(parent) {
    // An off-the-record profile of our own: no disk cache, cookies or history
    // outlive the run, and the HTTP cache is off because the host's files
    // change under the same URL whenever a page is fetched again.
    profile_ = new QWebEngineProfile(this);
    profile_->setHttpCacheType(QWebEngineProfile::NoCache);
    profile_->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    interceptor_ = new HostOnlyInterceptor(profile_);
    profile_->setUrlRequestInterceptor(interceptor_);
    page_ = new HostPage(profile_, this);
    QWebEngineSettings* settings = page_->settings();
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings->setAttribute(QWebEngineSettings::PdfViewerEnabled, false);
    settings->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, true);
    setPage(page_);
}

WebView::~WebView() {
    // The page goes before its profile.
    setPage(nullptr);
    delete page_;
}

void WebView::SetHost(int port, const QString& secret) {
    page_->SetHost(port, secret);
    interceptor_->SetHost(port, secret);
}

}  // namespace halvoran
