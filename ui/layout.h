// The three areas of the history window: toolbar band, list, preview pane.
#pragma once
#include <windows.h>

// Where the preview pane starts in a client area `clientHeight` high.
int PreviewSplit(int clientHeight);
int ToolbarBand();
void LayoutChildren(HWND window);
void PaintSeparators(HWND window);
void SetMinimumTrackSize(MINMAXINFO* info);
