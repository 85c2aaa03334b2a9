#include "history/clipboard_capture.h"

#include <algorithm>
#include <climits>

#include "app/identifiers.h"
#include "history/clipboard.h"
#include "history/display_text.h"
#include "history/history_list.h"
#include "ui/list_view.h"
#include "ui/toolbar.h"

namespace {

// A clipboard held open past the patient open is read again from a timer rather than
// by waiting, so the window keeps answering meanwhile. Holders that render formats or
// echo the content elsewhere let go within a few hundred milliseconds; 50 ms between
// tries catches that soon after, each try a single OpenClipboard. One that holds on for
// five seconds has hung, and the try stops there; the next change is caught as usual.
const UINT RetryIntervalMs = 50;
const DWORD RetryBudgetMs = 5000;

bool paused = false;
bool ownCopyPending = false;
bool retryPending = false;
DWORD retryStart;

// The newest item is already in the history; give it its row at the top.
void ShowFrontItem() {
    ListInsertTopRow(int(std::min(HistoryMaxItems(), unsigned(INT_MAX))));
    if (ownCopyPending) {
        ListSelectRow(0);
        ownCopyPending = false;
    }
    UpdateCountLabel();
}

void AddText(const std::string& text) {
    uint32_t hash = TextHash(text.c_str());
    unsigned n = HistoryCount();
    if (n > 0 && HistoryItemHash(0) == hash) return;
    for (unsigned k = 1; k < n; k++) {
        if (HistoryItemHash(k) != hash) continue;
        HistoryMoveToFront(k);
        ListMoveRowToTop(int(k));
        return;
    }
    std::string displayText = MakeDisplayText(text, 200);
    HistoryAdd(text, hash, displayText);
    // With no history kept at all there is no front item to show.
    if (HistoryCount() == 0) return;
    ShowFrontItem();
}

// False only when the clipboard could not be opened.
bool Capture(bool patient) {
    std::string text;
    ClipboardRead read = ReadClipboardForHistory(&text, patient);
    if (read == ClipboardRead::Text) AddText(text);
    return read != ClipboardRead::Busy;
}

}  // namespace

bool CapturePaused() { return paused; }
void SetCapturePaused(bool on) { paused = on; }
void MarkOwnCopyPending() { ownCopyPending = true; }
bool OwnCopyPending() { return ownCopyPending; }
void ClearOwnCopyPending() { ownCopyPending = false; }

void OnClipboardChange(HWND window) {
    // Whatever a pending try would have read is gone: the clipboard holds this change now.
    CancelCaptureRetry(window);
    if (ownCopyPending) {
        if (HistoryCount() > 0) {
            ShowFrontItem();
        } else {
            ownCopyPending = false;
        }
        return;
    }
    if (paused) return;
    if (Capture(true)) return;
    retryPending = SetTimer(window, TIMER_CAPTURE_RETRY, RetryIntervalMs, nullptr) != 0;
    retryStart = GetTickCount();
}

void OnCaptureRetry(HWND window) {
    if (!retryPending) return;
    // The program's own copy is on its way, or capture was paused since: either way
    // the change this try was for is no longer one to record.
    if (ownCopyPending || paused || Capture(false) || GetTickCount() - retryStart >= RetryBudgetMs)
        CancelCaptureRetry(window);
}

void CancelCaptureRetry(HWND window) {
    if (!retryPending) return;
    KillTimer(window, TIMER_CAPTURE_RETRY);
    retryPending = false;
}
