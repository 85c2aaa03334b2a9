// Where the history window sits, and its showing and hiding.
#pragma once
#include <windows.h>

// First run: 10 pixels inside the work-area corner nearest the notification area.
void FirstPlacement();
bool HistoryWindowVisible();
void ShowHistoryWindow(HWND window);
void HideHistoryWindow(HWND window);
void ToggleHistoryWindow(HWND window);
void SavePlacementAndClose(HWND window);
// Where a window at `r` goes so that its top-left corner is on the desktop `d`.
POINT PullOntoScreen(const RECT& r, const RECT& d);
