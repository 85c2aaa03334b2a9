// The running program in this process: the real history window, made by the program's
// own start-up code over a temporary folder, driven by messages and the real clipboard.
#pragma once
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include "app/identifiers.h"
#include "app/startup.h"
#include "history/clipboard.h"
#include "history/history_list.h"
#include "tests/core/test_dir.h"
#include "tests/shell/pump_until.h"
#include "ui/list_view.h"
#include "ui/menus.h"


// Runs `body` on a thread of its own, as another program runs beside this one.
struct Thread {
    std::function<void()> body;
    DWORD id = 0;
    HANDLE handle = CreateThread(nullptr, 0, Run, this, 0, &id);
    static DWORD WINAPI Run(void* self) { return static_cast<Thread*>(self)->body(), 0; }
    // The thread may send this one messages on its way out, so they are dispatched meanwhile.
    bool Join(DWORD limitMs = 5000) { return PumpUntil([&] { return !WaitForSingleObject(handle, 0); }, limitMs); }
    // Ends a thread that runs a message loop; the open handle keeps its id from going to another.
    bool Quit() { return PostThreadMessageA(id, WM_QUIT, 0, 0), Join(); }
    ~Thread() { Quit(), CloseHandle(handle); }
};

// Clipboard viewers of other programs, joined before the history window and so after it in
// the chain: the watcher on this thread, for the whole run, whose notes tell that the history
// window has handled a change and passed it on, and where a test asks for one, the passer
// between them on a thread of its own, which lets the next changes in while it passes one on.
struct Viewer { HWND window, next; DWORD sequence; int count, depth, deepest; };
inline Viewer watcher, passer;

inline LRESULT CALLBACK ViewerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Viewer& v = hwnd == passer.window ? passer : watcher;
    if (msg == WM_CHANGECBCHAIN && HWND(wParam) == v.next) return v.next = HWND(lParam), 0;
    if (msg != WM_DRAWCLIPBOARD && msg != WM_CHANGECBCHAIN) return DefWindowProcA(hwnd, msg, wParam, lParam);
    if (msg == WM_DRAWCLIPBOARD) v.sequence = GetClipboardSequenceNumber(), v.count++;
    v.deepest = std::max(v.deepest, ++v.depth);
    if (v.next) SendMessageA(v.next, msg, wParam, lParam);
    return v.depth--, 0;
}

inline void JoinChain(Viewer& v) {
    WNDCLASSA wc = {0, ViewerProc, 0, 0, GetModuleHandleA(nullptr), nullptr, nullptr, nullptr, nullptr, "HoardiumViewer"};
    RegisterClassA(&wc);
    v = {CreateWindowExA(0, "HoardiumViewer", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr), nullptr, 0, 0, 0, 0};
    v.next = SetClipboardViewer(v.window);
}

// A movable global block holding `bytes` and their terminating zero.
inline HANDLE Block(const std::string& bytes) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size() + 1);
    memcpy(GlobalLock(block), bytes.c_str(), bytes.size() + 1);
    return GlobalUnlock(block), block;
}

inline std::string WindowText(HWND window) { static char text[1 << 16]; return GetWindowTextA(window, text, sizeof text), text; }

inline std::string ClipboardText() { std::string text; return GetClipboardText(&text), text; }

inline std::string Cell(int row, int column) {
    char text[512] = "";
    ListView_GetItemText(ListWindow(), row, column, text, sizeof text);
    return text;
}

// The text column of every row, space-separated.
inline std::string Texts() {
    std::string rows;
    for (int i = 0; i < ListRowCount(); i++) rows += (i ? " " : "") + Cell(i, 1);
    return rows;
}

// How a menu shows each of the commands `ids`, in it or its sub-menus: "g" greyed, "v"
// checked, "-" plain. The menu is destroyed.
inline std::string Marks(HMENU menu, std::initializer_list<int> ids) {
    std::string out;
    for (UINT id : ids) out += GetMenuState(menu, id, 0) & MF_GRAYED ? 'g' : GetMenuState(menu, id, 0) & MF_CHECKED ? 'v' : '-';
    return DestroyMenu(menu), out;
}

