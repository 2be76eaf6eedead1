// CvkApp: start-up with the single-instance guard, then the main window.
#pragma once
#include <string>

#include "platform/instance_lock.h"

namespace halvoran {

inline constexpr const char* kInstanceLockName = "veskor_webpanel";

// What start-up needs of the front end.
class AppHost {
public:
    virtual ~AppHost() = default;
    // Modal box with an OK button and the exclamation icon.
    virtual void ShowStartupMessage(const std::string& text) = 0;
    // Creates the main window around a CvkDlg for programFile and returns when it has ended.
    virtual void RunMainWindow(const std::string& programFile) = 0;
};

enum class StartResult { Ran, AlreadyRunning, LockFailed, BadProgramFolder };

class CvkApp {
public:
    // Takes the guard in lockFolder, checks the program folder and runs the
    // main window; the guard is released when the window has ended.
    StartResult InitInstance(AppHost& host, const std::string& lockFolder, const std::string& programFile);

    InstanceLock InstanceMutex;
};

// Why the program cannot run from this folder (the page cache p1 is missing,
// or the folder is too long for the page cache paths); empty when it can.
std::string ProgramFolderProblem(const std::string& folder);

}  // namespace halvoran
