#include "ui/preview_text.h"

#include <stdint.h>

#include "history/text_util.h"

namespace {

// In 64ths of a byte: a paragraph of n bytes costs n + n * n / 64. About a quarter
// of a second of layout under Wine, where the control is slowest.
const uint64_t kBudget = uint64_t(1) << 25;
const char kCutLine[] = "[...]";

}  // namespace

size_t PreviewLength(const std::string& text) {
    uint64_t cost = 0;
    uint64_t column = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\n' || c == '\r') {
            column = 0;
            cost += 64;
        } else {
            // Growing a paragraph from n to n + 1 bytes adds 64 + 2n + 1.
            cost += 65 + 2 * column;
            ++column;
        }
        if (cost > kBudget) return i;
    }
    return text.size();
}

std::string PreviewText(const std::string& text) {
    size_t shown = PreviewLength(text);
    std::string s = text.substr(0, shown);
    ReplaceAll(s, "\n", "\r\n");
    s = CollapseRuns(s, '\r');
    if (shown == text.size()) return s;
    // A lone CR left by the cut would not break the line in the control.
    if (!s.empty() && s.back() == '\r') s.pop_back();
    if (!s.empty() && s.back() != '\n') s += "\r\n";
    return s + kCutLine;
}
