#include "platform/files.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace halvoran {

namespace {

// Closes a descriptor when it leaves scope.
struct FdGuard {
    int fd;
    ~FdGuard() {
        if (fd >= 0) ::close(fd);
    }
};

}  // namespace

bool FileExists(const std::string& path) {
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0;
}

bool IsDirectory(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

namespace {

bool WriteAll(int fd, const uint8_t* data, size_t size) {
    size_t done = 0;
    while (done < size) {
        ssize_t put = ::write(fd, data + done, size - done);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        done += static_cast<size_t>(put);
    }
    return true;
}

}  // namespace

bool WriteWholeFile(const std::string& path, const uint8_t* data, size_t size) {
    FdGuard file{::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644)};
    if (file.fd < 0) return false;
    if (!WriteAll(file.fd, data, size)) return false;
    return ::ftruncate(file.fd, static_cast<off_t>(size)) == 0;
}

bool WriteFileStart(const std::string& path, const uint8_t* data, size_t size) {
    FdGuard file{::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644)};
    if (file.fd < 0) return false;
    return WriteAll(file.fd, data, size);
}

std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path) {
    FdGuard file{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    if (file.fd < 0) return std::nullopt;
    struct stat info;
    if (::fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    std::vector<uint8_t> bytes(static_cast<size_t>(info.st_size));
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t got = ::read(file.fd, bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return std::nullopt;
        if (got == 0) break;  // the file shrank while being read
        done += static_cast<size_t>(got);
    }
    bytes.resize(done);
    return bytes;
}

bool DeleteFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

}  // namespace halvoran
