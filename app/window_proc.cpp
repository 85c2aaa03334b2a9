#include "app/window_proc.h"

#include <commctrl.h>

#include "app/hotkeys.h"
#include "app/identifiers.h"
#include "app/tray.h"
#include "history/clipboard.h"
#include "history/clipboard_capture.h"
#include "history/history_list.h"
#include "settings/paths.h"
#include "settings/run_at_startup.h"
#include "settings/settings_store.h"
#include "ui/fonts.h"
#include "ui/item_commands.h"
#include "ui/layout.h"
#include "ui/list_view.h"
#include "ui/menus.h"
#include "ui/open_address.h"
#include "ui/placement.h"
#include "ui/preview_pane.h"
#include "ui/toolbar.h"
#include "ui/website.h"

namespace {

bool ignoreFirstClipboardChange = true;
HWND nextClipboardViewer;
// Reading the clipboard and passing a change on can wait on other programs, and the
// next change's notification is delivered inside that wait. It is taken up once the
// change in hand is done, once for however many came meanwhile.
bool handlingClipboardChange = false;
bool clipboardChangeWaiting = false;

HWND historyWindow;

// A store step fails while the disk is full or the folder read-only; the history in
// memory is whole, so the step is tried again until it goes through, rather than left
// for a next change that may never come. The wait doubles up to a few seconds, so a
// full disk is not rewritten ten times a second.
const UINT FirstStoreRetryMs = 100, LastStoreRetryMs = 6400;
UINT storeRetryMs = FirstStoreRetryMs;

void StoreHistory(HWND window) {
    switch (HistoryStoreStep()) {
    case StoreWork::Done:
        KillTimer(window, TIMER_SAVE_RETRY);
        storeRetryMs = FirstStoreRetryMs;
        break;
    // The files of a large delete go a share per turn, so the window answers between.
    case StoreWork::More: PostMessageA(window, WM_HISTORY, 0, ReqSaveHistory); break;
    case StoreWork::Retry:
        SetTimer(window, TIMER_SAVE_RETRY, storeRetryMs, nullptr);
        if (storeRetryMs < LastStoreRetryMs) storeRetryMs *= 2;
        break;
    }
}

// A change's rewrite of the index waits for the next turn of the message loop, so
// the window answers between the change and its save, and changes that come
// together are saved once.
void RequestHistorySave() {
    if (!PostMessageA(historyWindow, WM_HISTORY, 0, ReqSaveHistory)) StoreHistory(historyWindow);
}

void OnCreate(HWND window) {
    historyWindow = window;
    HistoryDeferSaves(RequestHistorySave);
    // Whatever start-up left to delete goes once the window is up.
    RequestHistorySave();
    CreateUiFonts();
    bool grid = GetSetting("GridLines") == 1;
    int mode = GetSetting("Timestamps");
    ListCreate(window, window, IDC_HISTORY_LIST, mode, grid);
    ListSetFixedFont(GetSetting("MonoFont"));
    CreateToolbarAndPreview(window);
    if (GetSetting("EnableHotkeys") == 1) RegisterHotkeys(window);
    // Joining the chain sends one notification at once; it is not a copy.
    ignoreFirstClipboardChange = true;
    nextClipboardViewer = SetClipboardViewer(window);
}

void OnDestroy(HWND window) {
    HistoryDeferSaves(nullptr);
    KillTimer(window, TIMER_SAVE_RETRY);
    CancelCaptureRetry(window);
    ChangeClipboardChain(window, nextClipboardViewer);
    TrayRemove();
    DeleteUiFonts();
    PostQuitMessage(0);
}

void OnDrawClipboard(HWND window) {
    if (ignoreFirstClipboardChange) {
        ignoreFirstClipboardChange = false;
        return;
    }
    if (handlingClipboardChange) {
        clipboardChangeWaiting = true;
        return;
    }
    handlingClipboardChange = true;
    do {
        clipboardChangeWaiting = false;
        OnClipboardChange(window);
        if (nextClipboardViewer) SendMessageA(nextClipboardViewer, WM_DRAWCLIPBOARD, 0, 0);
    } while (clipboardChangeWaiting);
    handlingClipboardChange = false;
}

void OnTimer(HWND window, UINT_PTR id) {
    if (id == TIMER_CAPTURE_RETRY) OnCaptureRetry(window);
    if (id == TIMER_SAVE_RETRY) StoreHistory(window);
}

void OnChangeClipboardChain(WPARAM removed, LPARAM successor) {
    if (HWND(removed) == nextClipboardViewer) {
        nextClipboardViewer = HWND(successor);
    } else if (nextClipboardViewer) {
        SendMessageA(nextClipboardViewer, WM_CHANGECBCHAIN, removed, successor);
    }
}

void HideUnlessPinned(HWND window) {
    if (!Pinned() && !GetActiveWindow()) HideHistoryWindow(window);
}

void OnSelectionChange(UINT newState) {
    if ((newState & LVIS_SELECTED) && !ListCarryingSelection()) ShowSelectedInPreview();
}

LRESULT OnNotify(HWND window, WPARAM wParam, NMHDR* header) {
    if (LOWORD(wParam) != IDC_HISTORY_LIST) return 0;
    switch (header->code) {
    case NM_CLICK:
        if (ListSelectedRow() == -1) ClearPreview();
        break;
    case NM_DBLCLK:
        if (ListSelectedRow() != -1) ActivateItem(ListSelectedRow());
        break;
    case NM_RCLICK:
        if (ListSelectedRow() == -1) ClearPreview();
        ShowItemMenu(window);
        break;
    case LVN_ITEMCHANGED: {
        const NMLISTVIEW* change = reinterpret_cast<const NMLISTVIEW*>(header);
        if (change->uChanged & LVIF_STATE) OnSelectionChange(change->uNewState);
        break;
    }
    case LVN_ODSTATECHANGED:
        OnSelectionChange(reinterpret_cast<const NMLVODSTATECHANGE*>(header)->uNewState);
        break;
    case LVN_GETDISPINFOA: ListGetDispInfo(reinterpret_cast<NMLVDISPINFOA*>(header)); break;
    case LVN_ODFINDITEMA:
    case LVN_ODFINDITEMW: return ListFindItem(header);
    }
    return 0;
}

void ToggleViewSetting(const char* key) {
    ToggleSetting(key);
    SaveSettings();
}

void OnCommand(HWND window, int id) {
    int s = ListSelectedRow();
    switch (id) {
    case IDC_TB_OPTIONS: ShowViewMenu(window); break;
    case IDC_TB_PREVIEW: TogglePreview(window); break;
    case IDC_TB_COPY:
        if (s >= 0) CopyItem(s);
        break;
    case IDC_TB_DELETE:
        if (s >= 0) DeleteItem(window, s);
        break;
    case IDC_TB_PIN: TogglePin(window); break;
    case IDM_EXIT: SavePlacementAndClose(window); break;
    case IDM_CLEAR_CLIPBOARD: ClearClipboard(); break;
    case IDM_DELETE_ALL: DeleteAll(window); break;
    case IDM_PAUSE:
        TogglePause(window);
        SetSetting("PauseState", CapturePaused() ? 1 : 0);
        SaveSettings();
        break;
    case IDM_MONO_FONT: {
        ToggleViewSetting("MonoFont");
        int value = GetSetting("MonoFont");
        ListSetFixedFont(value);
        if (value == 1) ListNudgeScroll();
        PreviewSetFixedFont(value);
        break;
    }
    case IDM_RUN_AT_STARTUP: SetRunAtStartup(AppName, !IsRunAtStartup(AppName)); break;
    case IDM_TIMESTAMPS: {
        ToggleViewSetting("Timestamps");
        int value = GetSetting("Timestamps");
        ListSetTimestampMode(value);
        if (value == 1) ListNudgeScroll();
        break;
    }
    case IDM_GRID_LINES:
        ToggleViewSetting("GridLines");
        ListSetGridLines(GetSetting("GridLines") == 1);
        break;
    case IDM_VISIT_WEBSITE: OpenAddress(ProjectWebsite); break;
    // The menu greys these without a selected row, but a capture can take the selection
    // away while the menu is open.
    case IDM_ITEM_COPY:
        if (s >= 0) CopyItem(s);
        break;
    case IDM_ITEM_GOTO: OpenAddress(CurrentItemText()); break;
    case IDM_ITEM_DELETE:
        if (s >= 0) DeleteItem(window, s);
        break;
    case IDM_ITEM_DELETE_OLDER:
        if (s >= 0) DeleteOlder(window, s);
        break;
    case IDM_ITEM_DELETE_NEWER:
        if (s >= 0) DeleteNewer(window, s);
        break;
    default:
        // 940 to 944, compared as the design does: unsigned 16-bit distance from 940.
        if (uint16_t(id - IDM_KEEP_WEEK) <= IDM_KEEP_LAST - IDM_KEEP_WEEK) {
            SetSetting("KeepPolicy", id - IDM_KEEP_WEEK);
            SaveSettings();
        }
        break;
    }
}

void OnTrayClick(HWND window) {
    if (!HistoryWindowVisible()) {
        ShowHistoryWindow(window);
    } else if (Pinned()) {
        HideHistoryWindow(window);
    }
}

void OnHistoryMessage(HWND window, WPARAM wParam, LPARAM lParam) {
    int row = int(wParam);
    switch (lParam) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: OnTrayClick(window); break;
    case WM_RBUTTONUP: ShowTrayMenu(window); break;
    case ReqDeleteItem: DeleteItem(window, row); break;
    case ReqHideWindow: HideHistoryWindow(window); break;
    case ReqActivateItem: ActivateItem(row); break;
    case ReqCopyItem: CopyItem(row); break;
    case ReqTogglePreview: TogglePreview(window); break;
    case ReqToggleToolbar: ToggleToolbar(window); break;
    case ReqFocusLost: HideUnlessPinned(window); break;
    case ReqTogglePin: TogglePin(window); break;
    case ReqSaveHistory: StoreHistory(window); break;
    }
}

