#include "history/display_text.h"

#include "history/text_util.h"

namespace {
const char kBreak = '\xB6';
const char kTab = '\xBB';
const char kDot = '\xB7';
const char kCutMarker[] = "  [...]";
}  // namespace

std::string MakeDisplayText(const std::string& text, size_t limit) {
    std::string s = text.substr(0, limit);
    ReplaceAll(s, "\r\n", std::string(1, kBreak));
    ReplaceAll(s, "\n", std::string(1, kBreak));
    ReplaceAll(s, "\t", std::string(1, kTab));
    const std::string blanks = {kBreak, kTab, ' '};
    if (TrimChars(s, blanks).empty()) {
        ReplaceAll(s, " ", std::string(1, kDot));
    } else {
        s = CollapseRuns(s, kBreak);
        s = CollapseRuns(s, kTab);
        ReplaceAll(s, std::string(1, kBreak), std::string{' ', kBreak, ' '});
        ReplaceAll(s, std::string(1, kTab), std::string{' ', kTab, ' '});
        s = CollapseRuns(s, ' ');
        s = TrimChars(s, " \n\t");
    }
    if (text.size() > limit) s += kCutMarker;
    return s;
}
