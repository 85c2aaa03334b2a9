// The toolbar band: the icon buttons, the item count label and the pin.
#pragma once
#include <windows.h>

// Loaded once at start-up and kept for the life of the process.
void LoadToolbarIcons(HINSTANCE instance);
HWND CreateChild(HWND parent, int id, const char* className, DWORD style, const char* text, bool visible);
// Makes the preview pane and the toolbar controls as the window is created.
void CreateToolbarAndPreview(HWND window);
bool ToolbarShown();
// Start-up's choice; hides every toolbar control when off.
void SetToolbarShown(bool shown);
void ToggleToolbar(HWND window);
bool Pinned();
void TogglePin(HWND window);
void UpdateCountLabel();
HICON ToolbarIcon(int resourceId);
