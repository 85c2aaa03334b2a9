#include "app/tray.h"

#include <shellapi.h>

#include <cstring>
#include <sstream>

#include "app/identifiers.h"
#include "history/clipboard_capture.h"
#include "res/resource.h"
#include "settings/local_strings.h"
#include "settings/version_text.h"

namespace {

HICON appIcon;
HICON pausedIcon;
// The original 88-byte record: every shell since accepts it, and we need no newer field.
NOTIFYICONDATAA trayIconData;

enum { StrPaused = 15 };

void ShowIcon(HWND window, HICON icon) {
    trayIconData.hIcon = icon;
    Shell_NotifyIconA(NIM_MODIFY, &trayIconData);
    SendMessageA(window, WM_SETICON, ICON_SMALL, LPARAM(icon));
}

}  // namespace

void TrayInit(HINSTANCE instance, HWND window) {
    appIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_APP));
    pausedIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_PAUSED));
    std::memset(&trayIconData, 0, sizeof trayIconData);
    trayIconData.cbSize = NOTIFYICONDATAA_V1_SIZE;
    trayIconData.hWnd = window;
    trayIconData.uID = 0;
    trayIconData.uFlags = NIF_MESSAGE | NIF_ICON;
    trayIconData.uCallbackMessage = WM_HISTORY;
    trayIconData.hIcon = appIcon;
}

void TrayAdd() { Shell_NotifyIconA(NIM_ADD, &trayIconData); }
void TrayRemove() { Shell_NotifyIconA(NIM_DELETE, &trayIconData); }
void TrayShowRunningIcon(HWND window) { ShowIcon(window, appIcon); }
void TrayShowPausedIcon(HWND window) { ShowIcon(window, pausedIcon); }

void TogglePause(HWND window) {
    SetCapturePaused(!CapturePaused());
    if (CapturePaused()) {
        TrayShowPausedIcon(window);
        SetPausedTitle(window, LoadLocalString(StrPaused));
    } else {
        TrayShowRunningIcon(window);
        SetPlainTitle(window);
    }
}

void SetPlainTitle(HWND window) { SetWindowTextA(window, WindowTitle().c_str()); }

void SetPausedTitle(HWND window, const std::string& text) {
    std::ostringstream title;
    title << text << "  \xB7  " << WindowTitle();
    SetWindowTextA(window, title.str().c_str());
}

HWND FindTrayNotifyWindow() {
    HWND taskbar = FindWindowExA(nullptr, nullptr, "Shell_TrayWnd", nullptr);
    if (!taskbar) return nullptr;
    return FindWindowExA(taskbar, nullptr, "TrayNotifyWnd", nullptr);
}
