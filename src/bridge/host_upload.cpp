#include "bridge/host_upload.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "bridge/page_path.h"

namespace halvoran {

namespace {

// Upload files of every live store: RemoveUploadFile deletes only these.
struct Registry {
    std::mutex Mutex;
    std::set<std::string> Paths;
};

Registry& Uploads() {
    static Registry registry;
    return registry;
}

constexpr std::string_view kFolderPattern = "/halvoran-upload-XXXXXX";
constexpr std::string_view kFilePattern = "/upload-XXXXXX";

std::string TempRoot() {
    const char* tmp = std::getenv("TMPDIR");
    std::string root = tmp ? tmp : "";
    while (root.size() > 1 && root.back() == '/') root.pop_back();
    if (root.empty() || root[0] != '/' ||
        root.size() + kFolderPattern.size() + kFilePattern.size() > kMaxPagePath)
        return "/tmp";
    return root;
}

bool Unregister(const std::string& path) {
    Registry& registry = Uploads();
    std::lock_guard lock(registry.Mutex);
    return registry.Paths.erase(path) > 0;
}

}  // namespace

UploadFile::~UploadFile() { Close(); }

UploadFile::UploadFile(UploadFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)), failed_(other.failed_) {}

UploadFile& UploadFile::operator=(UploadFile&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
        failed_ = other.failed_;
    }
    return *this;
}

bool UploadFile::Write(const char* data, size_t size) {
    while (fd_ >= 0 && !failed_ && size > 0) {
        ssize_t put = ::write(fd_, data, size);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) failed_ = true;
        else {
            data += put;
            size -= static_cast<size_t>(put);
        }
    }
    return fd_ >= 0 && !failed_;
}

bool UploadFile::Close() {
    if (fd_ < 0) return !failed_;
    if (::close(fd_) != 0) failed_ = true;
    fd_ = -1;
    return !failed_;
}

UploadStore::~UploadStore() {
    std::lock_guard lock(mutex_);
    for (const std::string& path : created_) {
        if (Unregister(path)) ::unlink(path.c_str());
    }
    if (!folder_.empty()) ::rmdir(folder_.c_str());
}

bool UploadStore::Open() {
    std::lock_guard lock(mutex_);
    if (!folder_.empty()) return true;
    std::string pattern = TempRoot() + std::string(kFolderPattern);
    if (!::mkdtemp(pattern.data())) return false;  // mode 0700
    folder_ = pattern;
    return true;
}

UploadFile UploadStore::Create() {
    std::lock_guard lock(mutex_);
    if (folder_.empty()) return {};
    std::string pattern = folder_ + std::string(kFilePattern);
    int fd = ::mkostemp(pattern.data(), O_CLOEXEC);  // mode 0600
    if (fd < 0) return {};
    {
        Registry& registry = Uploads();
        std::lock_guard lock(registry.Mutex);
        registry.Paths.insert(pattern);
    }
    created_.push_back(pattern);
    return UploadFile(fd, pattern);
}

bool RemoveUploadFile(const std::string& path) {
    if (!Unregister(path)) return false;
    return ::unlink(path.c_str()) == 0;
}

}  // namespace halvoran
