#include "ui/list_view.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <deque>

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
bool carryingSelection;
bool commandKeyDown;

// Which cell shows which text is settled when a row comes in; a later change of
// mode only moves the column borders. The rows themselves ask the history for
// their texts, so this is all the list keeps per row.
enum RowLayout : unsigned char { TimeFirst, TextFirst, BlankRow };
std::deque<unsigned char> rowLayout;

RowLayout LayoutForMode(int mode) {
    if (mode == 0 || mode == 1) return TimeFirst;
    return mode == 2 ? TextFirst : BlankRow;
}

void SetRowState(int row, UINT mask, UINT state) {
    LVITEMA item = {};
    item.stateMask = mask;
    item.state = state;
    SendMessageA(list, LVM_SETITEMSTATE, row, LPARAM(&item));
}

int NextRow(UINT flags) { return int(SendMessageA(list, LVM_GETNEXTITEM, WPARAM(-1), MAKELPARAM(flags, 0))); }

// Asked for the selected row, a list of rows it does not hold looks at every row in
// turn, which among a hundred thousand costs more than the change around it. The
// selection is almost always the focused row, and both counts come cheap.
int SelectedRow() {
    if (SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0) == 0) return -1;
    int focused = NextRow(LVNI_FOCUSED);
    if (focused != -1 && SendMessageA(list, LVM_GETITEMSTATE, focused, LVIS_SELECTED) & LVIS_SELECTED) return focused;
    return NextRow(LVNI_SELECTED);
}

// Where the focus of row `focused` of `n` goes. A focused row that goes hands the focus
// to the row that takes its place, the next one below that stays, or else the nearest
// above, as a list holding its own rows does; the selection goes with its row.
template <class Where>
int FocusAfter(int focused, int n, Where where) {
    if (focused == -1) return -1;
    for (int r = focused; r < n; r++)
        if (where(r) != -1) return where(r);
    for (int r = focused - 1; r >= 0; r--)
        if (where(r) != -1) return where(r);
    return -1;
}

// A list whose rows come from the history marks the selection and the focus by row
// number, not by item: when rows come, go or move, the marks are carried to where
// their items now stand (`where` maps an old row to its new one, -1 for one gone), as
// a list holding its own rows would do. The list then holds `count` rows.
template <class Where>
void RearrangeRows(int count, Where where) {
    int selected = SelectedRow();
    int focused = NextRow(LVNI_FOCUSED);
    int toSelected = selected == -1 ? -1 : where(selected);
    int toFocused = FocusAfter(focused, ListRowCount(), where);
    carryingSelection = true;
    if (selected != toSelected && selected != -1) SetRowState(selected, LVIS_SELECTED, 0);
    if (focused != toFocused && focused != -1) SetRowState(focused, LVIS_FOCUSED, 0);
    // The same count still redraws every row, which have all moved.
    SendMessageA(list, LVM_SETITEMCOUNT, count, LVSICF_NOSCROLL);
    if (selected != toSelected && toSelected != -1) SetRowState(toSelected, LVIS_SELECTED, LVIS_SELECTED);
    if (focused != toFocused && toFocused != -1) SetRowState(toFocused, LVIS_FOCUSED, LVIS_FOCUSED);
    carryingSelection = false;
}

// Rows [first, first + count) gone, those below moving up.
void RemoveRows(int first, int count) {
    int n = ListRowCount();
    count = std::min(count, n - first);
    if (first < 0 || count <= 0) return;
    rowLayout.erase(rowLayout.begin() + first, rowLayout.begin() + first + count);
    RearrangeRows(n - count, [=](int r) { return r < first ? r : r < first + count ? -1 : r - count; });
}

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

std::string Lowered(std::string text) {
    if (!text.empty()) CharLowerBuffA(&text[0], DWORD(text.size()));
    return text;
}

