// The display text never holds a line feed, depends on the first 200 bytes only,
// and ends in the cut marker exactly when the text was longer.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "history/display_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string marker = "  [...]";
    std::string d = MakeDisplayText(text, 200);
    if (d.find('\n') != std::string::npos) std::abort();
    bool cut = d.size() >= marker.size() && d.compare(d.size() - marker.size(), marker.size(), marker) == 0;
    if (cut != (text.size() > 200)) std::abort();
    if (text.size() > 200 && d != MakeDisplayText(text.substr(0, 200), 200) + marker) std::abort();
    return 0;
}
