// What QtWebEngine needs before the application object exists.
#pragma once

namespace halvoran {

// Chromium's sandbox cannot run as root: it is turned off then. The engine is
// told not to reach the network on its own (no background updates, sync,
// safe-browsing or metrics). Call before constructing QApplication.
void PrepareWebEngine();

}  // namespace halvoran
