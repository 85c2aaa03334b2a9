// The running program in this process: the real history window, made by the program's
// own start-up code over a temporary folder, driven by messages and the real clipboard.
#pragma once
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>

#include "app/identifiers.h"
#include "app/startup.h"
#include "history/clipboard.h"
#include "history/history_list.h"
#include "history/history_store.h"
#include "settings/paths.h"
#include "tests/core/test_dir.h"
#include "ui/list_view.h"

// Set when a pump sees the quit message that the Exit command posts.
inline bool quitSeen;
// A second clipboard viewer joined before the history window, which passes each change on
// only after it has handled it: what arrives here tells that capture is done.
inline HWND watcher, watcherNext;
inline DWORD handledSequence;
inline int handledCount;

inline LRESULT CALLBACK WatcherProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DRAWCLIPBOARD) handledSequence = GetClipboardSequenceNumber(), handledCount++;
    else if (msg != WM_CHANGECBCHAIN) return DefWindowProcA(hwnd, msg, wParam, lParam);
    else if (HWND(wParam) == watcherNext) return watcherNext = HWND(lParam), 0;
    if (watcherNext) SendMessageA(watcherNext, msg, wParam, lParam);
    return 0;
}

// Dispatches this thread's messages until `done` holds or the time is up.
inline bool PumpUntil(const std::function<bool()>& done, DWORD limitMs = 4000) {
    for (DWORD start = GetTickCount();; MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT)) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            quitSeen |= msg.message == WM_QUIT;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (done()) return true;
        if (GetTickCount() - start >= limitMs) return false;
    }
}

// A movable global block holding `bytes` and their terminating zero.
inline HANDLE Block(const std::string& bytes) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size() + 1);
    memcpy(GlobalLock(block), bytes.c_str(), bytes.size() + 1);
    GlobalUnlock(block);
    return block;
}

inline std::string WindowText(HWND window) {
    std::string text(GetWindowTextLengthA(window) + 1, '\0');
    text.resize(GetWindowTextA(window, &text[0], int(text.size())));
    return text;
}

inline std::string ClipboardText() {
    std::string text;
    return GetClipboardText(&text), text;
}

inline std::string Cell(int row, int column) {
    char text[512] = "";
    LVITEMA item = {};
    item.iSubItem = column, item.pszText = text, item.cchTextMax = sizeof text;
    SendMessageA(ListWindow(), LVM_GETITEMTEXTA, row, LPARAM(&item));
    return text;
}

// The text column of every row, space-separated.
inline std::string Texts() {
    std::string rows;
    for (int i = 0; i < ListRowCount(); i++) rows += (i ? " " : "") + Cell(i, 1);
    return rows;
}

// A menu as one line: "id" ("Label=id" with labels), a sub-menu as "{...}", "-" for a
// separator, " grey" and " check" where they apply; the menu is destroyed.
inline std::string Shown(HMENU menu, bool labels = false, bool destroy = true) {
    std::string out;
    for (int k = 0; k < GetMenuItemCount(menu); k++) {
        char label[256] = "";
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info, info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
        info.dwTypeData = label, info.cch = sizeof label;
        GetMenuItemInfoA(menu, k, TRUE, &info);
        out += std::string(k ? " | " : "") + (labels ? label : "");
        if (info.fType & MFT_SEPARATOR) {
            out += "-";
            continue;
        }
        if (info.hSubMenu) out += "{" + Shown(info.hSubMenu, labels, false) + "}";
        else out += (labels ? "=" : "") + std::to_string(info.wID);
        if (info.fState & MFS_GRAYED) out += " grey";
        if (info.fState & MFS_CHECKED) out += " check";
    }
    if (destroy) DestroyMenu(menu);
    return out;
}

