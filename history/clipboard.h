// The program's three clipboard primitives; text only, in CF_TEXT.
#pragma once
#include <string>

// False when the clipboard cannot be opened or holds no readable text.
bool GetClipboardText(std::string* text);
// 0 when nothing was attempted (empty text, clipboard busy), 1 otherwise.
int SetClipboardText(const std::string& text);
void ClearClipboard();
// True when the writer asked that this content stay out of any history: password
// managers and the system mark it with one of a few registered formats.
bool ClipboardIsPrivate();
