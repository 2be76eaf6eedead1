// A private program folder with a p1 page cache, removed at the end of a test.
#pragma once
#include <string>

namespace halvoran::test {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; }
    std::string PageCache() const { return path_ + "/p1"; }
    // Writes a file below the folder (relative path) and returns its full path.
    std::string Write(const std::string& relative, const std::string& content) const;
    // The content of a file below the folder; empty when missing.
    std::string Read(const std::string& relative) const;

private:
    std::string path_;
};

}  // namespace halvoran::test
