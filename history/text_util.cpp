#include "history/text_util.h"

void ReplaceAll(std::string& s, const std::string& from, const std::string& to) {
    if (from.empty()) return;
    size_t pos = 0;
    while ((pos = s.find(from, pos)) != std::string::npos) {
        s.replace(pos, from.size(), to);
        pos += to.size();
    }
}

std::string CollapseRuns(const std::string& s, char c) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); i++) {
        if (s[i] == c && i > 0 && s[i - 1] == c) continue;
        out += s[i];
    }
    return out;
}

std::string TrimChars(const std::string& s, const std::string& set) {
    size_t first = s.find_first_not_of(set);
    if (first == std::string::npos) return std::string();
    size_t last = s.find_last_not_of(set);
    return s.substr(first, last - first + 1);
}
