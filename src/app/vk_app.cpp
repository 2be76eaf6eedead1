#include "app/vk_app.h"

#include "app/sysinfo.h"
#include "app/texts.h"
#include "bridge/welcome_page.h"
#include "platform/files.h"

namespace halvoran {

std::string ProgramFolderProblem(const std::string& folder) {
    // The welcome page has the longest of the paths the window builds.
    if (WelcomePageFile(folder).empty()) {
        return "The program folder path is too long: " + folder;
    }
    if (!IsDirectory(folder + "/p1")) return "The page cache folder is missing: " + folder + "/p1";
    return {};
}

StartResult CvkApp::InitInstance(AppHost& host, const std::string& lockFolder, const std::string& programFile) {
    switch (InstanceMutex.Acquire(lockFolder, kInstanceLockName)) {
        case LockResult::Failed: return StartResult::LockFailed;
        case LockResult::HeldElsewhere:
            host.ShowStartupMessage(text::AlreadyRunning);
            return StartResult::AlreadyRunning;
        case LockResult::Acquired: break;
    }
    std::string problem = ProgramFolderProblem(FolderOf(programFile));
    if (!problem.empty()) {
        host.ShowStartupMessage(problem);
        InstanceMutex.Release();
        return StartResult::BadProgramFolder;
    }
    host.RunMainWindow(programFile);
    InstanceMutex.Release();
    return StartResult::Ran;
}

}  // namespace halvoran
