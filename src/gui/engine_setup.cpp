#include "gui/engine_setup.h"

#include <QCoreApplication>
#include <QtGlobal>
#include <unistd.h>

namespace halvoran {

void PrepareWebEngine() {
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX")) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    }
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    for (const char* flag : {"--disable-background-networking", "--disable-component-update", "--disable-sync",
                             "--disable-domain-reliability", "--no-pings", "--disable-breakpad",
                             "--safebrowsing-disable-auto-update", "--metrics-recording-only"}) {
        if (!flags.contains(flag)) flags += QByteArray(" ") + flag;
    }
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags.trimmed());
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

}  // namespace halvoran
