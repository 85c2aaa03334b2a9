// Plays the user's part for the end-to-end tests (puts texts on the clipboard, sends the
// history window what the tray and the menus would send, presses keys in a program of its
// own) and reads what the program stored with the program's own code. Exit code 0 means
// the step succeeded; anything else is a failure, its reason on stderr.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <map>
#include <set>
#include <string>

#include "app/identifiers.h"
#include "history/history_list.h"
#include "history/history_store.h"
#include "platform/system.h"
#include "settings/paths.h"
#include "settings/settings_store.h"

namespace {

// The one poll of the tests: every 20 ms until cond holds or ms milliseconds have passed.
template <class Cond>
bool WaitFor(DWORD ms, Cond cond) {
    for (DWORD start = GetTickCount(); !cond(); Sleep(20))
        if (GetTickCount() - start >= ms) return false;
    return true;
}

HWND Window() { return FindWindowA(HISTORY_WINDOW_CLASS, nullptr); }
HWND List() { return GetDlgItem(Window(), IDC_HISTORY_LIST); }
std::string FileText(const std::string& path) {
    std::string bytes;
    return ReadWholeFile(path, &bytes), bytes;
}
bool Say(const std::string& why) { return std::fprintf(stderr, "%s\n", why.c_str()), false; }
bool Index(const std::string& data, HistoryItems* items) { return StoreOpen(data), LoadIndex(items); }
std::set<std::string> Lines(const std::string& path) {
    std::set<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    for (std::string line; std::getline(in, line);) lines.insert(line);
    return lines;
}

// The viewer may still hold the clipboard open from the previous change.
bool OpenTheClipboard() { return WaitFor(2000, [] { return OpenClipboard(nullptr) != 0; }); }

std::string ClipboardText() {
    HANDLE block = OpenTheClipboard() ? GetClipboardData(CF_TEXT) : nullptr;
    const char* p = block ? static_cast<const char*>(GlobalLock(block)) : nullptr;
    std::string text = p ? std::string(p, strnlen(p, GlobalSize(block))) : "";
    return p && GlobalUnlock(block), CloseClipboard(), text;
}

bool PutText(const std::string& text) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    std::memcpy(GlobalLock(block), text.c_str(), text.size() + 1), GlobalUnlock(block);
    bool ok = OpenTheClipboard() && EmptyClipboard() && SetClipboardData(CF_TEXT, block);
    if (!ok) GlobalFree(block);
    return CloseClipboard(), ok;
}

