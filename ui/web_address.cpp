#include "ui/web_address.h"

#include "history/text_util.h"

bool IsWebAddress(const std::string& s) {
    std::string t = TrimChars(s, " \n\t");
    if (t.find_first_of(" \n\t") != std::string::npos) return false;
    static const char* const prefixes[] = {"www.", "www2.", "www3.", "http://", "https://", "ftp://"};
    for (const char* p : prefixes) {
        std::string prefix(p);
        if (s.size() > prefix.size() && s.compare(0, prefix.size(), prefix) == 0) return true;
    }
    return false;
}

std::string AddressToOpen(const std::string& s) {
    for (const char* p : {"www.", "www2.", "www3."}) {
        if (s.compare(0, std::char_traits<char>::length(p), p) == 0) return "http://" + s;
    }
    return s;
}
