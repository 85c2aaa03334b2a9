#include "app/startup.h"

#include "app/identifiers.h"
#include "app/tray.h"
#include "app/window_proc.h"
#include "history/clipboard_capture.h"
#include "history/history_list.h"
#include "res/resource.h"
#include "settings/local_strings.h"
#include "settings/paths.h"
#include "settings/settings_store.h"
#include "settings/version_text.h"
#include "ui/list_view.h"
#include "ui/placement.h"
#include "ui/preview_pane.h"
#include "ui/toolbar.h"

namespace {

enum { KeepUntilExit = 2 };

bool RegisterHistoryClass(HINSTANCE instance) {
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = HistoryWindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_APP));
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = HBRUSH(COLOR_BTNFACE + 1);
    wc.lpszClassName = HISTORY_WINDOW_CLASS;
    wc.hIconSm = HICON(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_APP), IMAGE_ICON, 16, 16, 0));
    return RegisterClassExA(&wc) != 0;
}

void Fail(const char* text) { MessageBoxA(nullptr, text, "Error", MB_ICONEXCLAMATION | MB_OK); }

}  // namespace

bool NotifyRunningInstance() {
    HWND running = FindWindowA(HISTORY_WINDOW_CLASS, nullptr);
    if (!running) return false;
    SendMessageA(running, WM_HISTORY, 0, ReqSecondInstance);
    return true;
}

HWND StartUp(HINSTANCE instance, const std::string& directory) {
    SetDefaultSettings();
    if (!LoadSettings(directory, AppName)) {
        SetSetting("LangID", IsHungarianUser() ? 1 : 0);
        FirstPlacement();
    }
    int keep = GetSetting("KeepPolicy");
    int max = GetSetting("MaxItems");
    HistoryInit(unsigned(max), keep, directory, AppName);
    LoadToolbarIcons(instance);
    SetCapturePaused(false);
    ClearOwnCopyPending();
    if (!RegisterHistoryClass(instance)) {
        Fail("Window Registration Failed!");
        return nullptr;
    }
    int h = GetSetting("WinH");
    int w = GetSetting("WinW");
    int y = GetSetting("WinY");
    int x = GetSetting("WinX");
    HWND window = CreateWindowExA(0, HISTORY_WINDOW_CLASS, nullptr, WS_POPUP | WS_THICKFRAME, x, y, w, h, nullptr,
                                  nullptr, instance, nullptr);
    if (!window) {
        Fail("Window Creation Failed!");
        return nullptr;
    }
    // The rows first: the icon's arrival in the notification area, which can take
    // the shell tens of milliseconds, is no reason for the list to wait.
    ListFillFromHistory();
    TrayInit(instance, window);
    TrayAdd();
    BuildWindowTitle();
    SetPlainTitle(window);
    UpdateCountLabel();
    if (GetSetting("PauseState") == 1) {
        if (GetSetting("PauseRestore") == 1) {
            TogglePause(window);
        } else {
            SetSetting("PauseState", 0);
        }
    }
    ShowWindow(PreviewWindow(), SW_HIDE);
    SetToolbarShown(GetSetting("ToolbarOpen") == 1);
    // The layout made while the window was created still left room for the toolbar.
    if (!ToolbarShown()) SendMessageA(window, WM_SIZE, 0, 0);
    if (GetSetting("StayOnTop") == 1) SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    return window;
}

int RunMessageLoop() {
    MSG msg = {};
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return int(msg.wParam);
}

void ShutDown() {
    if (GetSetting("KeepPolicy") == KeepUntilExit) HistoryDeleteAll();
    HistoryCleanupOnExit();
    SaveSettings();
}
