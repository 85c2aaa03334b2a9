// Any settings file loads without harm, and what was loaded survives a save and a reload.
#include <cstdint>
#include <cstdlib>

#include "settings/paths.h"
#include "settings/settings_store.h"
#include "tests/fuzz/fuzz_dir.h"

static const char* const kKeys[] = {"EnableHotkeys", "GridLines", "KeepPolicy", "LangID",  "MaxItems",  "MonoFont",
                                    "PauseRestore",  "PauseState", "PeekOpen", "StayOnTop", "Timestamps", "ToolbarOpen",
                                    "WinH",          "WinW",       "WinX",     "WinY"};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& dir = FuzzDirectory();
    WriteBytes(JoinPath(dir, "Hoardium.ini"), data, size);
    ResetSettings();
    SetDefaultSettings();
    LoadSettings(dir, "Hoardium");
    int32_t first[sizeof kKeys / sizeof *kKeys];
    for (size_t k = 0; k < sizeof kKeys / sizeof *kKeys; k++) first[k] = GetSetting(kKeys[k]);
    SaveSettings();
    ResetSettings();
    SetDefaultSettings();
    if (!LoadSettings(dir, "Hoardium")) std::abort();
    for (size_t k = 0; k < sizeof kKeys / sizeof *kKeys; k++) {
        if (GetSetting(kKeys[k]) != first[k]) std::abort();
    }
    return 0;
}
