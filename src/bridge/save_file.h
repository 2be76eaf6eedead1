// Saving the printer's configuration file and its report, fetched into the
// page cache, to a place on the PC that the user picks.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace halvoran {

struct PanelBridge;

enum SaveKind : uint8_t { kSaveConfigFile = 3, kSaveReport = 4 };

// The text after the path's last backslash, else after its last slash, else
// the whole path.
std::string FileNamePart(std::string_view path);

// Appends extension (".cfg", ".txt") when the path has no ".", ends in ".",
// or has a separator after its last "." (the dot is a folder's).
std::string WithSaveExtension(std::string path, std::string_view extension);

// Asks where to save the cached file of the kind and copies it there,
// replacing the destination; an existing destination is replaced only when
// the user answers OK to the overwrite question. Reports nothing.
void SaveCachedFile(uint8_t kind, PanelBridge& bridge);

}  // namespace halvoran
