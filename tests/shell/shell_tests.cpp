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
        if (HWND(wParam) == watcherNext) {
            watcherNext = HWND(lParam);
        } else if (watcherNext) {
            SendMessageA(watcherNext, msg, wParam, lParam);
        }
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
    char* p = static_cast<char*>(GlobalLock(block));
    memcpy(p, bytes.c_str(), bytes.size() + 1);
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
        WNDCLASSA wc = {};
        wc.lpfnWndProc = WatcherProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "HoardiumTestWatcher";
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
            SendMessageA(window, WM_COMMAND, IDM_EXIT, 0);
            EXPECT_TRUE(PumpUntil([] { return quitSeen; }));
            EXPECT_FALSE(IsWindow(window));
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

    RECT ChildRect(int id) {
        RECT r;
        GetWindowRect(Child(id), &r);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
        return r;
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
    std::string name, hash, time, rest;
    index >> name >> hash >> time;
    std::getline(index, rest);
    EXPECT_EQ(rest, "\r");
    std::getline(index, rest);
    EXPECT_EQ(rest, "a \xB6 b\r");
    EXPECT_EQ(name.size(), 8u);
    EXPECT_EQ(hash, std::to_string(TextHash("a\r\nb")));
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
    HBITMAP bitmap = CreateBitmap(4, 4, 1, 32, nullptr);
    PutOnClipboard({{CF_BITMAP, bitmap}});
    AwaitCapture();
    BITMAPINFOHEADER dib = {sizeof dib, 2, 2, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    PutOnClipboard({{CF_DIB, Block(std::string(reinterpret_cast<char*>(&dib), sizeof dib) + std::string(16, 'x'))}});
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
    ListSelectRow(3);
    Command(IDC_TB_DELETE);
    EXPECT_EQ(HistoryCount(), 5u);
    EXPECT_EQ(ListSelectedRow(), 3);
    ExpectRowsMatchHistory();
    ListSelectRow(1);
    Command(IDC_TB_COPY);
    AwaitCapture();
    ExpectRowsMatchHistory();
    ListSelectRow(2);
    Command(IDM_ITEM_DELETE_OLDER);
    EXPECT_EQ(HistoryCount(), 3u);
    ExpectRowsMatchHistory();
    ListSelectRow(1);
    Command(IDM_ITEM_DELETE_NEWER);
    EXPECT_EQ(HistoryCount(), 2u);
    ExpectRowsMatchHistory();
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
    ExpectRowsMatchHistory();
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
    RECT outer, client;
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    int frameW = (outer.right - outer.left) - client.right;
    int frameH = (outer.bottom - outer.top) - client.bottom;
    SetWindowPos(window, nullptr, 0, 0, 320 + frameW, 300 + frameH, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    GetClientRect(window, &client);
    ASSERT_EQ(client.bottom, 300);
    ASSERT_EQ(client.right, 320);

    Command(IDC_TB_PREVIEW);
    RECT list = ChildRect(IDC_HISTORY_LIST), pane = ChildRect(IDC_PREVIEW);
    EXPECT_EQ(list.left, 0);
    EXPECT_EQ(list.top, 23);
    EXPECT_EQ(list.right, 320);
    EXPECT_EQ(list.bottom - list.top, 143);
    EXPECT_EQ(pane.left, 2);
    EXPECT_EQ(pane.top, 170);
    EXPECT_EQ(pane.right, 320);
    EXPECT_EQ(pane.bottom, 300);
    EXPECT_TRUE(IsWindowVisible(Child(IDC_PREVIEW)) || !IsWindowVisible(window));
    RECT options = ChildRect(IDC_TB_OPTIONS), count = ChildRect(IDC_COUNT_LABEL);
    EXPECT_EQ(options.left, 320 - 32);
    EXPECT_EQ(options.top, 4);
    EXPECT_EQ(count.left, 69);
    EXPECT_EQ(count.right - count.left, 40);

    // Without the toolbar the list starts at the top.
    SendMessageA(window, WM_HISTORY, 0, ReqToggleToolbar);
    list = ChildRect(IDC_HISTORY_LIST);
    EXPECT_EQ(list.top, 0);
    EXPECT_EQ(list.bottom, 166);
    EXPECT_FALSE(IsWindowVisible(Child(IDC_TB_COPY)));
    Command(IDC_TB_PREVIEW);
    list = ChildRect(IDC_HISTORY_LIST);
    EXPECT_EQ(list.bottom, 300);

    MINMAXINFO info = {};
    SendMessageA(window, WM_GETMINMAXINFO, 0, LPARAM(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, 280);
    EXPECT_EQ(info.ptMinTrackSize.y, 200);
}

TEST_F(HistoryWindowTest, ToolbarClosedInSettingsStartsTheListAtTheTop) {
    Start("ToolbarOpen = 0\r\n");
    EXPECT_EQ(ChildRect(IDC_HISTORY_LIST).top, 0);
    EXPECT_FALSE(IsWindowVisible(Child(IDC_COUNT_LABEL)));
}

TEST(ClipboardText, EmptyTextLeavesTheClipboardAlone) {
    ASSERT_EQ(SetClipboardText("kept"), 1);
    EXPECT_EQ(SetClipboardText(""), 0);
    std::string text;
    ASSERT_TRUE(GetClipboardText(&text));
    EXPECT_EQ(text, "kept");
    ClearClipboard();
    EXPECT_FALSE(GetClipboardText(&text));
}

}  // namespace
