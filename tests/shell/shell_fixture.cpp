#include "tests/shell/shell_fixture.h"

#include <commctrl.h>

#include <algorithm>

#include "app/identifiers.h"
#include "app/startup.h"
#include "history/clipboard.h"
#include "history/history_list.h"
#include "history/history_store.h"
#include "settings/paths.h"
#include "ui/list_view.h"

bool quitSeen;

namespace {

// A second clipboard viewer, joined before the history window. The history window
// passes each change on only after it has handled it, so what arrives here tells
// the tests that capture is done.
HWND watcher, watcherNext;
DWORD handledSequence;
int handledCount;

LRESULT CALLBACK WatcherProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DRAWCLIPBOARD) {
        handledSequence = GetClipboardSequenceNumber();
        handledCount++;
    } else if (msg == WM_CHANGECBCHAIN && HWND(wParam) == watcherNext) {
        watcherNext = HWND(lParam);
        return 0;
    } else if (msg != WM_CHANGECBCHAIN) {
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
    if (watcherNext) SendMessageA(watcherNext, msg, wParam, lParam);
    return 0;
}

}  // namespace

bool PumpUntil(const std::function<bool()>& done, DWORD limitMs) {
    DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) quitSeen = true;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (done()) return true;
        if (GetTickCount() - start >= limitMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

void PutOnClipboard(const std::vector<std::pair<UINT, HANDLE>>& formats) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    for (const auto& f : formats) SetClipboardData(f.first, f.second);
    CloseClipboard();
}

HANDLE Block(const std::string& bytes) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size() + 1);
    memcpy(GlobalLock(block), bytes.c_str(), bytes.size() + 1);
    GlobalUnlock(block);
    return block;
}

std::string WindowText(HWND window) {
    char text[1024] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string ClipboardText() {
    std::string text;
    GetClipboardText(&text);
    return text;
}

std::string Cell(int row, int column) {
    char text[512] = "";
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(ListWindow(), LVM_GETITEMTEXTA, row, LPARAM(&item));
    return text;
}

std::string Texts() {
    std::string rows;
    for (int i = 0; i < ListRowCount(); i++) rows += (i ? " " : "") + Cell(i, 1);
    return rows;
}

std::string Shown(HMENU menu, bool labels, bool destroy) {
    std::string out;
    for (int k = 0; k < GetMenuItemCount(menu); k++) {
        char label[256] = "";
        MENUITEMINFOA info = {sizeof info, MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING};
        info.dwTypeData = label;
        info.cch = sizeof label;
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

void HistoryWindowTest::SetUp() {
    WNDCLASSA wc = {0, WatcherProc, 0, 0, GetModuleHandleA(nullptr), nullptr, nullptr, nullptr, nullptr,
                    "HoardiumTestWatcher"};
    RegisterClassA(&wc);
    watcher = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    watcherNext = SetClipboardViewer(watcher);
}

void HistoryWindowTest::Start(const std::string& settings) {
    WriteFile(JoinPath(dir, "Hoardium.ini"), "EnableHotkeys = 0\r\nLangID = 0\r\n" + settings);
    SeedRandom();
    window = StartUp(GetModuleHandleA(nullptr), dir);
    ASSERT_NE(window, nullptr);
}

void HistoryWindowTest::Exit() {
    quitSeen = false;
    Command(IDM_EXIT);
    EXPECT_TRUE(PumpUntil([] { return quitSeen; }));
    ShutDown();
    UnregisterClassA(HISTORY_WINDOW_CLASS, GetModuleHandleA(nullptr));
    window = nullptr;
}

void HistoryWindowTest::TearDown() {
    if (window) Exit();
    ChangeClipboardChain(watcher, watcherNext);
    DestroyWindow(watcher);
}

int HistoryWindowTest::HandledCount() { return handledCount; }

void HistoryWindowTest::AwaitCapture() {
    DWORD sequence = GetClipboardSequenceNumber();
    ASSERT_TRUE(PumpUntil([=] { return handledSequence >= sequence; })) << "no clipboard notification";
}

void HistoryWindowTest::Copy(const std::string& text) {
    PutOnClipboard({{CF_TEXT, Block(text)}});
    AwaitCapture();
}

// As the message loop delivers a key: the key, then the character made of it.
void HistoryWindowTest::Key(WPARAM key) {
    SendMessageA(ListWindow(), WM_KEYDOWN, key, 1);
    if (key != VK_DELETE) SendMessageA(ListWindow(), WM_CHAR, key >= 'A' && key <= 'Z' ? key | 0x20 : key, 1);
}

std::string HistoryWindowTest::DataFile(const std::string& name) {
    return JoinPath(JoinPath(dir, "Hoardium.data"), name);
}

std::string HistoryWindowTest::ItemFile(int row) {
    HistoryItems items;
    EXPECT_TRUE(LoadIndex(&items));
    return int(items.size()) > row ? DataFile(items[row].fileName) : "";
}

bool HistoryWindowTest::Saved(const std::string& line) {
    return ReadFile(JoinPath(dir, "Hoardium.ini")).find(line + "\r\n") != std::string::npos;
}

void HistoryWindowTest::ExpectInStep() {
    // A change's save comes on a later turn of the message loop.
    std::string pending = DataFile("__pending__");
    PumpUntil([&] { return DirectoryNames(pending).empty(); }, 3000);
    ASSERT_EQ(ListRowCount(), int(HistoryCount()));
    EXPECT_EQ(WindowText(Child(IDC_COUNT_LABEL)), std::to_string(HistoryCount()));
    HistoryItems items;
    ASSERT_TRUE(LoadIndex(&items));
    ASSERT_EQ(items.size(), HistoryCount());
    for (unsigned i = 0; i < items.size(); i++) {
        EXPECT_EQ(Cell(i, 0) + "|" + Cell(i, 1), HistoryItemTimeText(i) + "|" + HistoryItemText(i)) << i;
        EXPECT_EQ(items[i].displayText, HistoryItemText(i)) << i;
        EXPECT_EQ(items[i].hash, TextHash(ReadFile(DataFile(items[i].fileName)).c_str())) << i;
    }
    std::vector<std::string> names = DirectoryNames(DataFile(""));
    EXPECT_EQ(names.size() - std::count(names.begin(), names.end(), "__reg__") -
                  std::count(names.begin(), names.end(), "__pending__/"), items.size()) << "item files that no record names";
    EXPECT_TRUE(DirectoryNames(pending).empty()) << "the store left work undone";
}
