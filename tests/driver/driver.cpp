// Plays the user's part for the end-to-end tests (puts texts on the clipboard, sends the
// history window what the tray and the menus would send, presses keys in a program of its
// own) and reads what the program stored with the program's own code. Exit code 0 means
// the step succeeded; anything else is a failure, its reason on stderr.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>

#include "app/identifiers.h"
#include "platform/system.h"
#include "settings/settings_store.h"
#include "tests/core/test_dir.h"
#include "tests/shell/pump_until.h"

// The program runs from "app" in the driver's current folder, the scenario's, where the
// driver keeps its own files ("fed", "deleted", ...) between steps.
static const std::string dataFolder = "app/Hoardium.data", indexFile = dataFolder + "/__reg__";

static HWND Window() { return FindWindowA(HISTORY_WINDOW_CLASS, nullptr); }
static HWND List() { return GetDlgItem(Window(), IDC_HISTORY_LIST); }
static void Key(BYTE vk, DWORD flags = 0) { keybd_event(vk, 0, flags, 0); }
static bool Say(const std::string& why) { return std::fprintf(stderr, "%s\n", why.c_str()), false; }
static bool OpenTheClipboard() { return PumpUntil([] { return OpenClipboard(nullptr) != 0; }, 2000); }

// The viewer may still hold the clipboard open from the previous change. A block the
// clipboard refused is left to the driver's exit, which follows.
static bool PutText(const std::string& text) {
    HGLOBAL block = GlobalAlloc(GHND, text.size() + 1);
    text.copy(static_cast<char*>(GlobalLock(block)), text.size()), GlobalUnlock(block);
    return OpenTheClipboard() && EmptyClipboard() && SetClipboardData(CF_TEXT, block) && CloseClipboard();
}

