// The pop-up menus, built afresh from the current state each time they are shown.
#pragma once
#include <windows.h>

HMENU BuildItemMenu();
HMENU BuildViewMenu();
HMENU BuildTrayMenu();
void ShowItemMenu(HWND window);
void ShowViewMenu(HWND window);
void ShowTrayMenu(HWND window);
