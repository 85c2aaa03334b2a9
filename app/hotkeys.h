// Ctrl with the keypad digits: show or hide the window, paste one of the newest items.
#pragma once
#include <windows.h>

void RegisterHotkeys(HWND window);
void UnregisterHotkeys(HWND window);
void OnHotkey(HWND window, int id);
void SendPasteKeys();
void KeyDown(BYTE key);
void KeyUp(BYTE key);
