#include "platform/file_block.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <limits>
#include <memory>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace halvoran {

namespace {

// Closes the descriptor, giving up its lease first.
struct LeasedFd {
    int fd;
    bool leased = false;
    ~LeasedFd() {
        if (fd < 0) return;
        if (leased) ::fcntl(fd, F_SETLEASE, F_UNLCK);
        ::close(fd);
    }
};

// A read lease can only be taken while no one has the file open for writing,
// and while it is held a writer's open waits for us. Returns false only when a
// writer holds the file; file systems or owners that allow no lease pass.
bool HoldReadLease(LeasedFd& file) {
    // A lease break is signalled to the holder; SIGURG is ignored by default,
    // so a writer arriving during the read cannot end the program.
    ::fcntl(file.fd, F_SETSIG, SIGURG);
    if (::fcntl(file.fd, F_SETLEASE, F_RDLCK) == 0) {
        file.leased = true;
        return true;
    }
    return errno != EAGAIN && errno != EBUSY;
}

}  // namespace

bool ReadFileBlock(const std::string& path, std::unique_ptr<uint8_t[]>& data, uint32_t& size) {
    data.reset();
    size = 0;
    if (path.empty() || path.find('\0') != std::string::npos) return false;
    // Non-blocking, so that opening a FIFO or device cannot hang; it is refused below.
    LeasedFd file{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK)};
    if (file.fd < 0) return false;
    struct stat info;
    if (::fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode)) return false;
    if (!HoldReadLease(file)) return false;
    if (info.st_size < 0 || static_cast<uint64_t>(info.st_size) > std::numeric_limits<uint32_t>::max()) return false;
    const auto total = static_cast<uint32_t>(info.st_size);

    std::unique_ptr<uint8_t[]> block;
    try {
        block = std::make_unique_for_overwrite<uint8_t[]>(total);
    } catch (const std::bad_alloc&) {
        return false;
    }
    uint32_t done = 0;
    while (done < total) {
        ssize_t got = ::read(file.fd, block.get() + done, total - done);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;  // an error, or the file shrank
        done += static_cast<uint32_t>(got);
    }
    uint8_t extra;
    ssize_t more;
    do more = ::read(file.fd, &extra, 1);
    while (more < 0 && errno == EINTR);
    if (more != 0) return false;  // the file grew, or the read failed

    data = std::move(block);
    size = total;
    return true;
}

}  // namespace halvoran
