// The one wait of the Windows tests: as a program waits, dispatching its thread's messages.
#pragma once
#include <windows.h>

#include <functional>

// Dispatches this thread's messages until `done` holds or the time is up, looking again
// at every message and every 20 ms.
inline bool PumpUntil(const std::function<bool()>& done, DWORD limitMs = 4000) {
    for (DWORD start = GetTickCount();; MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT)) {
        for (MSG msg; PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);) TranslateMessage(&msg), DispatchMessageA(&msg);
        if (done()) return true;
        if (GetTickCount() - start >= limitMs) return false;
    }
}
