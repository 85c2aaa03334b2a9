#include "ui/layout.h"

#include "app/identifiers.h"
#include "ui/preview_pane.h"
#include "ui/toolbar.h"

namespace {

struct Placement {
    int id;
    int x, y, w, h;
};

}  // namespace

int PreviewSplit(int clientHeight) {
    // The 32-bit build multiplies on the x87 unit, whose 80-bit product for heights such
    // as 500 stays just below the whole number that a double rounds to. Going through
    // memory rounds it to a double before the cut, the same in both builds.
    volatile double product = clientHeight * 0.57;
    return int(product);
}

int ToolbarBand() { return ToolbarShown() ? 23 : 0; }

void LayoutChildren(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    int wc = client.right;
    int hc = client.bottom;
    int s = PreviewSplit(hc);
    int t = ToolbarBand();
    bool open = PreviewOpen();
    const Placement placements[] = {
        {IDC_TB_PIN, 9, 3, 16, 16},
        {IDC_TB_DECOR, 48, 3, 16, 16},
        {IDC_COUNT_LABEL, 69, 4, 40, 16},
        {IDC_TB_COPY, 110, 3, 16, 16},
        {IDC_TB_DELETE, 144, 3, 16, 16},
        {IDC_TB_PREVIEW, wc - 70, 4, 16, 16},
        {IDC_TB_OPTIONS, wc - 32, 4, 16, 16},
        {IDC_HISTORY_LIST, 0, t, wc, open ? s - t - 4 : hc - t},
        {IDC_PREVIEW, 2, s, wc - 2, hc - s},
    };
    HDWP batch = BeginDeferWindowPos(10);
    for (const Placement& p : placements) {
        // The closed pane is placed too: it still holds the selected item's text, and at
        // its creation size of a few pixels the edit control would wrap that text after
        // nearly every character, which takes it seconds for a long text.
        if (!batch) break;
        batch = DeferWindowPos(batch, GetDlgItem(window, p.id), nullptr, p.x, p.y, p.w, p.h, SWP_NOZORDER);
    }
    if (batch) EndDeferWindowPos(batch);
    if (!open) return;
    RECT line = {0, s - 4, wc, s};
    InvalidateRect(window, &line, TRUE);
    RECT margin = {0, s, 2, hc};
    InvalidateRect(window, &margin, TRUE);
}

void PaintSeparators(HWND window) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT client;
    GetClientRect(window, &client);
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(140, 140, 140));
    HGDIOBJ old = SelectObject(dc, pen);
    if (ToolbarShown()) {
        MoveToEx(dc, 0, 22, nullptr);
        LineTo(dc, client.right, 22);
    }
    if (PreviewOpen()) {
        int s = PreviewSplit(client.bottom);
        MoveToEx(dc, 0, s - 4, nullptr);
        LineTo(dc, client.right, s - 4);
    }
    SelectObject(dc, old);
    DeleteObject(pen);
    EndPaint(window, &ps);
}

void SetMinimumTrackSize(MINMAXINFO* info) {
    info->ptMinTrackSize.x = 280;
    info->ptMinTrackSize.y = 200;
}
