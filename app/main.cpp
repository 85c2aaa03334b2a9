#include <windows.h>

#include "app/startup.h"
#include "history/history_store.h"
#include "settings/paths.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    if (NotifyRunningInstance()) return 0;
    SeedRandom();
    InitExeDirectory();
    if (!StartUp(instance, ExeDirectory())) return 0;
    int code = RunMessageLoop();
    ShutDown();
    return code;
}
