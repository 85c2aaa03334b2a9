#include "ui/item_commands.h"

#include <commctrl.h>

#include "history/clipboard.h"
#include "history/clipboard_capture.h"
#include "history/history_list.h"
#include "ui/list_view.h"
#include "ui/open_address.h"
#include "ui/preview_pane.h"
#include "ui/toolbar.h"
#include "ui/web_address.h"

bool CopyItem(int i) {
    ListDeleteRow(i);
    MarkOwnCopyPending();
    HistoryMoveToFront(unsigned(i));
    if (SetClipboardText(HistoryLoadText(0)) != 0) return true;
    if (OwnCopyPending()) {
        // No change notification will come to put the row back, and the flag would
        // swallow the user's next real copy.
        ListInsertRow(0);
        ListSelectRow(0);
        ClearOwnCopyPending();
    }
    return false;
}

void ActivateItem(int i) {
    if (GetAsyncKeyState(VK_CONTROL) < 0) {
        std::string text = HistoryLoadText(unsigned(i));
        if (IsWebAddress(text)) OpenAddress(text);
        return;
    }
    CopyItem(i);
}

void DeleteItem(HWND, int i) {
    HistoryDelete(unsigned(i));
    ListDeleteRow(i);
    int n = ListRowCount();
    if (n < 1) {
        ClearPreview();
    } else {
        ListSelectRow(i <= n - 1 ? i : i - 1);
    }
    UpdateCountLabel();
}

void DeleteOlder(HWND, int s) {
    int n = int(HistoryCount());
    HistoryDeleteRange(s + 1, n - 1);
    ListDeleteRows(s + 1, n - s - 1);
    UpdateCountLabel();
}

void DeleteNewer(HWND, int s) {
    HistoryDeleteRange(0, s - 1);
    ListDeleteRows(0, s);
    UpdateCountLabel();
    SendMessageA(ListWindow(), LVM_ENSUREVISIBLE, WPARAM(ListSelectedRow()), FALSE);
}

void DeleteAll(HWND) {
    ListDeleteAllRows();
    ClearPreview();
    HistoryDeleteAll();
    UpdateCountLabel();
}