void OnResume() {
    int k = HistoryExpire(GetSetting("KeepPolicy"));
    if (k > 0) {
        ListDeleteLastRows(k);
        UpdateCountLabel();
    }
}

void OnBackgroundClick(HWND window) {
    POINT pt;
    GetCursorPos(&pt);
    PostMessageA(window, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(pt.x, pt.y));
}

}  // namespace

LRESULT CALLBACK HistoryWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE: OnCreate(window); return 0;
    case WM_DESTROY: OnDestroy(window); return 0;
    case WM_SIZE: LayoutChildren(window); return 0;
    case WM_KILLFOCUS: HideUnlessPinned(window); return 0;
    case WM_PAINT: PaintSeparators(window); return 0;
    case WM_CLOSE: HideHistoryWindow(window); return 0;
    case WM_GETMINMAXINFO: SetMinimumTrackSize(reinterpret_cast<MINMAXINFO*>(lParam)); return 0;
    case WM_NOTIFY: return OnNotify(window, wParam, reinterpret_cast<NMHDR*>(lParam));
    case WM_COMMAND: OnCommand(window, LOWORD(wParam)); return 0;
    case WM_LBUTTONDOWN: OnBackgroundClick(window); return 0;
    case WM_POWERBROADCAST:
        if (wParam == PBT_APMRESUMEAUTOMATIC) OnResume();
        return 0;
    case WM_ENDSESSION:
        // The session may end the process as soon as this returns.
        if (wParam) HistoryDeferSaves(nullptr);
        return 0;
    case WM_DRAWCLIPBOARD: OnDrawClipboard(window); return 0;
    case WM_CHANGECBCHAIN: OnChangeClipboardChain(wParam, lParam); return 0;
    case WM_TIMER: OnTimer(window, UINT_PTR(wParam)); return 0;
    case WM_HOTKEY: OnHotkey(window, int(wParam)); return 0;
    case WM_HISTORY: OnHistoryMessage(window, wParam, lParam); return 0;
    }
    return DefWindowProcA(window, msg, wParam, lParam);
}
