// Any index file loads without harm; writing what was loaded and loading it again
// gives the same list.
#include <cstdint>
#include <cstdlib>

#include "history/history_store.h"
#include "settings/paths.h"
#include "tests/fuzz/fuzz_dir.h"

static bool Same(const HistoryItems& a, const HistoryItems& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); i++) {
        if (a[i].fileName != b[i].fileName || a[i].displayText != b[i].displayText || a[i].hash != b[i].hash ||
            a[i].captureTime != b[i].captureTime)
            return false;
    }
    return true;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string dataDir = [] {
        std::string d = JoinPath(FuzzDirectory(), "Hoardium.data");
        MakeDirectory(d);
        return d;
    }();
    StoreOpen(dataDir);
    WriteBytes(StoreIndexPath(), data, size);
    HistoryItems loaded;
    if (!LoadIndex(&loaded)) std::abort();
    if (!SaveIndex(loaded)) std::abort();
    HistoryItems reloaded;
    if (!LoadIndex(&reloaded) || !Same(loaded, reloaded)) std::abort();
    return 0;
}
