// halvoran-config: the desktop Config Tool.
#include <QApplication>
#include <cstdio>
#include <string>
#include <vector>

#include "app/vk_app.h"
#include "gui/command_line.h"
#include "gui/desktop_session.h"
#include "gui/engine_setup.h"
#include "platform/instance_lock.h"
#include "platform/program_path.h"

int main(int argc, char** argv) {
    using namespace halvoran;
    PrepareWebEngine();
    QApplication app(argc, argv);

    // QApplication has taken its own options out of argv.
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    std::optional<DesktopOptions> options = ParseCommandLine(args, error);
    if (!options) {
        std::fprintf(stderr, "halvoran-config: %s\n%s", error.c_str(), kUsage);
        return 2;
    }

    DesktopApp desktop(*options);
    CvkApp program;
    StartResult result = program.InitInstance(desktop, RuntimeFolder(), ProgramFilePath());
    return result == StartResult::Ran && !desktop.Failed() ? 0 : 1;
}
