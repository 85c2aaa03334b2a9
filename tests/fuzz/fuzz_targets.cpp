// Every reader of outside input, fuzzed; each target is this file built with its own
// FUZZ_<target> macro.
#include <cstdint>
#include <cstdlib>

#include "history/display_text.h"
#include "history/history_store.h"
#include "settings/settings_store.h"
#include "tests/core/test_dir.h"
#include "ui/web_address.h"

inline bool StartsWith(const std::string& s, const std::string& p) { return s.rfind(p, 0) == 0; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static TestDir dir;
    const std::string s(reinterpret_cast<const char*>(data), size);
    bool bad = false;
#if defined(FUZZ_display_text)
    // The display text never holds a line feed, depends on the first 200 bytes only, and
    // ends in the cut marker exactly when the text was longer.
    std::string d = MakeDisplayText(s, 200);
    bad = d.find('\n') != std::string::npos || (s.size() > 200) != (d.size() >= 7 && StartsWith(d.substr(d.size() - 7), "  [...]")) ||
          (s.size() > 200 && d != MakeDisplayText(s.substr(0, 200), 200) + "  [...]");
#elif defined(FUZZ_index)
    // Any index file loads without harm; what was loaded and written loads and writes the same again.
    StoreOpen(dir.path());
    WriteFile(StoreIndexPath(), s);
    std::string saved[2];
    for (std::string& file : saved) {
        HistoryItems items;
        bad = bad || !LoadIndex(&items) || !SaveIndex(items);
        file = ReadFile(StoreIndexPath());
    }
    bad = bad || saved[0] != saved[1];
#elif defined(FUZZ_settings)
    // Any settings file loads without harm, and what was loaded survives a save and a reload.
    WriteFile(dir.File("Hoardium.ini"), s);
    std::string saved[2];
    for (std::string& file : saved) {
        ResetSettings();
        SetDefaultSettings();
        bad = bad || !LoadSettings(dir.path(), "Hoardium");
        SaveSettings();
        file = ReadFile(dir.File("Hoardium.ini"));
    }
    bad = bad || saved[0] != saved[1];
#elif defined(FUZZ_web_address)
    // An address is one of the fixed prefixes and more, with no blank inside, and what
    // goes to the shell always carries a scheme.
    if (!IsWebAddress(s)) return 0;
    bool prefixed = false;
    for (const char* p : {"www.", "www2.", "www3.", "http://", "https://", "ftp://"})
        prefixed = prefixed || (StartsWith(s, p) && s.size() > std::string(p).size());
    std::string open = AddressToOpen(s);
    bad = s.find_first_of(" \t\n") < s.find_last_not_of(" \t\n") || !prefixed ||
          !(StartsWith(open, "http://") || StartsWith(open, "https://") || StartsWith(open, "ftp://"));
#endif
    if (bad) std::abort();
    return 0;
}