// Whether the newest record has this text. Only the first line is read, from a handle that
// shares everything: a poll must never keep the program from replacing its index, as a
// read through the C library's files does under Wine.
static bool OnTop(const std::string& text) {
    DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, got = 0, h = 0;
    HANDLE f = CreateFileA(indexFile.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
    char line[64] = {};
    if (f != INVALID_HANDLE_VALUE) ReadFile(f, line, sizeof line - 1, &got, nullptr), CloseHandle(f);
    return std::sscanf(line, "%*s %lu", &h) == 1 && h == TextHash(text.c_str());
}

// Indexes the texts of the list "stored", newest first, with the program's own index
// writer, as a previous run would have left them; the script writes their files, each named
// as its text: Wine creates a file in a folder of thousands in milliseconds, Linux in
// microseconds.
static bool Store() {
    HistoryItems items;
    std::ifstream in("stored", std::ios::binary);
    for (std::string text; std::getline(in, text);) items.push_back({text, SharedText(text), TextHash(text.c_str()), 1700000000, ""});
    return SaveIndex(items);
}

// After a kill, or once the starts have settled: every record a start would read names a
// whole item file, no file holds a deleted text, and every text stored, fed, or kept after
// an earlier kill has a record unless deleted. What the records hold, and a whole fed text
// in a file no record names, join the texts the next start must keep; once settled, any
// such file fails, as does anything pending. Wine opens a file in a tenth of a millisecond:
// between kills the 20 000 stored files, which no run writes, are taken to hold their
// names; once settled every file is read.
static bool CheckStore(bool settled) {
    HistoryItems items;
    std::map<std::string, std::string> files;
    std::set<std::string> deleted, listed, kept;
    int lost = 0, run, number;
    for (const char* list : {"deleted", "stored", "fed", "recovered"}) {
        std::ifstream in(list, std::ios::binary);
        for (std::string text; std::getline(in, text);) (list[0] == 'd' ? deleted : listed).insert(text);
    }
    if (!LoadIndex(&items)) return Say("no index");
    // Each item file's text, a stored file's taken as its name until settled: none may be deleted.
    for (const std::string& name : sys::ListDirectory(dataFolder))
        if (name[0] != '_' && deleted.count(files[name] = name.rfind("stored-", 0) || settled ? ReadFile(ItemFilePath(name)) : name))
            return Say("deleted text in " + name);
    for (const HistoryItem& item : items) {
        if (TextHash(files[item.fileName].c_str()) != item.hash) return Say("record " + item.fileName + " has no whole item file");
        kept.insert(files[item.fileName]), files.erase(item.fileName);
    }
    if (settled && !(files.empty() && sys::ListDirectory(dataFolder + "/__pending__").empty()))
        return Say("files no record names, or pending work, are left");
    for (const std::string& text : listed) lost += !deleted.count(text) && !kept.count(text);
    for (const auto& [name, text] : files)  // a whole fed text, not a file the kill left empty
        if (std::sscanf(text.c_str(), "run %d text %d", &run, &number) == 2) kept.insert(text);
    std::ofstream recovered("recovered", std::ios::binary | std::ios::app);
    for (const std::string& text : kept)
        if (!settled && !listed.count(text)) recovered << text << '\n';
    return std::printf("%d texts listed, %d lost\n", int(listed.size()), lost), lost == 0;
}

// Once the start has finished its store work and its list shows the index, deletes the
// item of a row as its menu would, its text joining the deleted ones, and waits until the
// index a start would read has lost a record. Then copies PREFIX0, PREFIX1, ... each once
// the index shows the one before on top, and logs every text the index confirmed to "fed",
// until the window goes; then checks the store as the kill left it.
static bool DeleteAndFeed(int row, const std::string& prefix) {
    HistoryItems items;
    if (!PumpUntil([] { return sys::ListDirectory(dataFolder + "/__pending__").empty(); }, 20000) || !LoadIndex(&items) ||
        SendMessageA(List(), LVM_GETITEMCOUNT, 0, 0) != LRESULT(items.size()))
        return Say("the start did not settle, or its list does not show the index");
    std::ofstream("deleted", std::ios::binary | std::ios::app) << ReadFile(ItemFilePath(items.at(size_t(row)).fileName)) << '\n';
    PostMessageA(Window(), WM_HISTORY, WPARAM(row), ReqDeleteItem);
    if (!PumpUntil([&, rows = items.size()] { return LoadIndex(&items) && items.size() < rows; }, 20000))
        return Say("the index kept the deleted item");
    std::ofstream log("fed", std::ios::binary | std::ios::app);
    for (int i = 0; Window(); i++) {
        std::string text = prefix + std::to_string(i);
        if ((!PutText(text) && Window()) || !PumpUntil([&] { return OnTop(text) || !Window(); }, 10000)) return Say("feeding stalled");
        if (OnTop(text)) log << text << std::endl;
    }
    return CheckStore(false);
}

// The user brings up the history window by a click on the tray icon and types the first
// letter of the expected text, which must select its row, and then, in the program they
// work in, a text box here, presses Ctrl+Numpad<digit>: the box must then hold the text.
static bool FindAndPaste(int digit, const std::string& expected, DWORD ms) {
    SendMessageA(Window(), WM_HISTORY, 0, WM_LBUTTONDOWN), Key(BYTE(expected[0])), Key(BYTE(expected[0]), KEYEVENTF_KEYUP);
    if (!PumpUntil([&] { return SendMessageA(List(), LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED) == digit - 1; }, ms))
        return Say("the first letter did not select the row");
    HWND edit = CreateWindowExA(0, "EDIT", "", WS_VISIBLE | ES_MULTILINE, 400, 100, 300, 200, nullptr, nullptr, nullptr, nullptr);
    SetForegroundWindow(edit), SetFocus(edit);
    Key(VK_CONTROL), Key(BYTE(VK_NUMPAD0 + digit)), Key(BYTE(VK_NUMPAD0 + digit), KEYEVENTF_KEYUP), Key(VK_CONTROL, KEYEVENTF_KEYUP);
    bool pasted = PumpUntil([&] { char text[64] = {}; return GetWindowTextA(edit, text, sizeof text), text == expected; }, ms);
    Key(VK_LCONTROL, KEYEVENTF_KEYUP);  // the paste leaves the left Ctrl pressed until the user lets go
    return pasted || Say("Ctrl+Numpad" + std::to_string(digit) + " did not paste the row");
}

int main(int argc, char** argv) {
    std::string cmd = argc > 1 ? argv[1] : "";
    auto n = [&](int i) { return std::strtol(argv[i], nullptr, 0); };
    DWORD ms = DWORD(n(argc - 1));
    // FILE [ROW] MS: puts the file's text on the clipboard, or copies a row back as its menu
    // would; "paste" FILE DIGIT MS finds the row and pastes it by its hotkey. Then the text
    // must be the newest record, and on the clipboard byte for byte.
    if (cmd == "copy" || cmd == "paste") {
        std::string text = ReadFile(argv[2]);
        bool done = cmd == "paste" ? FindAndPaste(int(n(3)), text, ms)
                                   : argc > 4 ? PostMessageA(Window(), WM_HISTORY, WPARAM(n(3)), ReqCopyItem) : PutText(text);
        // The driver's exit lets the clipboard go.
        HANDLE block = done && PumpUntil([&] { return OnTop(text); }, ms) && OpenTheClipboard() ? GetClipboardData(CF_TEXT) : nullptr;
        return !(block && static_cast<const char*>(GlobalLock(block)) == text);
    }
    // MS: the window gone after an Exit from its menu; or up, titled (late in start-up), and,
    // once it answers a message (start-up over), hidden.
    if (cmd == "window" || cmd == "exit")
        return !(cmd == "exit" ? PostMessageA(Window(), WM_COMMAND, IDM_EXIT, 0) && PumpUntil([] { return !Window(); }, ms)
                               : PumpUntil([] { return GetWindowTextLengthA(Window()) > 0; }, ms) &&
                                     !SendMessageA(Window(), WM_NULL, 0, 0) && !IsWindowVisible(Window()));
    // KEY VALUE...: rewrites the settings file as the program writes its defaults but for these
    // and for the place it has, which must be the first run's, beside a corner of the work area.
    if (RECT r; cmd == "ini" && SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0)) {
        int x = (SetDefaultSettings(), LoadSettings("app", AppName), GetSetting("WinX")), y = GetSetting("WinY");
        SetDefaultSettings(), SetSetting("WinX", x), SetSetting("WinY", y);
        for (int i = 2; i + 1 < argc; i += 2) SetSetting(argv[i], int(n(i + 1)));
        bool corner = (x == r.left + 10 || x == r.right - 330) && (y == r.top + 10 || y == r.bottom - 250);
        return SaveSettings(), !(corner || Say("the window's first place is not beside a corner of the work area"));
    }
    // MSG WPARAM LPARAM [CONTROL]: posts what the tray, a menu or a key would, to the window
    // or one of its controls (the README's picture is taken so).
    if (cmd == "post") return !PostMessageA(argc > 5 ? GetDlgItem(Window(), int(n(5))) : Window(), UINT(n(2)), n(3), n(4));
    if (cmd == "store" || cmd == "feed" || cmd == "check") StoreOpen(dataFolder);
    if (cmd == "store") return !Store();
    if (cmd == "feed") return !DeleteAndFeed(int(n(2)), argv[3]);  // ROW PREFIX
    // [FILE...]: the store is whole and settled, and holds these texts, newest first.
    if (HistoryItems items; cmd == "check") {
        bool same = CheckStore(true) && LoadIndex(&items) && (argc == 2 || int(items.size()) == argc - 2);
        for (int i = 2; same && i < argc; i++) same = ReadFile(ItemFilePath(items[size_t(i - 2)].fileName)) == ReadFile(argv[i]);
        return !same;
    }
    if (cmd != "hold-desktop") return Say("usage: see the commands in tests/driver/driver.cpp"), 2;
    // Wine closes its desktop once no program uses it, and the next program to start opens
    // a new one, whose first act is to take the clipboard back from the X selection: a text
    // put there meanwhile would be lost. One program that stays keeps the desktop, as a real
    // session's would be, across the program's restarts.
    GetDesktopWindow();
    Sleep(INFINITE);
}
