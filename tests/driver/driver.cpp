// Plays the user's part for the end-to-end tests: puts texts on the clipboard, finds the
// history window by its class, sends it what the tray and the menus would send, and waits
// for the program to react. Exit code 0 means the step succeeded; anything else is a failure.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

namespace {

const char kClass[] = "KeepallHistoryWinClass";
const int kListId = 40;
const WPARAM kExitCommand = 921;

enum { Ok = 0, Failed = 1, Usage = 2 };

// Polls cond every 20 ms until it holds or ms milliseconds have passed.
template <class Cond>
bool WaitFor(DWORD ms, Cond cond) {
    DWORD start = GetTickCount();
    for (;;) {
        if (cond()) return true;
        if (GetTickCount() - start >= ms) return false;
        Sleep(20);
    }
}

HWND HistoryWindow() { return FindWindowA(kClass, nullptr); }

// The window exists before start-up has finished with it; the title is set near the end.
bool HistoryWindowReady() {
    HWND window = HistoryWindow();
    return window && GetWindowTextLengthA(window) > 0;
}

int RowCount() {
    HWND list = GetDlgItem(HistoryWindow(), kListId);
    return list ? int(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)) : -1;
}

int SelectedRow() {
    HWND list = GetDlgItem(HistoryWindow(), kListId);
    return list ? int(SendMessageA(list, LVM_GETNEXTITEM, WPARAM(-1), MAKELPARAM(LVNI_SELECTED, 0))) : -2;
}

bool ReadFileBytes(const char* path, std::string* bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

// The viewer may still hold the clipboard open from the previous change.
int PutText(const std::string& text) {
    if (!WaitFor(2000, [] { return OpenClipboard(nullptr) != 0; })) return Failed;
    int rc = Failed;
    if (EmptyClipboard()) {
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
        if (char* p = block ? static_cast<char*>(GlobalLock(block)) : nullptr) {
            std::memcpy(p, text.c_str(), text.size() + 1);
            GlobalUnlock(block);
            if (SetClipboardData(CF_TEXT, block)) rc = Ok;
        }
        if (rc != Ok && block) GlobalFree(block);
    }
    CloseClipboard();
    return rc;
}

int SetText(const char* path) {
    std::string text;
    return ReadFileBytes(path, &text) ? PutText(text) : Failed;
}

// The program's text hash: djb2 over the bytes taken as signed chars.
unsigned Djb2(const std::string& text) {
    unsigned h = 5381;
    for (char c : text) h = h * 33 + unsigned(int(static_cast<signed char>(c)));
    return h;
}

// The newest record's hash, from the index's first line. The file is opened sharing
// everything, so the program can still replace it while we read.
bool FrontHashIs(const char* index, unsigned hash) {
    HANDLE f = CreateFileA(index, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    char line[64] = {};
    DWORD got = 0;
    ReadFile(f, line, sizeof line - 1, &got, nullptr);
    CloseHandle(f);
    unsigned long h = 0;
    return std::sscanf(line, "%*s %lu", &h) == 1 && h == hash;
}

// Copies PREFIX0, PREFIX1, ... one after another, each once the index shows the previous
// one on top, and logs every text the index confirmed. Ends quietly when the window goes.
int Feed(const char* prefix, int count, const char* index, const char* logPath) {
    FILE* log = std::fopen(logPath, "ab");
    if (!log) return Failed;
    int rc = Ok;
    for (int i = 0; i < count && rc == Ok && HistoryWindow(); i++) {
        std::string text = prefix + std::to_string(i);
        unsigned hash = Djb2(text);
        if (PutText(text) != Ok) {
            if (HistoryWindow()) rc = Failed;
            break;
        }
        if (!WaitFor(10000, [&] { return FrontHashIs(index, hash) || !HistoryWindow(); })) rc = Failed;
        if (rc == Ok && FrontHashIs(index, hash)) {
            std::fprintf(log, "%s\n", text.c_str());
            std::fflush(log);
        }
    }
    std::fclose(log);
    return rc;
}

int GetText(const char* path) {
    if (!WaitFor(2000, [] { return OpenClipboard(nullptr) != 0; })) return Failed;
    int rc = Failed;
    HANDLE block = GetClipboardData(CF_TEXT);
    if (const char* p = block ? static_cast<const char*>(GlobalLock(block)) : nullptr) {
        size_t n = strnlen(p, GlobalSize(block));
        if (FILE* out = std::fopen(path, "wb")) {
            if (std::fwrite(p, 1, n, out) == n) rc = Ok;
            if (std::fclose(out) != 0) rc = Failed;
        }
        GlobalUnlock(block);
    }
    CloseClipboard();
    return rc;
}

// Prints the preview pane's text length, once it is above zero, asking with a bound each time.
int PreviewLength(DWORD ms) {
    DWORD_PTR length = 0;
    bool ok = WaitFor(ms, [&] {
        HWND pane = FindWindowExA(HistoryWindow(), nullptr, "Edit", nullptr);
        return pane && SendMessageTimeoutA(pane, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 1000, &length) &&
               length > 0;
    });
    if (ok) std::printf("%lu\n", static_cast<unsigned long>(length));
    return ok ? Ok : Failed;
}

// Key presses go to whatever has the focus, as a user's would.
int Key(WORD vk) {
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = vk;
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    return SendInput(2, in, sizeof in[0]) == 2 ? Ok : Failed;
}

int WindowRect() {
    RECT r;
    if (!GetWindowRect(HistoryWindow(), &r)) return Failed;
    std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
    return Ok;
}

int WorkArea() {
    RECT r;
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0)) return Failed;
    std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
    return Ok;
}

