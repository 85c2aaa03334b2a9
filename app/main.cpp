#include <windows.h>

#include "history/history_list.h"
#include "history/history_store.h"
#include "settings/paths.h"
#include "settings/settings_store.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    SeedRandom();
    InitExeDirectory();
    SetDefaultSettings();
    LoadSettings(ExeDirectory(), AppName);
    HistoryInit(unsigned(GetSetting("MaxItems")), GetSetting("KeepPolicy"), ExeDirectory(), AppName);
    HistoryCleanupOnExit();
    SaveSettings();
    return 0;
}
