// CExplorer1 on screen: a QtWebEngine view that only ever shows the pages of
// the loopback browser host. Navigations to any other origin, new windows and
// engine downloads are refused, every request leaving the host is blocked,
// and nothing is cached or stored by the engine.
#pragma once
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineView>

class QWebEngineProfile;

namespace halvoran {

class HostOnlyInterceptor;

// True when url lies under the host's origin and secret: http://127.0.0.1:port/secret/...
bool IsHostUrl(const QUrl& url, int port, const QString& secret);

class HostPage final : public QWebEnginePage {
    Q_OBJECT
public:
    HostPage(QWebEngineProfile* profile, QObject* parent);
    void SetHost(int port, const QString& secret);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    // Links with a target of their own (target=_blank, window.open) open no window.
    QWebEnginePage* createWindow(WebWindowType type) override;

private:
    int port_ = 0;
    QString secret_;
};

class WebView final : public QWebEngineView {
    Q_OBJECT
public:
    explicit WebView(QWidget* parent);
    ~WebView() override;

    // The host whose pages this view may show.
    void SetHost(int port, const QString& secret);
    HostPage* Page() const { return page_; }

private:
    QWebEngineProfile* profile_;
    HostOnlyInterceptor* interceptor_;
    HostPage* page_;
};

}  // namespace halvoran
