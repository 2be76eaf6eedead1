#include "platform/instance_lock.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "platform/files.h"

namespace halvoran {

LockResult InstanceLock::Acquire(const std::string& folder, const std::string& name) {
    Release();
    std::string path = folder + "/" + name;
    // O_NOFOLLOW: in a shared folder such as /tmp the name must not lead elsewhere.
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return LockResult::Failed;
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        bool held = errno == EWOULDBLOCK;
        ::close(fd);
        return held ? LockResult::HeldElsewhere : LockResult::Failed;
    }
    fd_ = fd;
    return LockResult::Acquired;
}

void InstanceLock::Release() {
    if (fd_ < 0) return;
    ::close(fd_);  // closing the only descriptor drops the lock
    fd_ = -1;
}

std::string RuntimeFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime && IsDirectory(runtime)) return runtime;
    std::string perUser = "/run/user/" + std::to_string(::getuid());
    if (IsDirectory(perUser)) return perUser;
    return "/tmp";
}

}  // namespace halvoran
