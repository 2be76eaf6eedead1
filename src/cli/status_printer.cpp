#include "cli/status_printer.h"

#include <algorithm>
#include <cctype>

namespace halvoran {

namespace {

constexpr int kBarCells = 40;

// Digits ending at `end` (exclusive); their start, or end when there are none.
size_t DigitsBefore(const std::string& text, size_t end) {
    size_t start = end;
    while (start > 0 && std::isdigit(static_cast<unsigned char>(text[start - 1]))) --start;
    return start;
}

}  // namespace

std::string CountBase(const std::string& text, int& count, bool& outOfHundred) {
    count = -1;
    outOfHundred = false;
    size_t end = text.size();
    if (text.ends_with("/100")) {
        outOfHundred = true;
        end -= 4;
    }
    const size_t start = DigitsBefore(text, end);
    // Counts are short; a long digit run is part of the text itself.
    if (start == end || end - start > 3) {
        outOfHundred = false;
        return text;
    }
    count = std::stoi(text.substr(start, end - start));
    return text.substr(0, start);
}

std::string ProgressLine(const std::string& base, int count) {
    const int filled = std::clamp(count, 0, 100) * kBarCells / 100;
    return base + "[" + std::string(filled, '#') + std::string(kBarCells - filled, '.') + "] " +
           std::to_string(count) + "/100";
}

void StatusPrinter::Show(const std::string& text) {
    if (text == last_) return;
    int count = 0, lastCount = 0;
    bool hundred = false, lastHundred = false;
    const std::string base = CountBase(text, count, hundred);
    const bool continues = terminal_ && lineOpen_ && count >= 0 &&
                           CountBase(last_, lastCount, lastHundred) == base && lastCount >= 0;
    last_ = text;
    if (!terminal_) {
        std::fprintf(out_, "%s\n", text.c_str());
        std::fflush(out_);
        return;
    }
    if (continues) std::fputs("\r\033[K", out_);
    else if (lineOpen_) std::fputc('\n', out_);
    const std::string shown = hundred ? ProgressLine(base, count) : text;
    std::fputs(shown.c_str(), out_);
    lineOpen_ = true;
    std::fflush(out_);
}

void StatusPrinter::Finish() {
    if (lineOpen_) std::fputc('\n', out_);
    lineOpen_ = false;
    std::fflush(out_);
}

}  // namespace halvoran
