#include "history/clipboard_capture.h"

#include "history/clipboard.h"
#include "history/display_text.h"
#include "history/history_list.h"
#include "ui/list_view.h"
#include "ui/toolbar.h"

namespace {

bool paused = false;
bool ownCopyPending = false;

// The newest item is already in the history; give it its row at the top.
void ShowFrontItem() {
    ListInsertRow(0);
    if (unsigned(ListRowCount()) > HistoryMaxItems()) ListDeleteRow(int(HistoryMaxItems()));
    if (ownCopyPending) {
        ListSelectRow(0);
        ownCopyPending = false;
    }
    UpdateCountLabel();
}

}  // namespace

bool CapturePaused() { return paused; }
void SetCapturePaused(bool on) { paused = on; }
void MarkOwnCopyPending() { ownCopyPending = true; }
bool OwnCopyPending() { return ownCopyPending; }
void ClearOwnCopyPending() { ownCopyPending = false; }

void OnClipboardChange(HWND) {
    if (ownCopyPending) {
        if (HistoryCount() > 0) {
            ShowFrontItem();
        } else {
            ownCopyPending = false;
        }
        return;
    }
    if (paused) return;
    if (ClipboardIsPrivate()) return;
    std::string text;
    if (!GetClipboardText(&text)) return;
    uint32_t hash = TextHash(text.c_str());
    unsigned n = HistoryCount();
    if (n > 0 && HistoryItemHash(0) == hash) return;
    for (unsigned k = 1; k < n; k++) {
        if (HistoryItemHash(k) != hash) continue;
        HistoryMoveToFront(k);
        ListDeleteRow(int(k));
        ListInsertRow(0);
        return;
    }
    std::string displayText = MakeDisplayText(text, 200);
    HistoryAdd(text, hash, displayText);
    // With no history kept at all there is no front item to show.
    if (HistoryCount() == 0) return;
    ShowFrontItem();
}
