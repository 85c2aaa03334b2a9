// Actions on single items and ranges; each keeps the rows and the history together.
#pragma once
#include <windows.h>

// False when the text did not reach the clipboard.
bool CopyItem(int i);
// With Ctrl held, opens a web address; otherwise copies.
void ActivateItem(int i);
void DeleteItem(HWND window, int i);
void DeleteOlder(HWND window, int s);
void DeleteNewer(HWND window, int s);
void DeleteAll(HWND window);
