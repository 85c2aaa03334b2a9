#include "ui/preview_pane.h"

#include <commctrl.h>

#include "app/identifiers.h"
#include "history/history_list.h"
#include "res/resource.h"
#include "settings/settings_store.h"
#include "ui/fonts.h"
#include "ui/list_view.h"
#include "ui/placement.h"
#include "ui/preview_text.h"
#include "ui/toolbar.h"

namespace {

HWND pane;
bool previewOpen = false;
WNDPROC previousProc;
std::string currentItemText;

LRESULT CALLBACK PreviewProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_KILLFOCUS:
        if (!Pinned() && !GetActiveWindow()) HideHistoryWindow(GetParent(hwnd));
        return 0;
    case WM_KEYDOWN:
        // The list owns these keys; the pane hands them over so they work from here too.
        switch (wParam) {
        case VK_SPACE:
        case VK_BACK:
        case VK_ESCAPE:
        case 'P':
        case 'T':
            SendMessageA(ListWindow(), msg, wParam, lParam);
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

void PreviewCreate(HWND window) {
    previewOpen = false;
    currentItemText.clear();
    pane = CreateChild(window, IDC_PREVIEW, "edit", ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL, "",
                       true);
    SendMessageA(pane, EM_SETREADONLY, TRUE, 0);
    // The edit control's default limit is far below what people copy.
    SendMessageA(pane, EM_SETLIMITTEXT, 0, 0);
    PreviewSetFixedFont(GetSetting("MonoFont"));
    previousProc = WNDPROC(SetWindowLongPtrA(pane, GWLP_WNDPROC, LONG_PTR(PreviewProc)));
}

HWND PreviewWindow() { return pane; }
bool PreviewOpen() { return previewOpen; }

void PreviewSetFixedFont(int value) {
    SendMessageA(pane, WM_SETFONT, WPARAM(value == 1 ? FixedFont() : ListFont()), TRUE);
}

void TogglePreview(HWND window) {
    previewOpen = !previewOpen;
    HWND button = GetDlgItem(window, IDC_TB_PREVIEW);
    SendMessageA(button, STM_SETICON, WPARAM(ToolbarIcon(previewOpen ? IDI_PREVIEW_OPEN : IDI_PREVIEW_CLOSED)), 0);
    ShowWindow(pane, previewOpen ? SW_SHOW : SW_HIDE);
    SendMessageA(window, WM_SIZE, 0, 0);
    InvalidateRect(button, nullptr, TRUE);
    UpdateWindow(button);
    if (!previewOpen) {
        SetFocus(ListWindow());
        return;
    }
    SendMessageA(ListWindow(), LVM_ENSUREVISIBLE, WPARAM(ListSelectedRow()), FALSE);
    ListNudgeScroll();
}

void ShowSelectedInPreview() {
    int s = ListSelectedRow();
    if (s == -1 || unsigned(s) >= HistoryCount()) {
        ClearPreview();
        return;
    }
    currentItemText = HistoryLoadText(unsigned(s));
    SetWindowTextA(pane, PreviewText(currentItemText).c_str());
}

void ClearPreview() { SetWindowTextA(pane, ""); }

const std::string& CurrentItemText() { return currentItemText; }
