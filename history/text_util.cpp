#include "history/text_util.h"

void ReplaceAll(std::string& s, const std::string& from, const std::string& to) {
    if (from.empty()) return;
    // Built afresh: replacing in place moves the whole tail at every match, which never
    // ends for a text of many megabytes and millions of line breaks.
    std::string out;
    size_t pos = 0, hit;
    while ((hit = s.find(from, pos)) != std::string::npos) {
        out.append(s, pos, hit - pos);
        out += to;
        pos = hit + from.size();
    }
    if (pos == 0) return;
    out.append(s, pos, std::string::npos);
    s.swap(out);
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
