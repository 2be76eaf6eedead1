// The status texts of a command-line run on stderr. On a terminal a text that
// only counts on from the one before (a progress "n/100" or a countdown's
// seconds) rewrites its line, progress drawn as a bar; otherwise every text
// is one line.
#pragma once
#include <cstdio>
#include <string>

namespace halvoran {

class StatusPrinter {
public:
    StatusPrinter(std::FILE* out, bool terminal) : out_(out), terminal_(terminal) {}

    // Shows text unless it repeats the text shown last.
    void Show(const std::string& text);
    // Ends a line left open for rewriting.
    void Finish();

private:
    std::FILE* out_;
    bool terminal_;
    bool lineOpen_ = false;
    std::string last_;
};

// The text without its trailing count ("42/100" or "14"), and the count;
// count is -1 when the text does not end in one.
std::string CountBase(const std::string& text, int& count, bool& outOfHundred);

// "base[#####.....]  42/100" with a 40-cell bar.
std::string ProgressLine(const std::string& base, int count);

}  // namespace halvoran
