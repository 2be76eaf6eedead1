// halvoran-cli: the Config Tool's commands for scripts and terminals.
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/sysinfo.h"
#include "app/vk_app.h"
#include "cli/cli_options.h"
#include "cli/cli_session.h"
#include "platform/program_path.h"

int main(int argc, char** argv) {
    using namespace halvoran;
    std::string problem;
    const std::optional<CliOptions> options = ParseCliOptions(std::vector<std::string>(argv + 1, argv + argc), problem);
    if (!options) {
        std::fprintf(stderr, "halvoran-cli: %s\n%s", problem.c_str(), CliUsage());
        return kExitUsage;
    }
    if (options->Help) {
        std::fputs(CliUsage(), stdout);
        return kExitOk;
    }

    // With --folder the program "lives" in DIR: the settings file and p1 are DIR's.
    const std::string programFile = options->Folder.empty() ? ProgramFilePath() : options->Folder + "/halvoran-cli";
    if (const std::string folderProblem = ProgramFolderProblem(FolderOf(programFile)); !folderProblem.empty()) {
        std::fprintf(stderr, "halvoran-cli: %s\n", folderProblem.c_str());
        return kExitUsage;
    }

    StatusPrinter printer(stderr, isatty(STDERR_FILENO) == 1);
    int status;
    {
        CliSession session(*options, programFile, printer);
        status = session.Run();
    }
    printer.Finish();
    return status;
}