// Without a window manager, Wine waits two seconds at each hide for one to withdraw the
// window; a window it does not hand to a manager hides at once. Read when the display
// driver loads, so set before the first window.
inline const bool unmanaged = !RegSetKeyValueA(
    HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\shell_tests.exe\\X11 Driver", "Managed", REG_SZ, "N", 2);

class HistoryWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = WatcherProc, wc.hInstance = GetModuleHandleA(nullptr), wc.lpszClassName = "HoardiumWatcher";
        RegisterClassA(&wc);
        watcher = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        watcherNext = SetClipboardViewer(watcher);
    }
    void TearDown() override {
        if (window) Exit();
        ChangeClipboardChain(watcher, watcherNext);
        DestroyWindow(watcher);
    }
    // Without hotkeys, so that tests never hold the desktop's Ctrl+keypad combinations.
    void Start(const std::string& settings = "") {
        WriteFile(JoinPath(dir, "Hoardium.ini"), "EnableHotkeys = 0\r\nLangID = 0\r\n" + settings);
        SeedRandom();
        window = StartUp(GetModuleHandleA(nullptr), dir);
        ASSERT_NE(window, nullptr);
    }
    void Exit() {
        quitSeen = false;
        Command(IDM_EXIT);
        EXPECT_TRUE(PumpUntil([] { return quitSeen; }));
        ShutDown();
        UnregisterClassA(HISTORY_WINDOW_CLASS, GetModuleHandleA(nullptr));
        window = nullptr;
    }
    // Waits until the history window has handled the latest clipboard change.
    void AwaitCapture() {
        DWORD sequence = GetClipboardSequenceNumber();
        ASSERT_TRUE(PumpUntil([=] { return handledSequence >= sequence; })) << "no clipboard notification";
    }
    void Put(const std::vector<std::pair<UINT, HANDLE>>& formats) {
        ASSERT_TRUE(OpenClipboard(nullptr));
        EmptyClipboard();
        for (const auto& f : formats) SetClipboardData(f.first, f.second);
        CloseClipboard();
        AwaitCapture();
    }
    void Copy(const std::string& text) { Put({{CF_TEXT, Block(text)}}); }
    void Command(int id) { SendMessageA(window, WM_COMMAND, id, 0); }
    void Request(int code, WPARAM arg = 0) { SendMessageA(window, WM_HISTORY, arg, code); }
    void Hotkey(int id) { SendMessageA(window, WM_HOTKEY, id, 0); }
    void WithCtrl(const std::function<void()>& act) {
        keybd_event(VK_CONTROL, 0, 0, 0);
        act();
        keybd_event(VK_CONTROL, 0, KEYEVENTF_KEYUP, 0);
    }
    // As the message loop delivers a key: the key, then the character made of it.
    void Key(WPARAM key) {
        SendMessageA(ListWindow(), WM_KEYDOWN, key, 1);
        if (key != VK_DELETE) SendMessageA(ListWindow(), WM_CHAR, key >= 'A' && key <= 'Z' ? key | 0x20 : key, 1);
    }
    HWND Child(int id) { return GetDlgItem(window, id); }
    std::string DataFile(const std::string& name) { return JoinPath(JoinPath(dir, "Hoardium.data"), name); }
    // The item file that the index names for `row`.
    std::string ItemFile(int row) {
        HistoryItems items;
        EXPECT_TRUE(LoadIndex(&items));
        return int(items.size()) > row ? DataFile(items[row].fileName) : "";
    }
    bool Saved(const std::string& line) {
        return ReadFile(JoinPath(dir, "Hoardium.ini")).find(line + "\r\n") != std::string::npos;
    }
    // Row i shows item i, the label counts them, and the index names one item file per
    // row holding its text, with no other file and no work left undone.
    void ExpectInStep() {
        std::string pending = DataFile("__pending__");
        // A change's save comes on a later turn of the message loop.
        EXPECT_TRUE(PumpUntil([&] { return DirectoryNames(pending).empty(); }, 3000)) << "the store left work undone";
        ASSERT_EQ(ListRowCount(), int(HistoryCount()));
        EXPECT_EQ(WindowText(Child(IDC_COUNT_LABEL)), std::to_string(HistoryCount()));
        HistoryItems items;
        ASSERT_TRUE(LoadIndex(&items));
        ASSERT_EQ(items.size(), HistoryCount());
        for (unsigned i = 0; i < items.size(); i++) {
            EXPECT_EQ(Cell(i, 0) + "|" + Cell(i, 1), HistoryItemTimeText(i) + "|" + HistoryItemText(i)) << i;
            EXPECT_EQ(items[i].displayText.str(), HistoryItemText(i)) << i;
            EXPECT_EQ(items[i].hash, TextHash(ReadFile(DataFile(items[i].fileName)).c_str())) << i;
        }
        std::vector<std::string> names = DirectoryNames(DataFile(""));
        EXPECT_EQ(names.size() - std::count(names.begin(), names.end(), "__reg__") -
                      std::count(names.begin(), names.end(), "__pending__/"), items.size()) << "files no record names";
    }

    TestDir temp;
    std::string dir = temp.path();
    HWND window = nullptr;
};