DWORD Number(const char* s) { return DWORD(std::strtoul(s, nullptr, 0)); }

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage;
    std::string cmd = argv[1];
    DWORD ms = argc > 2 ? Number(argv[argc - 1]) : 0;
    if (cmd == "set-text" && argc == 3) return SetText(argv[2]);
    if (cmd == "wait-window" && argc == 3) return WaitFor(ms, HistoryWindowReady) ? Ok : Failed;
    if (cmd == "wait-gone" && argc == 3) return WaitFor(ms, [] { return HistoryWindow() == nullptr; }) ? Ok : Failed;
    if (cmd == "wait-rows" && argc == 4) {
        int n = int(Number(argv[2]));
        return WaitFor(ms, [n] { return RowCount() == n; }) ? Ok : Failed;
    }
    if (cmd == "wait-selected" && argc == 4) {
        int row = int(Number(argv[2]));
        return WaitFor(ms, [row] { return SelectedRow() == row; }) ? Ok : Failed;
    }
    if (cmd == "send" && argc == 5) {
        HWND window = HistoryWindow();
        if (!window) return Failed;
        SendMessageA(window, Number(argv[2]), Number(argv[3]), LPARAM(Number(argv[4])));
        return Ok;
    }
    if (cmd == "exit" && argc == 3) {
        HWND window = HistoryWindow();
        if (!window) return Failed;
        // Posted, as a menu would: the program destroys its window from inside its own loop.
        PostMessageA(window, WM_COMMAND, kExitCommand, 0);
        return WaitFor(ms, [] { return HistoryWindow() == nullptr; }) ? Ok : Failed;
    }
    if (cmd == "post" && argc == 5) {
        HWND window = HistoryWindow();
        return window && PostMessageA(window, Number(argv[2]), Number(argv[3]), LPARAM(Number(argv[4]))) ? Ok : Failed;
    }
    if (cmd == "feed" && argc == 6) return Feed(argv[2], int(Number(argv[3])), argv[4], argv[5]);
    if (cmd == "get-text" && argc == 3) return GetText(argv[2]);
    if (cmd == "hash" && argc == 3) {
        std::string text;
        if (!ReadFileBytes(argv[2], &text)) return Failed;
        std::printf("%u\n", Djb2(text));
        return Ok;
    }
    if (cmd == "responsive" && argc == 3) {
        DWORD_PTR r;
        HWND window = HistoryWindow();
        return window && SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, ms, &r) ? Ok : Failed;
    }
    if (cmd == "preview-length" && argc == 3) return PreviewLength(ms);
    if (cmd == "is-visible" && argc == 2) return IsWindowVisible(HistoryWindow()) ? Ok : Failed;
    if (cmd == "key" && argc == 3) return Key(WORD(Number(argv[2])));
    if (cmd == "hold-desktop" && argc == 2) {
        // Wine closes its desktop once no program uses it, and the next program to start
        // opens a new one, whose first act is to take the clipboard back from the X
        // selection: a text put there meanwhile would be lost. One program that stays
        // keeps the desktop, as a real session's would be, across the program's restarts.
        GetDesktopWindow();
        HWND keeper = CreateWindowExA(0, "Static", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        MSG msg;
        while (GetMessageA(&msg, keeper, 0, 0) > 0) DispatchMessageA(&msg);
        return Ok;
    }
    if (cmd == "window-rect" && argc == 2) return WindowRect();
    if (cmd == "work-area" && argc == 2) return WorkArea();
    std::fprintf(stderr, "usage: hoardium_driver set-text FILE | wait-window MS | wait-gone MS | wait-rows N MS |\n"
                         "       wait-selected ROW MS |\n"
                         "       send MSG WPARAM LPARAM | exit MS | is-visible | key VK |\n"
                         "       window-rect | work-area | post MSG WPARAM LPARAM |\n"
                         "       feed PREFIX COUNT INDEX LOG | get-text FILE | hash FILE | responsive MS |\n"
                         "       preview-length MS | hold-desktop\n");
    return Usage;
}
