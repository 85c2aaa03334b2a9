// The notification-area icon, the pause switch and the title that goes with it.
#pragma once
#include <windows.h>

#include <string>

void TrayInit(HINSTANCE instance, HWND window);
void TrayAdd();
void TrayRemove();
void TrayShowRunningIcon(HWND window);
void TrayShowPausedIcon(HWND window);
void TogglePause(HWND window);
void SetPlainTitle(HWND window);
void SetPausedTitle(HWND window, const std::string& text);
HWND FindTrayNotifyWindow();
