#include "bridge/save_file.h"

#include "app/texts.h"
#include "bridge/page_path.h"
#include "bridge/panel_bridge.h"
#include "platform/files.h"

namespace halvoran {

namespace {

struct SaveRow {
    std::string_view CachedPage;
    std::string_view FilterText;
    std::string_view FilterPattern;
    std::string_view Extension;
};

constexpr SaveRow kConfigRow{"/conf.cfg", "CFG(*.cfg)", "*.cfg", ".cfg"};
constexpr SaveRow kReportRow{"/report.txt", "txt(*.txt)", "*.txt", ".txt"};

bool CopyReplacing(const std::string& source, const std::string& destination) {
    const auto content = ReadWholeFile(source);
    return content && WriteWholeFile(destination, content->data(), content->size());
}

}  // namespace

std::string FileNamePart(std::string_view path) {
    size_t at = path.rfind('\\');
    if (at == std::string_view::npos) at = path.rfind('/');
    return std::string(at == std::string_view::npos ? path : path.substr(at + 1));
}

std::string WithSaveExtension(std::string path, std::string_view extension) {
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot + 1 == path.size() ||
        path.find_first_of("\\/", dot) != std::string::npos)
        path.append(extension);
    return path;
}

void SaveCachedFile(uint8_t kind, PanelBridge& bridge) {
    if ((kind != kSaveConfigFile && kind != kSaveReport) || !bridge.Dialog) return;
    const SaveRow& row = kind == kSaveConfigFile ? kConfigRow : kReportRow;
    const std::string source = LocalPagePath(bridge.ProgramFolder, row.CachedPage);

    const auto chosen = bridge.Dialog->AskSavePath({std::string(row.FilterText), std::string(row.FilterPattern)});
    // A path that does not fit the 260-character name buffer fails the dialog.
    if (!chosen || chosen->empty() || chosen->size() >= kPathCapacity) return;

    const std::string destination = WithSaveExtension(*chosen, row.Extension);
    if (FileExists(destination) &&
        !bridge.Dialog->AskOkCancel(FileNamePart(destination) + Tr(text::AlreadyExists), true))
        return;
    CopyReplacing(source, destination);
}

}  // namespace halvoran
