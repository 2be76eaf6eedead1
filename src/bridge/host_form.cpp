#include "bridge/host_form.h"

#include <cctype>

namespace halvoran {

std::string MultipartBoundary(std::string_view contentType) {
    // Parameter names are case-insensitive.
    std::string lower(contentType);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    size_t at = lower.find("boundary=");
    if (at == std::string::npos) return {};
    std::string_view value = contentType.substr(at + 9);
    if (value.starts_with('"')) {
        size_t end = value.find('"', 1);
        return end == std::string_view::npos ? std::string() : std::string(value.substr(1, end - 1));
    }
    size_t end = value.find_first_of("; \t");
    return std::string(value.substr(0, end));
}

MultipartPostData::~MultipartPostData() {
    if (upload_.Path().empty()) return;
    upload_.Close();
    if (!released_) RemoveUploadFile(upload_.Path());
}

bool MultipartPostData::Fail(int status) {
    if (!failure_) failure_ = status;
    return false;
}

bool MultipartPostData::Append(std::string_view text) {
    if (text_.size() + text.size() > kMaxPostData) return Fail(413);
    text_.append(text);
    return true;
}

bool MultipartPostData::EndPart() {
    if (!inPart_) return true;
    inPart_ = false;
    if (toUpload_ && !upload_.Close()) return Fail(500);
    return Append("\r\n");
}

bool MultipartPostData::BeginPart(std::string_view name, std::string_view fileName, std::string_view contentType) {
    if (failure_ || !EndPart()) return false;
    const bool filePart = !fileName.empty() || !contentType.empty();
    std::string shownName(fileName);
    toUpload_ = false;
    if (uploads_ && filePart && !fileName.empty()) {
        if (!upload_.Path().empty()) return Fail(400);  // one chosen file per upload
        upload_ = uploads_->Create();
        if (!upload_.IsOpen()) return Fail(500);
        shownName = upload_.Path();
        toUpload_ = true;
    }
    std::string header = "--" + boundary_ + "\r\nContent-Disposition: form-data; name=\"" + std::string(name) + "\"";
    if (filePart) header += "; filename=\"" + shownName + "\"";
    header += "\r\n";
    if (!contentType.empty()) header += "Content-Type: " + std::string(contentType) + "\r\n";
    header += "\r\n";
    inPart_ = true;
    return Append(header);
}

bool MultipartPostData::AddContent(const char* data, size_t size) {
    if (failure_ || !inPart_) return false;
    // An upload form's file part drops its content here: it went to the file.
    if (toUpload_) return upload_.Write(data, size) || Fail(500);
    return Append(std::string_view(data, size));
}

bool MultipartPostData::Finish() {
    if (failure_ || !EndPart()) return false;
    return Append("--" + boundary_ + "--\r\n");
}

}  // namespace halvoran
