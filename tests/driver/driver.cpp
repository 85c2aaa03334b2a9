// Plays the user's part for the end-to-end tests (puts texts on the clipboard, sends the
// history window what the tray and the menus would send, presses keys in a program of its
// own) and reads what the program stored with the program's own code. Exit code 0 means
// the step succeeded; anything else is a failure.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>

#include "app/identifiers.h"
#include "history/history_list.h"
#include "history/history_store.h"
#include "platform/system.h"
#include "settings/paths.h"
#include "settings/settings_store.h"

namespace {

enum { Ok = 0, Failed = 1, Usage = 2 };

// Polls cond every 20 ms until it holds or ms milliseconds have passed.
template <class Cond>
bool WaitFor(DWORD ms, Cond cond) {
    for (DWORD start = GetTickCount();; Sleep(20)) {
        if (cond()) return true;
        if (GetTickCount() - start >= ms) return false;
    }
}

HWND Window() { return FindWindowA(HISTORY_WINDOW_CLASS, nullptr); }
HWND List() { return GetDlgItem(Window(), IDC_HISTORY_LIST); }
std::string FileText(const char* path) {
    std::string bytes;
    ReadWholeFile(path, &bytes);
    return bytes;
}
int Result(bool ok) { return ok ? Ok : Failed; }

// The viewer may still hold the clipboard open from the previous change.
bool PutText(const std::string& text) {
    if (!WaitFor(2000, [] { return OpenClipboard(nullptr) != 0; })) return false;
    bool ok = false;
    HGLOBAL block = EmptyClipboard() ? GlobalAlloc(GMEM_MOVEABLE, text.size() + 1) : nullptr;
    if (char* p = block ? static_cast<char*>(GlobalLock(block)) : nullptr) {
        std::memcpy(p, text.c_str(), text.size() + 1);
        GlobalUnlock(block);
        ok = SetClipboardData(CF_TEXT, block) != nullptr;
    }
    if (!ok && block) GlobalFree(block);
    CloseClipboard();
    return ok;
}

bool GetText(const char* path) {
    if (!WaitFor(2000, [] { return OpenClipboard(nullptr) != 0; })) return false;
    HANDLE block = GetClipboardData(CF_TEXT);
    const char* p = block ? static_cast<const char*>(GlobalLock(block)) : nullptr;
    if (p) std::ofstream(path, std::ios::binary) << std::string(p, strnlen(p, GlobalSize(block)));
    if (p) GlobalUnlock(block);
    CloseClipboard();
    return p != nullptr;
}

// Whether the newest record has this hash. Only the first line is read, from a handle that
// shares everything: a poll must never keep the program from replacing its index.
bool FrontHashIs(const std::string& index, uint32_t hash) {
    HANDLE f = CreateFileA(index.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    char line[64] = {};
    DWORD got = 0;
    if (f != INVALID_HANDLE_VALUE) ReadFile(f, line, sizeof line - 1, &got, nullptr), CloseHandle(f);
    unsigned long h = 0;
    return std::sscanf(line, "%*s %lu", &h) == 1 && h == hash;
}

// Copies PREFIX0, PREFIX1, ... each once the index shows the previous one on top, and logs
// every text the index confirmed. Ends quietly when the window goes.
bool Feed(const char* prefix, int count, const char* index, const char* logPath) {
    FILE* log = std::fopen(logPath, "ab");
    bool ok = log != nullptr;
    for (int i = 0; ok && i < count && Window(); i++) {
        std::string text = prefix + std::to_string(i);
        uint32_t hash = TextHash(text.c_str());
        if (!PutText(text)) ok = !Window();
        if (ok && !WaitFor(10000, [&] { return FrontHashIs(index, hash) || !Window(); })) ok = false;
        if (ok && FrontHashIs(index, hash)) std::fprintf(log, "%s\n", text.c_str()), std::fflush(log);
    }
    if (log) std::fclose(log);
    return ok;
}

// Indexes n items "stored item <i>", newest first, with the program's own index writer, as
// a previous run would have left them, and prints each file's name and text for the script
// to write: Wine creates a file in a folder of thousands in milliseconds, Linux in microseconds.
bool Store(const char* data, int n) {
    StoreOpen(data);
    SeedRandom();
    HistoryItems items;
    std::set<std::string> names;
    for (int i = 0; i < n; i++) {
        std::string name = RandomName(8), text = "stored item " + std::to_string(i);
        if (!names.insert(name).second) { i--; continue; }
        items.push_back({name, text, TextHash(text.c_str()), int32_t(std::time(nullptr)) - i, ""});
        std::printf("%s\t%s\n", name.c_str(), text.c_str());
    }
    return SaveIndex(items);
}

std::set<std::string> Lines(const char* path) {
    std::set<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    for (std::string line; std::getline(in, line);) lines.insert(line);
    return lines;
}

// Every record the program would load names an item file holding the text of its hash; no
// file holds a deleted text; every listed text has a record unless it was deleted. A file no
// record names is a failure, unless `written` is given (the program was killed): then a
// whole fed text in one is listed there, for the next start to keep. Prints the records,
// the texts checked and the texts lost.
bool CheckStore(const char* data, const char* deletedList, const char* written, char** lists, int nLists) {
    StoreOpen(data);
    HistoryItems items;
    if (!LoadIndex(&items)) return std::fprintf(stderr, "no index\n"), false;
    std::set<std::string> deleted = Lines(deletedList), kept, named{"__reg__", "__pending__"};
    std::map<std::string, std::string> files;  // each read once: Wine opens a file in a tenth of a millisecond
    for (const std::string& name : sys::ListDirectory(data)) files[name] = FileText(ItemFilePath(name).c_str());
    for (const HistoryItem& item : items) {
        if (!files.count(item.fileName) || TextHash(files[item.fileName].c_str()) != item.hash)
            return std::fprintf(stderr, "record %s has no whole item file\n", item.fileName.c_str()), false;
        kept.insert(files[item.fileName]);
        named.insert(item.fileName);
    }
    std::string fed;
    int found = 0;
    for (const auto& [name, text] : files) {
        if (deleted.count(text)) return std::fprintf(stderr, "deleted text in %s\n", name.c_str()), false;
        if (named.count(name)) continue;
        if (!std::strcmp(written, "-")) return std::fprintf(stderr, "no record names %s\n", name.c_str()), false;
        if (std::regex_match(text, std::regex("run \\d+ text \\d+"))) fed += text + '\n', found++;
    }
    if (std::strcmp(written, "-")) std::ofstream(written, std::ios::binary) << fed;
    int checked = 0, lost = 0;
    for (int i = 0; i < nLists; i++)
        for (const std::string& text : Lines(lists[i]))
            if (!deleted.count(text)) checked++, lost += !kept.count(text);
    std::printf("%d %d %d\n", int(items.size()) + found, checked, lost);
    return lost == 0;
}

void Key(WORD vk, bool up) {
    INPUT in = {};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &in, sizeof in);
}

// Stands in for the program the user works in: a text box with the focus gets
// Ctrl+Numpad<digit> from the keyboard, and must then hold the expected text.
bool PasteTarget(int digit, const std::string& expected, DWORD ms) {
    HWND frame = CreateWindowExA(0, "STATIC", "Paste target", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 400, 100, 300, 200,
                                 nullptr, nullptr, nullptr, nullptr);
    HWND edit = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | ES_MULTILINE, 0, 0, 280, 160, frame, nullptr,
                                nullptr, nullptr);
    SetForegroundWindow(frame);
    SetFocus(edit);
    Key(VK_CONTROL, false), Key(WORD(VK_NUMPAD0 + digit), false);
    Key(WORD(VK_NUMPAD0 + digit), true), Key(VK_CONTROL, true);
    bool pasted = WaitFor(ms, [&] {
        for (MSG msg; PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);) TranslateMessage(&msg), DispatchMessageA(&msg);
        std::string s(size_t(GetWindowTextLengthA(edit)) + 1, '\0');
        s.resize(size_t(GetWindowTextA(edit, &s[0], int(s.size()))));
        return s == expected;
    });
    Key(VK_LCONTROL, true);  // the paste leaves the left Ctrl pressed until the user lets go
    return pasted;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage;
    std::string cmd = argv[1];
    DWORD ms = argc > 2 ? DWORD(std::strtoul(argv[argc - 1], nullptr, 0)) : 0;
    auto number = [&](int i) { return unsigned(std::strtoul(argv[i], nullptr, 0)); };
    if (cmd == "set-text" && argc == 3) return Result(PutText(FileText(argv[2])));
    if (cmd == "get-text" && argc == 3) return Result(GetText(argv[2]));
    for (int i = 2; cmd == "hash" && i < argc; i++) std::printf("%u\n", TextHash(FileText(argv[i]).c_str()));
    if (cmd == "hash") return Ok;
    if (cmd == "ini" && argc >= 3) {  // the settings file the program writes: its defaults but for KEY=VALUE...
        SetDefaultSettings();
        LoadSettings(argv[2], "Hoardium");
        for (int i = 3; i < argc; i++)
            if (const char* eq = std::strchr(argv[i], '=')) SetSetting(std::string(argv[i], size_t(eq - argv[i])), std::atoi(eq + 1));
        return SaveSettings(), Ok;
    }
    // Puts a file's text on the clipboard (unless "wait-front") and waits until it is the newest record.
    if ((cmd == "copy" || cmd == "wait-front") && argc == 5) {
        std::string text = FileText(argv[2]);
        if (cmd == "copy" && !PutText(text)) return Failed;
        return Result(WaitFor(ms, [&] { return FrontHashIs(argv[3], TextHash(text.c_str())); }));
    }
    if (cmd == "index" && argc == 3) {
        HistoryItems items;
        StoreOpen(argv[2]);
        if (!LoadIndex(&items)) return Failed;
        for (const HistoryItem& i : items) std::printf("%s %u %d %s\n", i.fileName.c_str(), i.hash, i.captureTime, i.displayText.c_str());
        return Ok;
    }
    if (cmd == "store" && argc == 4) return Result(Store(argv[2], int(number(3))));
    if (cmd == "check-store" && argc >= 5) return Result(CheckStore(argv[2], argv[3], argv[4], argv + 5, argc - 5));
    if (cmd == "feed" && argc == 6) return Result(Feed(argv[2], int(number(3)), argv[4], argv[5]));
    if (cmd == "paste-target" && argc == 5) return Result(PasteTarget(int(number(2)), FileText(argv[3]), ms));
    if (cmd == "wait-window" && argc == 3)  // the title is set near the end of start-up
        return Result(WaitFor(ms, [] { return Window() && GetWindowTextLengthA(Window()) > 0; }));
    if (cmd == "wait-gone" && argc == 3) return Result(WaitFor(ms, [] { return !Window(); }));
    if (cmd == "wait-rows" && argc == 4)
        return Result(WaitFor(ms, [&] { return List() && SendMessageA(List(), LVM_GETITEMCOUNT, 0, 0) == LRESULT(number(2)); }));
    if (cmd == "wait-selected" && argc == 4)
        return Result(WaitFor(ms, [&] {
            return List() && SendMessageA(List(), LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED) == LRESULT(number(2));
        }));
    if (cmd == "send" && argc == 5) return Result(SendMessageTimeoutA(Window(), number(2), number(3), LPARAM(number(4)), 0, 5000, nullptr));
    // Posted, as a menu or the list would: the program acts from inside its own loop.
    if (cmd == "post" && argc == 5) return Result(PostMessageA(Window(), number(2), number(3), LPARAM(number(4))));
    if (cmd == "exit" && argc == 3)
        return Result(PostMessageA(Window(), WM_COMMAND, IDM_EXIT, 0) && WaitFor(ms, [] { return !Window(); }));
    if (cmd == "preview-length" && argc == 3) {
        DWORD_PTR n = 0;
        bool ok = WaitFor(ms, [&] {
            HWND pane = GetDlgItem(Window(), IDC_PREVIEW);
            return pane && SendMessageTimeoutA(pane, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 1000, &n) && n > 0;
        });
        return ok ? (std::printf("%lu\n", static_cast<unsigned long>(n)), Ok) : Failed;
    }
    if (cmd == "is-visible" && argc == 2) return Result(IsWindowVisible(Window()));
    if (cmd == "key" && argc == 3) return Key(WORD(number(2)), false), Key(WORD(number(2)), true), Ok;
    if (cmd == "work-area" && argc == 2) {
        RECT r;
        if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0)) return Failed;
        return std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom), Ok;
    }
    if (cmd == "hold-desktop" && argc == 2) {
        // Wine closes its desktop once no program uses it, and the next program to start
        // opens a new one, whose first act is to take the clipboard back from the X
        // selection: a text put there meanwhile would be lost. One program that stays
        // keeps the desktop, as a real session's would be, across the program's restarts.
        GetDesktopWindow();
        HWND keeper = CreateWindowExA(0, "Static", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        for (MSG msg; GetMessageA(&msg, keeper, 0, 0) > 0;) DispatchMessageA(&msg);
        return Ok;
    }
    std::fprintf(stderr, "usage: see the commands in tests/driver/driver.cpp\n");
    return Usage;
}
