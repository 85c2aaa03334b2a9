// Turns each clipboard change into a history item and keeps the list rows in step.
#pragma once
#include <windows.h>

// A change that finds the clipboard held open by another program is tried again from
// the window's TIMER_CAPTURE_RETRY timer, which calls OnCaptureRetry.
void OnClipboardChange(HWND window);
void OnCaptureRetry(HWND window);
void CancelCaptureRetry(HWND window);

// Capture is off while paused; the program's own copies still show.
bool CapturePaused();
void SetCapturePaused(bool paused);

// Set just before the program puts an item on the clipboard itself, so the change
// that follows shows the moved item instead of being captured again.
void MarkOwnCopyPending();
bool OwnCopyPending();
void ClearOwnCopyPending();
