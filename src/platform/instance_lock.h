// The single-instance guard: an advisory lock (flock) on a file in the user's
// runtime folder. The kernel drops the lock when the holder ends, however it
// ends, so a crashed copy never blocks the next one.
#pragma once
#include <string>

namespace halvoran {

enum class LockResult { Acquired, HeldElsewhere, Failed };

class InstanceLock {
public:
    InstanceLock() = default;
    ~InstanceLock() { Release(); }
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Creates or opens folder/name and takes the lock without waiting.
    LockResult Acquire(const std::string& folder, const std::string& name);
    void Release();
    bool Held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// $XDG_RUNTIME_DIR when it names a folder, else /run/user/<uid>, else /tmp.
std::string RuntimeFolder();

}  // namespace halvoran
