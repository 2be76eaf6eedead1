// Private temporary files that carry the file chosen in an upload form from
// the browser host to the download worker. They live in a folder only this
// user can enter (mode 0700), each file created with mode 0600.
#pragma once
#include <mutex>
#include <string>
#include <vector>

namespace halvoran {

// One upload file being written. Closes its descriptor when destroyed.
class UploadFile {
public:
    UploadFile() = default;
    UploadFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    ~UploadFile();
    UploadFile(UploadFile&& other) noexcept;
    UploadFile& operator=(UploadFile&& other) noexcept;
    UploadFile(const UploadFile&) = delete;
    UploadFile& operator=(const UploadFile&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    const std::string& Path() const { return path_; }
    bool Write(const char* data, size_t size);
    // Closes the file; false when a write or the close failed.
    bool Close();

private:
    int fd_ = -1;
    std::string path_;
    bool failed_ = false;
};

class UploadStore {
public:
    UploadStore() = default;
    // Removes every upload file still present and the folder.
    ~UploadStore();
    UploadStore(const UploadStore&) = delete;
    UploadStore& operator=(const UploadStore&) = delete;

    // Creates the private folder under $TMPDIR (or /tmp when TMPDIR is unset,
    // relative or so long that a file path would not fit 259 characters).
    bool Open();
    std::string Folder() const {
        std::lock_guard lock(mutex_);
        return folder_;
    }
    // Callable from any thread. A new empty file in the folder, registered for RemoveUploadFile; not
    // open when the store is not open or the file cannot be created.
    UploadFile Create();

private:
    mutable std::mutex mutex_;
    std::string folder_;
    std::vector<std::string> created_;
};

// Removes an upload file that an UploadStore created and that is still
// present; any other path is left alone. The download worker calls it with
// the file name it took from the post data when the upload ends.
bool RemoveUploadFile(const std::string& path);

}  // namespace halvoran
