// The post data of a submitted form, built by the browser host from the
// request body as it arrives.
#pragma once
#include <string>
#include <string_view>

#include "bridge/host_upload.h"

namespace halvoran {

// Longest post data handed to a navigation event; a longer form body is
// refused. The uploaded file's bytes of an upload form do not count.
inline constexpr size_t kMaxPostData = 64 * 1024;

// The boundary parameter of a multipart/form-data content type (quotes
// removed); empty when there is none.
std::string MultipartBoundary(std::string_view contentType);

// Rebuilds a multipart/form-data body part by part. With an UploadStore the
// body is that of an upload form: the content of its file part goes to a new
// upload file and the part keeps only its headers, with the upload file's full
// path as filename="..." and no content. A file part sent without a chosen
// file keeps filename="" and gets no upload file.
class MultipartPostData {
public:
    MultipartPostData(std::string boundary, UploadStore* uploads) : boundary_(std::move(boundary)), uploads_(uploads) {}
    // Removes the upload file unless Release was called.
    ~MultipartPostData();
    MultipartPostData(const MultipartPostData&) = delete;
    MultipartPostData& operator=(const MultipartPostData&) = delete;

    // A part is a file part when it has a file name or a content type (a
    // browser sends application/octet-stream for an empty file input).
    bool BeginPart(std::string_view name, std::string_view fileName, std::string_view contentType);
    bool AddContent(const char* data, size_t size);
    // Closes the last part and the body.
    bool Finish();

    // 0 while all is well, else the HTTP status that refuses the post:
    // 413 post data too long, 400 a second chosen file, 500 no upload file.
    int FailureStatus() const { return failure_; }
    const std::string& Text() const { return text_; }
    const std::string& UploadPath() const { return upload_.Path(); }
    // Hands the upload file over to whoever reads the post data.
    void Release() { released_ = true; }

private:
    bool Fail(int status);
    bool Append(std::string_view text);
    bool EndPart();

    std::string boundary_;
    UploadStore* uploads_;
    std::string text_;
    UploadFile upload_;
    bool inPart_ = false;
    bool toUpload_ = false;
    bool released_ = false;
    int failure_ = 0;
};

}  // namespace halvoran