// The first row from `start` on whose display text begins with `prefix` (or is `prefix`,
// unless `partial`), in any case; -1 when none does.
int FindRow(const std::string& prefix, int start, bool partial, bool wrap) {
    int n = ListRowCount();
    if (start < 0 || start >= n) start = 0;
    std::string wanted = Lowered(prefix);
    for (int k = 0; k < n; k++) {
        int row = start + k;
        if (row >= n) {
            if (!wrap) break;
            row -= n;
        }
        std::string text = Lowered(HistoryItemText(unsigned(row)));
        if (partial ? text.compare(0, wanted.size(), wanted) == 0 : text == wanted) return row;
    }
    return -1;
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
        // The message loop still makes a character of a key used here; typed into the
        // control's find, 'p' of the pin key would select a row.
        commandKeyDown = OnKeyDown(wParam);
        if (commandKeyDown) return 0;
        break;
    case WM_CHAR:
        if (commandKeyDown) {
            commandKeyDown = false;
            return 0;
        }
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
                               LVS_NOCOLUMNHEADER | LVS_OWNERDATA,
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

void ListInsertRow(int index) {
    int n = ListRowCount();
    if (index == -1) index = n;
    rowLayout.insert(rowLayout.begin() + index, LayoutForMode(timestampMode));
    RearrangeRows(n + 1, [=](int r) { return r < index ? r : r + 1; });
}

void ListInsertTopRow(int maxRows) {
    int n = ListRowCount();
    int count = std::min(n + 1, maxRows);
    rowLayout.push_front(LayoutForMode(timestampMode));
    rowLayout.resize(size_t(count));
    RearrangeRows(count, [=](int r) { return r + 1 < count ? r + 1 : -1; });
}

void ListMoveRowToTop(int index) {
    if (index <= 0 || index >= ListRowCount()) return;
    rowLayout.erase(rowLayout.begin() + index);
    rowLayout.push_front(LayoutForMode(timestampMode));
    // The row moved is a new row at the top, as if it had come in: it takes no mark along.
    RearrangeRows(ListRowCount(), [=](int r) { return r < index ? r + 1 : r == index ? -1 : r; });
}

void ListDeleteRow(int index) { RemoveRows(index, 1); }

void ListDeleteRows(int first, int count) { RemoveRows(first, count); }

void ListDeleteAllRows() {
    rowLayout.clear();
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
}

int ListRowCount() { return int(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }

void ListSelectRow(int index) {
    SetRowState(index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    SendMessageA(list, LVM_ENSUREVISIBLE, index, TRUE);
}

int ListSelectedRow() {
    return int(SendMessageA(list, LVM_GETNEXTITEM, WPARAM(-1), MAKELPARAM(LVNI_SELECTED | LVNI_FOCUSED, 0)));
}

bool ListCarryingSelection() { return carryingSelection; }

void ListGetDispInfo(NMLVDISPINFOA* info) {
    LVITEMA& item = info->item;
    if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return;
    item.pszText[0] = '\0';
    unsigned i = unsigned(item.iItem);
    if (item.iItem < 0 || i >= HistoryCount() || i >= rowLayout.size()) return;
    RowLayout layout = RowLayout(rowLayout[i]);
    if (layout == BlankRow || item.iSubItem < 0 || item.iSubItem > 1) return;
    bool timeCell = (layout == TimeFirst) == (item.iSubItem == 0);
    std::string text = timeCell ? HistoryItemTimeText(i) : HistoryItemText(i);
    size_t n = std::min(text.size(), size_t(item.cchTextMax - 1));
    std::memcpy(item.pszText, text.data(), n);
    item.pszText[n] = '\0';
}

LRESULT ListFindItem(const NMHDR* header) {
    std::string prefix;
    UINT flags;
    int start;
    // Some versions of the control ask in wide characters even of a window that speaks ANSI.
    if (header->code == LVN_ODFINDITEMW) {
        const NMLVFINDITEMW* find = reinterpret_cast<const NMLVFINDITEMW*>(header);
        char text[MAX_PATH] = "";
        if (find->lvfi.psz) WideCharToMultiByte(CP_ACP, 0, find->lvfi.psz, -1, text, sizeof text, nullptr, nullptr);
        prefix = text;
        flags = find->lvfi.flags;
        start = find->iStart;
    } else {
        const NMLVFINDITEMA* find = reinterpret_cast<const NMLVFINDITEMA*>(header);
        if (find->lvfi.psz) prefix = find->lvfi.psz;
        flags = find->lvfi.flags;
        start = find->iStart;
    }
    if (prefix.empty() || !(flags & (LVFI_STRING | LVFI_PARTIAL))) return -1;
    return FindRow(prefix, start, flags & LVFI_PARTIAL, flags & LVFI_WRAP);
}

void ListFillFromHistory() {
    unsigned n = HistoryCount();
    rowLayout.assign(n, LayoutForMode(timestampMode));
    SendMessageA(list, LVM_SETITEMCOUNT, n, LVSICF_NOSCROLL);
}

void ListDeleteLastRows(int count) {
    int n = ListRowCount();
    count = std::min(count, n);
    RemoveRows(n - count, count);
}

void ListNudgeScroll() {
    SendMessageA(list, LVM_SCROLL, 0, 40);
    SendMessageA(list, LVM_SCROLL, 0, -40);
}
