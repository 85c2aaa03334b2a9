// The read-only pane under the list that shows the selected item's full text.
#pragma once
#include <windows.h>

#include <string>

void PreviewCreate(HWND window);
HWND PreviewWindow();
bool PreviewOpen();
void TogglePreview(HWND window);
void ShowSelectedInPreview();
void ClearPreview();
void PreviewSetFixedFont(int value);
// The full text of the item selected last; what "Go to Address" opens.
const std::string& CurrentItemText();
