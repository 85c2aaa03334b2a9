#include "ui/placement.h"

#include "app/hotkeys.h"
#include "app/tray.h"
#include "settings/settings_store.h"
#include "ui/list_view.h"
#include "ui/preview_pane.h"
#include "ui/toolbar.h"

namespace {

bool visible = false;

}  // namespace

void FirstPlacement() {
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    int cx = GetSystemMetrics(SM_CXSCREEN);
    int cy = GetSystemMetrics(SM_CYSCREEN);
    // Without a notification area, the taskbar's usual place: the bottom right.
    RECT tray = {cx, cy, cx, cy};
    if (HWND notify = FindTrayNotifyWindow()) GetWindowRect(notify, &tray);
    SetSetting("WinX", tray.left < cx / 2 ? work.left + 10 : work.right - GetSetting("WinW") - 10);
    SetSetting("WinY", tray.top < cy / 2 ? work.top + 10 : work.bottom - GetSetting("WinH") - 10);
}

bool HistoryWindowVisible() { return visible; }

POINT PullOntoScreen(const RECT& r, const RECT& d) {
    int w = r.right - r.left;
    int h = r.bottom - r.top;
    POINT p;
    p.x = d.left > r.left ? d.left : d.right > r.left ? r.left : d.right - w;
    p.y = d.top > r.top ? d.top : d.bottom > r.top ? r.top : d.bottom - h;
    return p;
}

void ShowHistoryWindow(HWND window) {
    RECT d, r;
    GetWindowRect(GetDesktopWindow(), &d);
    GetWindowRect(window, &r);
    POINT p = PullOntoScreen(r, d);
    MoveWindow(window, p.x, p.y, r.right - r.left, r.bottom - r.top, FALSE);
    ShowWindow(window, SW_RESTORE);
    SetForegroundWindow(window);
    visible = true;
    SetFocus(ListWindow());
}

void HideHistoryWindow(HWND window) {
    ShowWindow(window, SW_HIDE);
    visible = false;
    if (Pinned()) TogglePin(window);
    if (PreviewOpen()) TogglePreview(window);
}

void ToggleHistoryWindow(HWND window) {
    WINDOWPLACEMENT wp = {};
    wp.length = sizeof wp;
    GetWindowPlacement(window, &wp);
    if (visible && wp.showCmd != SW_SHOWMINIMIZED) {
        HideHistoryWindow(window);
    } else {
        ShowHistoryWindow(window);
    }
}

void SavePlacementAndClose(HWND window) {
    UnregisterHotkeys(window);
    SetSetting("ToolbarOpen", ToolbarShown() ? 1 : 0);
    RECT r;
    GetWindowRect(window, &r);
    SetSetting("WinX", r.left);
    SetSetting("WinY", r.top);
    SetSetting("WinW", r.right - r.left);
    SetSetting("WinH", r.bottom - r.top);
    DestroyWindow(window);
}
