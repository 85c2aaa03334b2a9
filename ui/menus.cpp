#include "ui/menus.h"

#include "app/identifiers.h"
#include "history/clipboard_capture.h"
#include "history/history_list.h"
#include "settings/local_strings.h"
#include "settings/paths.h"
#include "settings/run_at_startup.h"
#include "settings/settings_store.h"
#include "ui/list_view.h"
#include "ui/preview_pane.h"
#include "ui/web_address.h"

namespace {

enum StringIndex {
    StrDeleteAllConfirm = 17,
    StrOptions = 18,
    StrPause = 20,
    StrExit = 21,
    StrCopy = 22,
    StrGoToAddress = 23,
    StrDelete = 24,
    StrDeleteMore = 25,
    StrOlder = 26,
    StrNewer = 27,
    StrAll = 28,
    StrShowTimestamps = 29,
    StrFixedFont = 30,
    StrGridLines = 31,
    StrRunAtStartup = 33,
    StrVisitWebsite = 35,
    StrKeepItems = 38,
    StrKeepWeek = 39,
};

void Add(HMENU menu, UINT flags, UINT_PTR id, const std::string& label) {
    AppendMenuA(menu, flags, id, label.c_str());
}

void AddText(HMENU menu, UINT flags, UINT_PTR id, int stringIndex) {
    Add(menu, flags, id, LoadLocalString(stringIndex));
}

void AddSeparator(HMENU menu) { AppendMenuA(menu, MF_SEPARATOR, 0, nullptr); }

UINT GreyedIf(bool b) { return b ? MF_GRAYED : 0; }
UINT CheckedIf(bool b) { return b ? MF_CHECKED : 0; }

void Track(HMENU menu, UINT flags, int x, int y, HWND window) {
    TrackPopupMenu(menu, flags, x, y, 0, window, nullptr);
    DestroyMenu(menu);
}

}  // namespace

HMENU BuildItemMenu() {
    int s = ListSelectedRow();
    int n = ListRowCount();
    HMENU more = CreatePopupMenu();
    AddText(more, GreyedIf(s < 1), IDM_ITEM_DELETE_NEWER, StrNewer);
    AddText(more, GreyedIf(s == -1 || n < 2 || s > n - 2), IDM_ITEM_DELETE_OLDER, StrOlder);
    AddSeparator(more);
    AddText(more, 0, IDM_DELETE_ALL, StrAll);

    HMENU menu = CreatePopupMenu();
    AddText(menu, GreyedIf(s == -1), IDM_ITEM_COPY, StrCopy);
    AddText(menu, GreyedIf(s == -1 || !IsWebAddress(CurrentItemText())), IDM_ITEM_GOTO, StrGoToAddress);
    AddSeparator(menu);
    AddText(menu, GreyedIf(s == -1), IDM_ITEM_DELETE, StrDelete);
    AddText(menu, MF_POPUP | GreyedIf(n == 0), UINT_PTR(more), StrDeleteMore);
    return menu;
}

HMENU BuildViewMenu() {
    HMENU menu = CreatePopupMenu();
    AddText(menu, CheckedIf(GetSetting("Timestamps") == 1), IDM_TIMESTAMPS, StrShowTimestamps);
    AddText(menu, CheckedIf(GetSetting("GridLines") == 1), IDM_GRID_LINES, StrGridLines);
    AddText(menu, CheckedIf(GetSetting("MonoFont") == 1), IDM_MONO_FONT, StrFixedFont);
    return menu;
}

HMENU BuildTrayMenu() {
    HMENU confirm = CreatePopupMenu();
    Add(confirm, 0, IDM_DELETE_ALL, "OK");

    HMENU keep = CreatePopupMenu();
    int policy = GetSetting("KeepPolicy");
    for (int k = 0; k < 4; k++) AddText(keep, CheckedIf(policy == k), IDM_KEEP_WEEK + k, StrKeepWeek + k);

    HMENU options = CreatePopupMenu();
    AddText(options, CheckedIf(IsRunAtStartup(AppName)), IDM_RUN_AT_STARTUP, StrRunAtStartup);
    AddSeparator(options);
    AddText(options, 0, IDM_VISIT_WEBSITE, StrVisitWebsite);

    HMENU menu = CreatePopupMenu();
    AddText(menu, MF_POPUP | GreyedIf(HistoryCount() == 0), UINT_PTR(confirm), StrDeleteAllConfirm);
    AddSeparator(menu);
    AddText(menu, MF_POPUP, UINT_PTR(keep), StrKeepItems);
    AddText(menu, MF_POPUP, UINT_PTR(options), StrOptions);
    AddSeparator(menu);
    AddText(menu, CheckedIf(CapturePaused()), IDM_PAUSE, StrPause);
    AddText(menu, 0, IDM_EXIT, StrExit);
    return menu;
}

void ShowItemMenu(HWND window) {
    HMENU menu = BuildItemMenu();
    SetForegroundWindow(window);
    POINT pt;
    GetCursorPos(&pt);
    Track(menu, 0, pt.x, pt.y, window);
}

void ShowViewMenu(HWND window) {
    HMENU menu = BuildViewMenu();
    RECT r;
    GetWindowRect(GetDlgItem(window, IDC_TB_OPTIONS), &r);
    Track(menu, 0, r.left, r.top + 16, window);
}

void ShowTrayMenu(HWND window) {
    HMENU menu = BuildTrayMenu();
    SetForegroundWindow(window);
    POINT pt;
    GetCursorPos(&pt);
    Track(menu, TPM_BOTTOMALIGN, pt.x, pt.y, window);
}
