#include "ui/list_view.h"

#include <commctrl.h>

#include "app/identifiers.h"
#include "ui/fonts.h"
#include "history/history_list.h"
#include "platform/system.h"

namespace {

HWND list;
HWND notifyTarget;
int timestampMode;
int fixedWidth;
WNDPROC previousProc;

enum { TimestampTitleId = 32, TextTitleId = 33 };

void Request(int code, WPARAM arg) { SendMessageA(notifyTarget, WM_HISTORY, arg, code); }

void SetColumnWidth(int column, int width) {
    SendMessageA(list, LVM_SETCOLUMNWIDTH, column, MAKELPARAM(width, 0));
}

void LayoutColumns() {
    RECT r;
    GetClientRect(list, &r);
    int w = r.right - r.left;
    switch (timestampMode) {
    case 0:
        SetColumnWidth(0, 2);
        SetColumnWidth(1, w - 8);
        break;
    case 1:
        SetColumnWidth(0, fixedWidth ? 126 : 96);
        SetColumnWidth(1, fixedWidth ? w - 132 : w - 102);
        break;
    case 2:
        SetColumnWidth(0, fixedWidth ? w - 156 : w - 108);
        SetColumnWidth(1, fixedWidth ? 144 : 96);
        break;
    }
}

bool InsertColumn(int column, unsigned titleId, int format) {
    std::string title = sys::LoadStringResource(titleId);
    LVCOLUMNA c = {};
    c.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    c.fmt = format;
    c.cx = 100;
    c.pszText = const_cast<char*>(title.c_str());
    c.iSubItem = column;
    return SendMessageA(list, LVM_INSERTCOLUMNA, column, LPARAM(&c)) != -1;
}

bool OnKeyDown(WPARAM key) {
    int s = ListSelectedRow();
    switch (key) {
    case VK_BACK:
    case VK_SPACE:
        Request(ReqTogglePreview, WPARAM(s));
        return true;
    case VK_RETURN:
        if (s != -1) Request(ReqActivateItem, WPARAM(s));
        return true;
    case VK_ESCAPE:
        Request(ReqHideWindow, 0);
        return true;
    case VK_DELETE:
        if (s != -1) Request(ReqDeleteItem, WPARAM(s));
        return true;
    case 'C':
        if (GetAsyncKeyState(VK_CONTROL) < 0 && s != -1) Request(ReqCopyItem, WPARAM(s));
        return true;
    case 'P':
        Request(ReqTogglePin, 0);
        return true;
    case 'T':
        Request(ReqToggleToolbar, 0);
        return true;
    }
    return false;
}

LRESULT CALLBACK HistoryListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_SIZE:
        LayoutColumns();
        return 0;
    case WM_KILLFOCUS:
        Request(ReqFocusLost, 0);
        return 0;
    case WM_KEYDOWN:
        if (OnKeyDown(wParam)) return 0;
        break;
    case WM_MOUSEWHEEL:
        if (ForwardWheel(hwnd, msg, wParam, lParam)) return 0;
        break;
    }
    return CallWindowProcA(previousProc, hwnd, msg, wParam, lParam);
}

}  // namespace

bool ForwardWheel(HWND self, UINT msg, WPARAM wParam, LPARAM lParam) {
    POINT pt;
    GetCursorPos(&pt);
    HWND under = WindowFromPoint(pt);
    if (!under || under == self) return false;
    SendMessageA(under, msg, wParam, lParam);
    return true;
}

HWND ListCreate(HWND parent, HWND target, int id, int mode, bool gridLines) {
    notifyTarget = target;
    list = CreateWindowExA(0, WC_LISTVIEWA, "",
                           WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS |
                               LVS_NOCOLUMNHEADER,
                           0, 0, 10, 10, parent, HMENU(INT_PTR(id)), GetModuleHandleA(nullptr), nullptr);
    timestampMode = mode;
    fixedWidth = 0;
    int format = mode > 1 ? LVCFMT_RIGHT : LVCFMT_LEFT;
    if (InsertColumn(0, TimestampTitleId, format)) InsertColumn(1, TextTitleId, format);
    ListSetGridLines(gridLines);
    previousProc = WNDPROC(SetWindowLongPtrA(list, GWLP_WNDPROC, LONG_PTR(HistoryListProc)));
    return list;
}

HWND ListWindow() { return list; }

void ListSetTimestampMode(int mode) {
    timestampMode = mode;
    SendMessageA(list, WM_SIZE, 0, 0);
}

void ListSetFixedFont(int value) {
    SendMessageA(list, WM_SETFONT, WPARAM(value == 1 ? FixedFont() : ListFont()), TRUE);
    fixedWidth = value;
    SendMessageA(list, WM_SIZE, 0, 0);
}

void ListSetGridLines(bool on) {
    DWORD style = LVS_EX_FULLROWSELECT | (on ? LVS_EX_GRIDLINES : 0);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, style);
}

void ListInsertRow(int index, const std::string& displayText, const std::string& timeText) {
    if (index == -1) index = ListRowCount();
    const std::string* first = nullptr;
    const std::string* second = nullptr;
    if (timestampMode == 0 || timestampMode == 1) {
        first = &timeText;
        second = &displayText;
    } else if (timestampMode == 2) {
        first = &displayText;
        second = &timeText;
    }
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.cchTextMax = 256;
    item.pszText = const_cast<char*>(first ? first->c_str() : "");
    index = int(SendMessageA(list, LVM_INSERTITEMA, 0, LPARAM(&item)));
    item.iItem = index;
    item.iSubItem = 1;
    item.pszText = const_cast<char*>(second ? second->c_str() : "");
    SendMessageA(list, LVM_SETITEMA, 0, LPARAM(&item));
}

void ListDeleteRow(int index) { SendMessageA(list, LVM_DELETEITEM, index, 0); }
void ListDeleteAllRows() { SendMessageA(list, LVM_DELETEALLITEMS, 0, 0); }
int ListRowCount() { return int(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }

void ListSelectRow(int index) {
    LVITEMA item = {};
    item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, index, LPARAM(&item));
    SendMessageA(list, LVM_ENSUREVISIBLE, index, TRUE);
}

int ListSelectedRow() {
    return int(SendMessageA(list, LVM_GETNEXTITEM, WPARAM(-1), MAKELPARAM(LVNI_SELECTED | LVNI_FOCUSED, 0)));
}

void ListFillFromHistory() {
    unsigned n = HistoryCount();
    // Nothing is on screen yet; drawing each of a hundred thousand rows as it comes
    // would only slow the start.
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LVM_SETITEMCOUNT, n, 0);
    for (unsigned i = 0; i < n; i++) ListInsertRow(-1, HistoryItemText(i), HistoryItemTimeText(i));
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
}

void ListDeleteLastRows(int count) {
    for (int k = 0; k < count; k++) ListDeleteRow(ListRowCount() - 1);
}

void ListNudgeScroll() {
    SendMessageA(list, LVM_SCROLL, 0, 40);
    SendMessageA(list, LVM_SCROLL, 0, -40);
}