// Whether the newest record has this text. Only the first line is read, from a handle that
// shares everything: a poll must never keep the program from replacing its index.
bool OnTop(const std::string& index, const std::string& text) {
    HANDLE f = CreateFileA(index.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    char line[64] = {};
    DWORD got = 0, h = 0;
    if (f != INVALID_HANDLE_VALUE) ReadFile(f, line, sizeof line - 1, &got, nullptr), CloseHandle(f);
    return std::sscanf(line, "%*s %lu", &h) == 1 && h == TextHash(text.c_str());
}

// Copies PREFIX0, PREFIX1, ... each once the index shows the one before on top, and logs
// every text the index confirmed, until the window goes.
bool Feed(const std::string& prefix, const std::string& index, const char* logPath) {
    std::ofstream log(logPath, std::ios::binary | std::ios::app);
    for (int i = 0; Window(); i++) {
        std::string text = prefix + std::to_string(i);
        if (!PutText(text) && Window()) return false;
        if (!WaitFor(10000, [&] { return OnTop(index, text) || !Window(); })) return false;
        if (OnTop(index, text)) log << text << std::endl;
    }
    return true;
}

// Indexes n items "stored item <i>", newest first, with the program's own index writer, as
// a previous run would have left them, and prints each file's name and text for the script
// to write: Wine creates a file in a folder of thousands in milliseconds, Linux in microseconds.
bool Store(const char* data, int n) {
    HistoryItems items;
    StoreOpen(data);
    for (int i = 0; i < n; i++) {
        std::string name = "item", text = "stored item " + std::to_string(i);
        for (int k = i; name.size() < 8; k /= 25) name += char('a' + k % 25);
        items.push_back({name, SharedText(text), TextHash(text.c_str()), int32_t(std::time(nullptr)) - i, ""});
        std::printf("%s\t%s\n", name.c_str(), text.c_str());
    }
    return SaveIndex(items);
}

// After a kill, or once the starts have settled: every record a start would read names a
// whole item file, no file holds a deleted text, and every text stored, fed, or found
// written before an earlier kill has a record unless deleted. A whole fed text in a file no
// record names joins those the next start must keep; once settled, any such file fails. The folder
// holds 20 000 and Wine opens a file in a tenth of a millisecond: between kills only files
// with a name new since the last check are read (a name is never given to a second text
// while its file is there), once settled every file is.
bool CheckStore(const std::string& work, const std::string& data, bool settled) {
    HistoryItems items;
    if (!Index(data, &items)) return Say("no index");
    std::map<std::string, std::string> seen, files;
    std::ifstream cache(work + "/cache", std::ios::binary);
    for (std::string name, text; !settled && cache >> name && std::getline(cache.ignore(), text);) seen[name] = text;
    for (const std::string& name : sys::ListDirectory(data))
        if (name != "__reg__" && name != "__pending__") files[name] = seen.count(name) ? seen[name] : FileText(ItemFilePath(name));
    std::ofstream out(work + "/cache", std::ios::binary);
    std::set<std::string> deleted = Lines(work + "/deleted"), kept, named;
    for (const HistoryItem& item : items) {
        if (!files.count(item.fileName) || TextHash(files[item.fileName].c_str()) != item.hash)
            return Say("record " + item.fileName + " has no whole item file");
        kept.insert(files[item.fileName]), named.insert(item.fileName);
    }
    std::string written;
    int checked = 0, lost = 0, rows = int(items.size()), run, number;
    char more;
    for (const auto& [name, file] : files) {
        out << name << ' ' << file << '\n';
        if (deleted.count(file)) return Say("deleted text in " + name);
        if (!named.count(name) && settled) return Say("no record names " + name);
        // A whole fed text, not a file the kill left empty.
        if (!named.count(name) && std::sscanf(file.c_str(), "run %d text %d%c", &run, &number, &more) == 2)
            written += file + '\n', rows++;
    }
    for (const char* list : {"/stored", "/fed", "/recovered"})
        for (const std::string& text : Lines(work + list)) checked += !deleted.count(text), lost += !deleted.count(text) && !kept.count(text);
    std::ofstream(work + "/recovered", std::ios::binary | std::ios::app) << written;
    return std::printf("%d %d %d\n", rows, checked, lost), lost == 0;
}

// Once the start has finished its store work, deletes the item of a row as its menu would,
// and waits until the index a start would read has lost it; its text joins the deleted ones.
bool Delete(const std::string& data, int row, const char* deletedList, DWORD ms) {
    HistoryItems items;
    if (!WaitFor(ms, [&] { return sys::ListDirectory(data + "/__pending__").empty(); }) || !Index(data, &items)) return Say("not settled");
    HistoryItem victim = items.at(size_t(row));
    std::ofstream(deletedList, std::ios::binary | std::ios::app) << FileText(ItemFilePath(victim.fileName)) << '\n';
    PostMessageA(Window(), WM_HISTORY, WPARAM(row), ReqDeleteItem);
    return WaitFor(ms, [&] {
        return LoadIndex(&items) && std::none_of(items.begin(), items.end(), [&](auto& i) { return i.hash == victim.hash; });
    });
}

void Key(WORD vk, DWORD flags = 0) {
    INPUT in = {INPUT_KEYBOARD, {}};
    in.ki.wVk = vk, in.ki.dwFlags = flags;
    SendInput(1, &in, sizeof in);
}

// Stands in for the program the user works in: a text box with the focus gets
// Ctrl+Numpad<digit> from the keyboard, and must then hold the expected text.
bool PasteTarget(int digit, const std::string& expected, DWORD ms) {
    HWND edit = CreateWindowExA(0, "EDIT", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE | ES_MULTILINE, 400, 100, 300, 200,
                                nullptr, nullptr, nullptr, nullptr);
    SetForegroundWindow(edit);
    SetFocus(edit);
    Key(VK_CONTROL), Key(WORD(VK_NUMPAD0 + digit)), Key(WORD(VK_NUMPAD0 + digit), KEYEVENTF_KEYUP), Key(VK_CONTROL, KEYEVENTF_KEYUP);
    bool pasted = WaitFor(ms, [&] {
        for (MSG msg; PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);) TranslateMessage(&msg), DispatchMessageA(&msg);
        std::string s(size_t(GetWindowTextLengthA(edit)) + 1, '\0');
        return s.resize(size_t(GetWindowTextA(edit, &s[0], int(s.size())))), s == expected;
    });
    Key(VK_LCONTROL, KEYEVENTF_KEYUP);  // the paste leaves the left Ctrl pressed until the user lets go
    return pasted;
}

}  // namespace

