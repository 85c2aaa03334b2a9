// The program's clipboard primitives; text only, in CF_TEXT.
#pragma once
#include <string>

// False when the clipboard cannot be opened or holds no readable text.
bool GetClipboardText(std::string* text);
// 0 when nothing was attempted (empty text, clipboard busy), 1 otherwise.
int SetClipboardText(const std::string& text);
void ClearClipboard();

enum class ClipboardRead { Text, NoText, Private, Busy };
// What a capture finds: Busy while another program holds the clipboard open, Private
// when the writer asked that the content stay out of any history. `patient` waits a
// little for a writer that has not yet let go.
ClipboardRead ReadClipboardForHistory(std::string* text, bool patient);
