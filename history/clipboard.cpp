#include "history/clipboard.h"

#include <windows.h>

#include <cstring>

namespace {

// The program that just wrote the clipboard often still holds it open for a moment
// when the change notification arrives; a short wait reads that copy at once.
bool OpenClipboardPatiently() {
    for (int attempt = 0; attempt < 10; attempt++) {
        if (OpenClipboard(nullptr)) return true;
        Sleep(5);
    }
    return false;
}

struct ClipboardCloser {
    ~ClipboardCloser() { CloseClipboard(); }
};

bool ReadOpenedText(std::string* text) {
    if (!IsClipboardFormatAvailable(CF_TEXT)) return false;
    HANDLE data = GetClipboardData(CF_TEXT);
    if (!data) return false;
    const char* p = static_cast<const char*>(GlobalLock(data));
    if (!p) return false;
    // A block without its terminating zero must not be read past its end.
    SIZE_T size = GlobalSize(data);
    const void* end = size ? std::memchr(p, 0, size) : nullptr;
    size_t length = end ? size_t(static_cast<const char*>(end) - p) : size_t(size);
    text->assign(p, length);
    GlobalUnlock(data);
    return true;
}

// Password managers and the system mark content that must stay out of any history
// with one of a few registered formats.
bool OpenedContentIsPrivate() {
    static const UINT exclude = RegisterClipboardFormatA("ExcludeClipboardContentFromMonitorProcessing");
    static const UINT include = RegisterClipboardFormatA("CanIncludeInClipboardHistory");
    static const UINT ignore = RegisterClipboardFormatA("Clipboard Viewer Ignore");
    if ((exclude && IsClipboardFormatAvailable(exclude)) || (ignore && IsClipboardFormatAvailable(ignore)))
        return true;
    if (!include || !IsClipboardFormatAvailable(include)) return false;
    HANDLE data = GetClipboardData(include);
    if (!data) return false;
    const void* p = GlobalLock(data);
    if (!p) return false;
    DWORD value = 1;
    if (GlobalSize(data) >= sizeof value) std::memcpy(&value, p, sizeof value);
    GlobalUnlock(data);
    return value == 0;
}

}  // namespace

bool GetClipboardText(std::string* text) {
    if (!OpenClipboardPatiently()) return false;
    ClipboardCloser closer;
    return ReadOpenedText(text);
}

ClipboardRead ReadClipboardForHistory(std::string* text, bool patient) {
    if (!(patient ? OpenClipboardPatiently() : OpenClipboard(nullptr))) return ClipboardRead::Busy;
    // One opening for both looks: content that changed between them could slip a
    // private text into the history.
    ClipboardCloser closer;
    if (OpenedContentIsPrivate()) return ClipboardRead::Private;
    return ReadOpenedText(text) ? ClipboardRead::Text : ClipboardRead::NoText;
}

int SetClipboardText(const std::string& text) {
    size_t length = std::strlen(text.c_str());
    if (length == 0) return 0;
    if (!OpenClipboardPatiently()) return 0;
    ClipboardCloser closer;
    if (!EmptyClipboard()) return 1;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, length + 1);
    if (!block) return 1;
    void* p = GlobalLock(block);
    if (!p) {
        GlobalFree(block);
        return 1;
    }
    std::memcpy(p, text.c_str(), length + 1);
    GlobalUnlock(block);
    // Once handed over the clipboard owns the block; only a refusal leaves it ours.
    if (!SetClipboardData(CF_TEXT, block)) GlobalFree(block);
    return 1;
}

void ClearClipboard() {
    if (!OpenClipboard(nullptr)) return;
    EmptyClipboard();
    CloseClipboard();
}