int main(int argc, char** argv) {
    std::string cmd = argc > 1 ? argv[1] : "", arg = argc > 2 ? argv[2] : "";
    DWORD ms = DWORD(std::strtoul(argv[argc - 1], nullptr, 0));
    auto number = [&](int i) { return unsigned(std::strtoul(argv[i], nullptr, 0)); };
    auto result = [](bool ok) { return ok ? 0 : 1; };
    if (cmd == "ini") {  // the settings file the program writes: its defaults but for KEY=VALUE...
        SetDefaultSettings();
        LoadSettings(arg, "Hoardium");
        for (int i = 3; i < argc; i++) SetSetting(std::string(argv[i], std::strcspn(argv[i], "=")), std::atoi(std::strchr(argv[i], '=') + 1));
        return SaveSettings(), 0;
    }
    // FILE [INDEX MS]: the file's text is the newest record and on the clipboard; "copy" puts it there first.
    if (cmd == "copy" || cmd == "on-top") {
        std::string text = FileText(arg);
        return result((cmd == "on-top" || PutText(text)) &&
                      (argc == 3 || (WaitFor(ms, [&] { return OnTop(argv[3], text); }) && ClipboardText() == text)));
    }
    HistoryItems items;  // the item files of the index a start would read, newest first
    if (cmd == "names" && Index(arg, &items)) for (const HistoryItem& item : items) std::printf("%s\n", item.fileName.c_str());
    if (cmd == "names") return 0;
    if (cmd == "store") return result(Store(arg.c_str(), int(number(3))));
    if (cmd == "check-store") return result(CheckStore(arg, argv[3], argc == 5));
    if (cmd == "delete") return result(Delete(arg, int(number(3)), argv[4], ms));
    if (cmd == "feed") return result(Feed(arg, argv[3], argv[4]));
    if (cmd == "fed") return result(WaitFor(ms, [&] { return Lines(arg).size() >= number(3); }));  // FILE N MS
    if (cmd == "paste-target") return result(PasteTarget(int(number(2)), FileText(argv[3]), ms));
    if (cmd == "wait-window" || cmd == "wait-gone" || cmd == "exit")  // the title is set near the end of start-up
        return result((cmd != "exit" || PostMessageA(Window(), WM_COMMAND, IDM_EXIT, 0)) && WaitFor(ms, [&] {
            return cmd == "wait-window" ? Window() && GetWindowTextLengthA(Window()) > 0 : !Window();
        }));
    if (cmd == "wait-rows" || cmd == "wait-selected")
        return result(WaitFor(ms, [&] {
            return List() && LRESULT(number(2)) == (cmd == "wait-rows" ? SendMessageA(List(), LVM_GETITEMCOUNT, 0, 0)
                                                              : SendMessageA(List(), LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED));
        }));
    // Posted as a menu or the list would: the program acts from inside its own loop.
    if (cmd == "post") return result(PostMessageA(Window(), number(2), number(3), LPARAM(number(4))));
    if (cmd == "send") {  // MSG WPARAM LPARAM [CONTROL]: prints the answer, which must come within 5 s
        DWORD_PTR answer = 0;
        HWND to = argc > 5 ? GetDlgItem(Window(), int(number(5))) : Window();
        bool ok = to && SendMessageTimeoutA(to, number(2), number(3), LPARAM(number(4)), SMTO_ABORTIFHUNG, 5000, &answer);
        return std::printf("%lu\n", static_cast<unsigned long>(answer)), result(ok);
    }
    if (cmd == "is-visible") return result(IsWindowVisible(Window()));
    if (cmd == "key") return Key(WORD(number(2))), Key(WORD(number(2)), KEYEVENTF_KEYUP), 0;
    if (RECT r; cmd == "work-area" && SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0))
        return std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom), 0;
    if (cmd != "hold-desktop") return Say("usage: see the commands in tests/driver/driver.cpp"), 2;
    // Wine closes its desktop once no program uses it, and the next program to start opens
    // a new one, whose first act is to take the clipboard back from the X selection: a text
    // put there meanwhile would be lost. One program that stays keeps the desktop, as a real
    // session's would be, across the program's restarts.
    GetDesktopWindow();
    HWND keeper = CreateWindowExA(0, "Static", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    for (MSG msg; GetMessageA(&msg, keeper, 0, 0) > 0;) DispatchMessageA(&msg);
}
