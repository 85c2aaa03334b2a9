// An address is one of the fixed prefixes and more, with no blank inside, and what
// goes to the shell always carries a scheme.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ui/web_address.h"

static bool StartsWith(const std::string& s, const char* p) { return s.rfind(p, 0) == 0; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string s(reinterpret_cast<const char*>(data), size);
    if (!IsWebAddress(s)) return 0;
    size_t last = s.find_last_not_of(" \t\n");
    if (s.find_first_of(" \t\n") < last) std::abort();
    bool prefixed = false;
    for (const char* p : {"www.", "www2.", "www3.", "http://", "https://", "ftp://"})
        prefixed = prefixed || (StartsWith(s, p) && s.size() > std::char_traits<char>::length(p));
    if (!prefixed) std::abort();
    std::string open = AddressToOpen(s);
    if (!StartsWith(open, "http://") && !StartsWith(open, "https://") && !StartsWith(open, "ftp://")) std::abort();
    return 0;
}