// Without a window manager, Wine waits two seconds at each hide for one to withdraw the
// window; a window it does not hand to a manager hides at once. Read when the display
// driver loads, so set before the first window.
inline const bool unmanaged = !RegSetKeyValueA(
    HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\shell_tests.exe\\X11 Driver", "Managed", REG_SZ, "N", 2);
// The watcher never leaves: the chain ends with it, and its window goes with the process.
inline const bool watching = (JoinChain(watcher), true);

class HistoryWindowTest : public ::testing::Test {
protected:
    void TearDown() override { if (window) Exit(); }
    // Without hotkeys, so that tests never hold the desktop's Ctrl+keypad combinations.
    void Start(const std::string& settings = "") {
        WriteFile(temp.File("Hoardium.ini"), "EnableHotkeys = 0\r\nLangID = 0\r\n" + settings);
        ASSERT_NE(window = StartUp(GetModuleHandleA(nullptr), temp.path()), nullptr);
    }
    void Exit() {
        Command(IDM_EXIT);
        MSG quit;
        EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the message loop would go on";
        ShutDown();
        UnregisterClassA(HISTORY_WINDOW_CLASS, GetModuleHandleA(nullptr));
        window = nullptr;
    }
    // Waits until the history window has handled the latest clipboard change and passed it on.
    void AwaitCapture() {
        DWORD sequence = GetClipboardSequenceNumber();
        ASSERT_TRUE(PumpUntil([=] { return watcher.sequence >= sequence; })) << "no clipboard notification";
    }
    void Put(const std::vector<std::pair<UINT, std::string>>& formats) {
        ASSERT_TRUE(OpenClipboard(nullptr) && EmptyClipboard());
        for (const auto& f : formats) SetClipboardData(f.first, Block(f.second));
        CloseClipboard();
        AwaitCapture();
    }
    void Copy(const std::string& text) { Put({{CF_TEXT, text}}); }
    void Command(int id) { SendMessageA(window, WM_COMMAND, id, 0); }
    void Request(int code) { SendMessageA(window, WM_HISTORY, 0, code); }
    void Hotkey(int id) { SendMessageA(window, WM_HOTKEY, id, 0); }
    void Ctrl(bool down) { keybd_event(VK_CONTROL, 0, down ? 0 : KEYEVENTF_KEYUP, 0); }
    // As the message loop delivers a key: the key, then the character made of it, if any;
    // letters as capitals, as with Caps Lock on.
    void Key(WPARAM key) {
        SendMessageA(ListWindow(), WM_KEYDOWN, key, 1);
        if (key <= VK_SPACE || key >= 'A') SendMessageA(ListWindow(), WM_CHAR, key, 1);
    }
    HWND Child(int id) { return GetDlgItem(window, id); }
    std::string Preview() { return WindowText(Child(IDC_PREVIEW)); }
    std::string DataFile(const std::string& name) { return temp.File("Hoardium.data\\" + name); }
    // How the list looks: a column's width, the fonts of the list, the pane and the count (face
    // and height in pixels, 96 dpi on the test display), the grid, and the view menu's ticks.
    std::string View(int column) {
        std::string out = std::to_string(SendMessageA(ListWindow(), LVM_GETCOLUMNWIDTH, column, 0));
        for (HWND w : {ListWindow(), Child(IDC_PREVIEW), Child(IDC_COUNT_LABEL)}) {
            LOGFONTA f;
            GetObjectA(HFONT(SendMessageA(w, WM_GETFONT, 0, 0)), sizeof f, &f);
            out += ", " + std::string(f.lfFaceName) + " " + std::to_string(f.lfHeight);
        }
        bool grid = SendMessageA(ListWindow(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_GRIDLINES;
        return out + (grid ? ", grid, " : ", ") + Marks(BuildViewMenu(), {IDM_TIMESTAMPS, IDM_GRID_LINES, IDM_MONO_FONT});
    }
    bool Saved(const std::string& line) { return ReadFile(temp.File("Hoardium.ini")).find(line + "\r\n") != std::string::npos; }
    // Every change is saved, the index holding what the history holds, and each row and the
    // count label show it.
    void ExpectInStep() {
        // A change's save comes on a later turn of the message loop.
        EXPECT_TRUE(PumpUntil([&] { return DirectoryNames(DataFile("__pending__")).empty(); }, 3000)) << "work left";
        EXPECT_EQ(StoredRows(), ListRows());
        ASSERT_EQ(ListRowCount(), int(HistoryCount()));
        EXPECT_EQ(WindowText(Child(IDC_COUNT_LABEL)), std::to_string(HistoryCount()));
        for (int i = 0; i < ListRowCount(); i++)
            EXPECT_EQ(Cell(i, 0) + "|" + Cell(i, 1), HistoryItemTimeText(i) + "|" + HistoryItemText(i)) << i;
    }

    TestDir temp;
    HWND window = nullptr;
};
