#pragma once
#include <windows.h>

// The history window's procedure: every event of the running program arrives here
// and is handed to the code that owns the action.
LRESULT CALLBACK HistoryWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
