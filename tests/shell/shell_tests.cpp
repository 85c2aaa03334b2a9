// The running program in this process: the real history window, made by the program's
// own start-up code over a temporary folder, driven by messages and the real clipboard.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "app/identifiers.h"
#include "app/startup.h"
#include "history/clipboard.h"
#include "history/history_list.h"
#include "history/history_store.h"
#include "settings/paths.h"
#include "ui/list_view.h"

namespace fs = std::filesystem;

namespace {

const char Title[] = "Hoardium 0.2.2";

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

bool quitSeen;

// Dispatches this thread's messages until `done` holds or the time is up.
bool PumpUntil(const std::function<bool()>& done, DWORD limitMs = 4000) {
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

class HistoryWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
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

    // Without hotkeys, so that tests never hold the desktop's Ctrl+keypad combinations.
    void Start(const std::string& settings = "") {
        std::string lines = "EnableHotkeys = 0\r\nLangID = 0\r\n" + settings;
        ASSERT_TRUE(WriteFileAtomically(JoinPath(dir, "Hoardium.ini"), lines));
        SeedRandom();
        window = StartUp(GetModuleHandleA(nullptr), dir);
        ASSERT_NE(window, nullptr);
    }

    void TearDown() override {
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

    // Waits until the history window has handled the latest clipboard change.
    void AwaitCapture() {
        DWORD sequence = GetClipboardSequenceNumber();
        ASSERT_NE(sequence, 0u);
        ASSERT_TRUE(PumpUntil([=] { return handledSequence >= sequence; })) << "no clipboard notification";
    }

    void Copy(const std::string& text) {
        PutOnClipboard({{CF_TEXT, Block(text)}});
        AwaitCapture();
    }

    void Command(int id) { SendMessageA(window, WM_COMMAND, id, 0); }

    HWND Child(int id) { return GetDlgItem(window, id); }

    std::string DataFile(const std::string& name) { return JoinPath(JoinPath(dir, "Hoardium.data"), name); }

    int ItemFileCount() {
        int n = 0;
        for (const auto& entry : fs::directory_iterator(JoinPath(dir, "Hoardium.data")))
            if (entry.path().filename() != "__reg__") n++;
        return n;
    }

    // Row i shows item i, and the label counts them.
    void ExpectRowsMatchHistory() {
        ASSERT_EQ(ListRowCount(), int(HistoryCount()));
        for (unsigned i = 0; i < HistoryCount(); i++) {
            EXPECT_EQ(Cell(int(i), 1), HistoryItemText(i)) << "row " << i;
            EXPECT_EQ(Cell(int(i), 0), HistoryItemTimeText(i)) << "row " << i;
        }
        EXPECT_EQ(WindowText(Child(IDC_COUNT_LABEL)), std::to_string(HistoryCount()));
    }

    // Compared in the window's client coordinates, as "left top right bottom".
    void ExpectRect(int id, RECT expected) {
        RECT r;
        GetWindowRect(Child(id), &r);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
        auto text = [](RECT x) {
            return std::to_string(x.left) + " " + std::to_string(x.top) + " " + std::to_string(x.right) + " " +
                   std::to_string(x.bottom);
        };
        EXPECT_EQ(text(r), text(expected)) << "control " << id;
    }

    std::string dir;
    HWND window = nullptr;
};

TEST_F(HistoryWindowTest, NewTextBecomesFrontItemWithItsFileAndIndexRecord) {
    Start();
    Copy("first");
    Copy("a\r\nb");
    ASSERT_EQ(HistoryCount(), 2u);
    EXPECT_EQ(HistoryItemText(0), "a \xB6 b");
    ExpectRowsMatchHistory();

    // The index starts with the newest record: "<file> <hash> <time>", then its display text.
    std::istringstream index(ReadBytes(DataFile("__reg__")));
    std::string name, hash, time, display;
    index >> name >> hash >> time;
    index.ignore(2);
    std::getline(index, display);
    EXPECT_EQ(hash, std::to_string(TextHash("a\r\nb")));
    EXPECT_EQ(display, "a \xB6 b\r");
    EXPECT_EQ(ReadBytes(DataFile(name)), "a\r\nb");
    EXPECT_EQ(ItemFileCount(), 2);

    // An older text copied again moves up and keeps its file.
    Copy("first");
    EXPECT_EQ(HistoryCount(), 2u);
    EXPECT_EQ(Cell(0, 1), "first");
    EXPECT_EQ(Cell(1, 1), "a \xB6 b");
    EXPECT_EQ(ItemFileCount(), 2);
    ExpectRowsMatchHistory();

    // The newest text copied again changes nothing at all, not even the stored time.
    std::string before = ReadBytes(DataFile("__reg__"));
    Copy("first");
    EXPECT_EQ(ReadBytes(DataFile("__reg__")), before);
    EXPECT_EQ(ListRowCount(), 2);
}

TEST_F(HistoryWindowTest, TextOnTheClipboardAtStartIsNotCaptured) {
    PutOnClipboard({{CF_TEXT, Block("there before")}});
    int passedOn = handledCount;
    Start();
    EXPECT_EQ(ListRowCount(), 0);
    EXPECT_EQ(WindowText(Child(IDC_COUNT_LABEL)), "0");
    // Changes are handled in order, so once this one is in, the join has been dealt with.
    Copy("marker");
    ASSERT_EQ(HistoryCount(), 1u);
    EXPECT_EQ(HistoryItemText(0), "marker");
    EXPECT_EQ(handledCount, passedOn + 1) << "the join was passed on to the next viewer";

    // The same text set again is an ordinary change.
    Copy("there before");
    ASSERT_EQ(HistoryCount(), 2u);
    EXPECT_EQ(Cell(0, 1), "there before");
}

TEST_F(HistoryWindowTest, ClipboardWithoutCapturableTextAddsNothing) {
    Start();
    Copy("text");
    // An image only; the system offers it as a bitmap and a device-independent bitmap.
    PutOnClipboard({{CF_BITMAP, CreateBitmap(4, 4, 1, 32, nullptr)}});
    AwaitCapture();
    // A writer that asks to be left out of histories, such as a password manager.
    UINT exclude = RegisterClipboardFormatA("ExcludeClipboardContentFromMonitorProcessing");
    PutOnClipboard({{CF_TEXT, Block("secret")}, {exclude, Block("")}});
    AwaitCapture();
    Command(IDM_CLEAR_CLIPBOARD);
    AwaitCapture();
    std::string text;
    EXPECT_FALSE(GetClipboardText(&text));

    ASSERT_EQ(HistoryCount(), 1u);
    EXPECT_EQ(HistoryItemText(0), "text");
    ExpectRowsMatchHistory();
}

TEST_F(HistoryWindowTest, PauseStopsCaptureButTheProgramsOwnCopyStillShows) {
    Start();
    for (const char* t : {"one", "two", "three"}) Copy(t);

    Command(IDM_PAUSE);
    EXPECT_EQ(WindowText(window), std::string("PAUSED  \xB7  ") + Title);
    EXPECT_NE(ReadBytes(JoinPath(dir, "Hoardium.ini")).find("PauseState = 1\r\n"), std::string::npos);
    Copy("while paused");
    EXPECT_EQ(HistoryCount(), 3u);

    ListSelectRow(2);
    Command(IDC_TB_COPY);
    AwaitCapture();
    std::string text;
    ASSERT_TRUE(GetClipboardText(&text));
    EXPECT_EQ(text, "one");
    EXPECT_EQ(HistoryCount(), 3u);
    EXPECT_EQ(Cell(0, 1), "one");
    EXPECT_EQ(ListSelectedRow(), 0);
    ExpectRowsMatchHistory();

    Command(IDM_PAUSE);
    EXPECT_EQ(WindowText(window), Title);
    EXPECT_NE(ReadBytes(JoinPath(dir, "Hoardium.ini")).find("PauseState = 0\r\n"), std::string::npos);
    Copy("after");
    EXPECT_EQ(HistoryCount(), 4u);
    EXPECT_EQ(Cell(0, 1), "after");
}

TEST_F(HistoryWindowTest, RowsFollowTheHistoryThroughEveryChange) {
    Start("Timestamps = 1\r\n");
    for (const char* t : {"a", "b", "c", "d", "e", "f"}) Copy(t);
    ExpectRowsMatchHistory();
    Copy("c");
    ExpectRowsMatchHistory();
    // Each command acts on the selected row.
    const struct {
        int row, command;
        unsigned countAfter;
    } steps[] = {{3, IDC_TB_DELETE, 5}, {1, IDC_TB_COPY, 5}, {2, IDM_ITEM_DELETE_OLDER, 3},
                 {1, IDM_ITEM_DELETE_NEWER, 2}};
    for (const auto& step : steps) {
        ListSelectRow(step.row);
        Command(step.command);
        if (step.command == IDC_TB_COPY) AwaitCapture();
        EXPECT_EQ(HistoryCount(), step.countAfter) << "command " << step.command;
        ExpectRowsMatchHistory();
    }
    Copy("g");
    ExpectRowsMatchHistory();
    Command(IDM_DELETE_ALL);
    EXPECT_EQ(ItemFileCount(), 0);
    ExpectRowsMatchHistory();
}

TEST_F(HistoryWindowTest, MaxItemsKeepsTheNewestRows) {
    Start("MaxItems = 3\r\n");
    for (const char* t : {"1", "2", "3", "4", "5"}) Copy(t);
    ASSERT_EQ(ListRowCount(), 3);
    EXPECT_EQ(Cell(0, 1), "5");
    EXPECT_EQ(Cell(2, 1), "3");
    EXPECT_EQ(ItemFileCount(), 3);
}

TEST_F(HistoryWindowTest, PreviewShowsEveryLineBreakAsOneCrLf) {
    Start();
    Copy("one\ntwo\r\r\nthree\r\nfour");
    Copy("other");
    // Selecting fills the pane even while it is closed.
    ListSelectRow(1);
    HWND pane = Child(IDC_PREVIEW);
    ASSERT_TRUE(PumpUntil([&] { return !WindowText(pane).empty(); }));
    EXPECT_EQ(WindowText(pane), "one\r\ntwo\r\nthree\r\nfour");
}

TEST_F(HistoryWindowTest, LayoutOfToolbarListAndPreview) {
    Start();
    RECT client, outer = {0, 0, 320, 300};
    AdjustWindowRectEx(&outer, GetWindowLongA(window, GWL_STYLE), FALSE, 0);
    SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    GetClientRect(window, &client);
    ASSERT_EQ(client.right, 320);
    ASSERT_EQ(client.bottom, 300);

    Command(IDC_TB_PREVIEW);
    ExpectRect(IDC_HISTORY_LIST, {0, 23, 320, 23 + 143});
    ExpectRect(IDC_PREVIEW, {2, 170, 320, 300});
    ExpectRect(IDC_TB_OPTIONS, {320 - 32, 4, 320 - 16, 20});
    ExpectRect(IDC_COUNT_LABEL, {69, 4, 109, 20});

    // Without the toolbar the list starts at the top.
    SendMessageA(window, WM_HISTORY, 0, ReqToggleToolbar);
    ExpectRect(IDC_HISTORY_LIST, {0, 0, 320, 166});
    EXPECT_FALSE(IsWindowVisible(Child(IDC_TB_COPY)));
    Command(IDC_TB_PREVIEW);
    ExpectRect(IDC_HISTORY_LIST, {0, 0, 320, 300});

    // The sizing border stops at the minimum tracking size.
    SetWindowPos(window, nullptr, 0, 0, 100, 100, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    GetWindowRect(window, &outer);
    EXPECT_EQ(outer.right - outer.left, 280);
    EXPECT_EQ(outer.bottom - outer.top, 200);
}

TEST_F(HistoryWindowTest, ToolbarClosedInSettingsStartsTheListAtTheTop) {
    Start("ToolbarOpen = 0\r\n");
    RECT client;
    GetClientRect(window, &client);
    ExpectRect(IDC_HISTORY_LIST, {0, 0, client.right, client.bottom});
    EXPECT_FALSE(IsWindowVisible(Child(IDC_COUNT_LABEL)));
}

}  // namespace
