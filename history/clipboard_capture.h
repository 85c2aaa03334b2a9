// Turns each clipboard change into a history item and keeps the list rows in step.
#pragma once
#include <windows.h>

void OnClipboardChange(HWND window);

// Capture is off while paused; the program's own copies still show.
bool CapturePaused();
void SetCapturePaused(bool paused);

// Set just before the program puts an item on the clipboard itself, so the change
// that follows shows the moved item instead of being captured again.
void MarkOwnCopyPending();
bool OwnCopyPending();
void ClearOwnCopyPending();
