// Whole-file helpers over the local file system, used for the page cache and
// the settings file.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace halvoran {

// True when an entry (file or folder) of exactly this path exists.
bool FileExists(const std::string& path);
bool IsDirectory(const std::string& path);
// Creates or replaces the file's content with exactly these bytes.
bool WriteWholeFile(const std::string& path, const uint8_t* data, size_t size);
// Writes these bytes from the start of the file, creating it when missing;
// bytes of a longer file beyond them stay as they were.
bool WriteFileStart(const std::string& path, const uint8_t* data, size_t size);
std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path);
// Deletes a file; false when it could not be deleted (a missing file included).
bool DeleteFile(const std::string& path);

}  // namespace halvoran
