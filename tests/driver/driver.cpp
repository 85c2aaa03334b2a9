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

// The viewer may still hold the clipboard open from the previous change.
int SetText(const char* path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return Failed;
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
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
    if (cmd == "is-visible" && argc == 2) return IsWindowVisible(HistoryWindow()) ? Ok : Failed;
    if (cmd == "key" && argc == 3) return Key(WORD(Number(argv[2])));
    if (cmd == "window-rect" && argc == 2) return WindowRect();
    if (cmd == "work-area" && argc == 2) return WorkArea();
    std::fprintf(stderr, "usage: hoardium_driver set-text FILE | wait-window MS | wait-gone MS | wait-rows N MS |\n"
                         "       send MSG WPARAM LPARAM | exit MS | is-visible | key VK |\n"
                         "       window-rect | work-area\n");
    return Usage;
}
