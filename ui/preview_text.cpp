#include "ui/preview_text.h"

#include <stdint.h>

#include "history/text_util.h"

namespace {

// The edit control's layout time, in nanoseconds, as measured under Wine in the pane at
// the window's narrowest: each byte costs a fixed part, and the control measures the
// rest of a paragraph again for every line it wraps, which adds a part growing with the
// byte's column. Between words it breaks lines at spaces; a run of letters longer than
// a line it breaks letter by letter, which costs twice as much.
const uint64_t kByteNs = 1300;
const uint64_t kWordColumnNs = 9;
const uint64_t kRunColumnNs = 18;
// Longer than a line of the narrowest pane.
const uint64_t kLongRun = 48;
// Leaves the rest of half a second for reading the item and drawing the window.
const uint64_t kBudgetNs = 425000000;
const char kCutLine[] = "[...]";

}  // namespace

size_t PreviewLength(const std::string& text) {
    uint64_t cost = 0;
    uint64_t column = 0;
    uint64_t run = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        cost += kByteNs;
        if (c == '\n' || c == '\r') {
            column = run = 0;
        } else {
            run = c == ' ' || c == '\t' ? 0 : run + 1;
            cost += column * (run > kLongRun ? kRunColumnNs : kWordColumnNs);
            ++column;
        }
        if (cost > kBudgetNs) return i;
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
