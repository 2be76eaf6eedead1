#include "support/temp_folder.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <stdlib.h>

namespace halvoran::test {

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "halvoran-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
    std::filesystem::create_directory(PageCache());
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string TempFolder::Write(const std::string& relative, const std::string& content) const {
    const std::string full = path_ + "/" + relative;
    std::ofstream(full, std::ios::binary) << content;
    return full;
}

std::string TempFolder::Read(const std::string& relative) const {
    std::ifstream in(path_ + "/" + relative, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace halvoran::test
