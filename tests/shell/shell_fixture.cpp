#include "tests/shell/shell_fixture.h"

#include <commctrl.h>

#include <filesystem>
#include <set>
#include <sstream>

#include "app/identifiers.h"
#include "app/startup.h"
#include "history/history_list.h"
#include "history/history_store.h"
#include "settings/paths.h"
#include "ui/list_view.h"

namespace fs = std::filesystem;

bool quitSeen;

namespace {

// A second clipboard viewer, joined before the history window. The history window
// passes each change on only after it has handled it, so what arrives here tells
// the tests that capture is done.
HWND watcher;
HWND watcherNext;
DWORD handledSequence;
int handledCount;

LRESULT CALLBACK WatcherProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_DRAWCLIPBOARD:
        handledSequence = GetClipboardSequenceNumber();
        handledCount++;
        if (watcherNext) SendMessageA(watcherNext, msg, wParam, lParam);
        return 0;
    case WM_CHANGECBCHAIN:
        if (HWND(wParam) == watcherNext) watcherNext = HWND(lParam);
        else if (watcherNext) SendMessageA(watcherNext, msg, wParam, lParam);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
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

std::string ReadBytes(const std::string& path) {
    std::string bytes;
    ReadWholeFile(path, &bytes);
    return bytes;
}

std::string WindowText(HWND window) {
    char text[1024] = "";
    GetWindowTextA(window, text, sizeof text);
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

void HistoryWindowTest::SetUp() {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    dir = JoinPath(temp, "hoardium-shell-" + std::to_string(GetTickCount()) + "-" +
                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    WNDCLASSA wc = {0, WatcherProc, 0, 0, GetModuleHandleA(nullptr), nullptr, nullptr, nullptr, nullptr,
                    "HoardiumTestWatcher"};
    RegisterClassA(&wc);
    watcher = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance,
                              nullptr);
    watcherNext = SetClipboardViewer(watcher);
}

void HistoryWindowTest::Start(const std::string& settings) {
    std::string lines = "EnableHotkeys = 0\r\nLangID = 0\r\n" + settings;
    ASSERT_TRUE(WriteFileAtomically(JoinPath(dir, "Hoardium.ini"), lines));
    SeedRandom();
    window = StartUp(GetModuleHandleA(nullptr), dir);
    ASSERT_NE(window, nullptr);
}

void HistoryWindowTest::TearDown() {
    if (window) {
        quitSeen = false;
        Command(IDM_EXIT);
        EXPECT_TRUE(PumpUntil([] { return quitSeen; }));
        ShutDown();
        UnregisterClassA(HISTORY_WINDOW_CLASS, GetModuleHandleA(nullptr));
    }
    ChangeClipboardChain(watcher, watcherNext);
    DestroyWindow(watcher);
    std::error_code ec;
    fs::remove_all(dir, ec);
}

int HistoryWindowTest::HandledCount() { return handledCount; }

void HistoryWindowTest::AwaitCapture() {
    DWORD sequence = GetClipboardSequenceNumber();
    ASSERT_NE(sequence, 0u);
    ASSERT_TRUE(PumpUntil([=] { return handledSequence >= sequence; })) << "no clipboard notification";
}

void HistoryWindowTest::Copy(const std::string& text) {
    PutOnClipboard({{CF_TEXT, Block(text)}});
    AwaitCapture();
}

std::string HistoryWindowTest::DataFile(const std::string& name) {
    return JoinPath(JoinPath(dir, "Hoardium.data"), name);
}

std::string HistoryWindowTest::SettingsText() { return ReadBytes(JoinPath(dir, "Hoardium.ini")); }

int HistoryWindowTest::ItemFileCount() {
    int n = 0;
    for (const auto& entry : fs::directory_iterator(JoinPath(dir, "Hoardium.data")))
        n += entry.path().filename() != "__reg__" && entry.path().filename() != "__pending__";
    return n;
}

void HistoryWindowTest::ExpectRowsMatchHistory() {
    ASSERT_EQ(ListRowCount(), int(HistoryCount()));
    for (unsigned i = 0; i < HistoryCount(); i++) {
        EXPECT_EQ(Cell(int(i), 1), HistoryItemText(i)) << "row " << i;
        EXPECT_EQ(Cell(int(i), 0), HistoryItemTimeText(i)) << "row " << i;
    }
    EXPECT_EQ(WindowText(Child(IDC_COUNT_LABEL)), std::to_string(HistoryCount()));
}

void HistoryWindowTest::ExpectStoreMatchesRows() {
    // A change's save comes on the next turn of the message loop.
    PumpUntil([] { return true; });
    ExpectRowsMatchHistory();
    HistoryItems items;
    ASSERT_TRUE(LoadIndex(&items));
    ASSERT_EQ(int(items.size()), ListRowCount());
    for (size_t row = 0; row < items.size(); row++) {
        EXPECT_EQ(items[row].hash, TextHash(ReadBytes(DataFile(items[row].fileName)).c_str())) << "record " << row;
        EXPECT_EQ(items[row].displayText, Cell(int(row), 1)) << "record " << row;
    }
    EXPECT_EQ(ItemFileCount(), int(items.size())) << "item files that no record names";
    EXPECT_TRUE(fs::is_empty(DataFile("__pending__"))) << "the store left work undone";
}

void HistoryWindowTest::ExpectRect(int id, RECT expected) {
    RECT r;
    GetWindowRect(Child(id), &r);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
    auto text = [](RECT x) {
        return std::to_string(x.left) + " " + std::to_string(x.top) + " " + std::to_string(x.right) + " " +
               std::to_string(x.bottom);
    };
    EXPECT_EQ(text(r), text(expected)) << "control " << id;
}
