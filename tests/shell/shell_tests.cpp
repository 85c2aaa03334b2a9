// Capture, start-up, pause, the rows against the history, the preview and the layout.
#include <algorithm>
#include <set>
#include <sstream>
#include <string>

#include "app/identifiers.h"
#include "history/clipboard.h"
#include "history/history_list.h"
#include "settings/paths.h"
#include "tests/shell/shell_fixture.h"
#include "ui/layout.h"
#include "ui/list_view.h"

namespace {

const char Title[] = "Hoardium 0.2.2";

// Another program that writes a text and keeps the clipboard open after it, as one that
// echoes each copy elsewhere does; it writes `replacement`, if any, before it lets go.
struct Holder {
    std::string text, replacement;
    DWORD holdMs;
    HANDLE holding = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
};

DWORD WINAPI HoldClipboard(void* param) {
    Holder* h = static_cast<Holder*>(param);
    // Under Wine a thread of this process opening with no window would get in beside
    // the holder; a window of the holder's own keeps the history out. It lives on this
    // thread, since emptying the clipboard sends the last owner a message and waits.
    HWND owner = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    OpenClipboard(owner);
    EmptyClipboard();
    SetClipboardData(CF_TEXT, Block(h->text));
    // The change notification goes out here, while the text is still unreadable below.
    CloseClipboard();
    OpenClipboard(owner);
    SetEvent(h->holding);
    WaitForSingleObject(h->release, h->holdMs);
    if (!h->replacement.empty()) {
        EmptyClipboard();
        SetClipboardData(CF_TEXT, Block(h->replacement));
    }
    CloseClipboard();
    DestroyWindow(owner);
    return 0;
}

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
    int passedOn = HandledCount();
    Start();
    EXPECT_EQ(ListRowCount(), 0);
    EXPECT_EQ(WindowText(Child(IDC_COUNT_LABEL)), "0");
    // Changes are handled in order, so once this one is in, the join has been dealt with.
    Copy("marker");
    ASSERT_EQ(HistoryCount(), 1u);
    EXPECT_EQ(HistoryItemText(0), "marker");
    EXPECT_EQ(HandledCount(), passedOn + 1) << "the join was passed on to the next viewer";

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
    // Writers that ask to be left out of histories, such as password managers.
    UINT include = RegisterClipboardFormatA("CanIncludeInClipboardHistory");
    const std::pair<UINT, std::string> markers[] = {
        {RegisterClipboardFormatA("ExcludeClipboardContentFromMonitorProcessing"), ""},
        {RegisterClipboardFormatA("Clipboard Viewer Ignore"), ""},
        {include, std::string(4, '\0')},
    };
    for (const auto& marker : markers) {
        PutOnClipboard({{CF_TEXT, Block("secret")}, {marker.first, Block(marker.second)}});
        AwaitCapture();
    }
    // Allowed in so many words: an ordinary text.
    PutOnClipboard({{CF_TEXT, Block("allowed")}, {include, Block(std::string("\1\0\0\0", 4))}});
    AwaitCapture();
    Command(IDM_CLEAR_CLIPBOARD);
    AwaitCapture();
    std::string text;
    EXPECT_FALSE(GetClipboardText(&text));

    ASSERT_EQ(HistoryCount(), 2u);
    EXPECT_EQ(HistoryItemText(0), "allowed");
    EXPECT_EQ(HistoryItemText(1), "text");
    ExpectRowsMatchHistory();
}

TEST_F(HistoryWindowTest, TextOnAClipboardHeldOpenIsCapturedOnceItIsReleased) {
    Start();
    Copy("before");
    auto hold = [&](Holder& h) {
        int passedOn = HandledCount();
        std::string front = Cell(0, 1);
        HANDLE thread = CreateThread(nullptr, 0, HoldClipboard, &h, 0, nullptr);
        EXPECT_EQ(WaitForSingleObject(h.holding, 2000), WAIT_OBJECT_0);
        // The change goes on to the next viewer at once, before the text can be read.
        EXPECT_TRUE(PumpUntil([&] { return HandledCount() > passedOn; }));
        EXPECT_EQ(Cell(0, 1), front);
        return thread;
    };
    auto finish = [](Holder& h, HANDLE thread) {
        EXPECT_EQ(WaitForSingleObject(thread, 3000), WAIT_OBJECT_0);
        for (HANDLE handle : {thread, h.holding, h.release}) CloseHandle(handle);
    };

    // Held eight times as long as the history waits at a notification.
    Holder held{"held", "", 400};
    HANDLE thread = hold(held);
    EXPECT_TRUE(PumpUntil([] { return Cell(0, 1) == "held"; })) << "the held text was never captured";
    finish(held, thread);

    // Replaced before the clipboard is let go: only what it then holds is a copy to keep.
    Holder replaced{"first", "second", 3000};
    thread = hold(replaced);
    SetEvent(replaced.release);
    EXPECT_TRUE(PumpUntil([] { return Cell(0, 1) == "second"; }));
    finish(replaced, thread);
    ASSERT_EQ(ListRowCount(), 3);
    EXPECT_EQ(Cell(1, 1), "held");
    EXPECT_EQ(Cell(2, 1), "before");
    ExpectStoreMatchesRows();
}

// Ctrl+V after a copy that never reached the clipboard pastes what was there before.
TEST_F(HistoryWindowTest, PasteHotkeySendsNoKeysWhenTheClipboardCannotBeOpened) {
    Start();
    for (const char* t : {"older", "newer"}) Copy(t);
    ASSERT_GE(GetAsyncKeyState(VK_LCONTROL), 0);
    Holder held{"held", "", 3000};
    HANDLE thread = CreateThread(nullptr, 0, HoldClipboard, &held, 0, nullptr);
    ASSERT_EQ(WaitForSingleObject(held.holding, 2000), WAIT_OBJECT_0);
    SendMessageA(window, WM_HOTKEY, HOTKEY_FIRST_ITEM + 1, 0);
    bool keysSent = GetAsyncKeyState(VK_LCONTROL) < 0;
    if (keysSent) keybd_event(VK_LCONTROL, 0, KEYEVENTF_KEYUP, 0);
    EXPECT_FALSE(keysSent);
    SetEvent(held.release);
    EXPECT_EQ(WaitForSingleObject(thread, 3000), WAIT_OBJECT_0);
    for (HANDLE handle : {thread, held.holding, held.release}) CloseHandle(handle);
    EXPECT_TRUE(PumpUntil([] { return Cell(0, 1) == "held"; }));
    EXPECT_EQ(Cell(1, 1), "older");
    ExpectStoreMatchesRows();
}

const int BurstSize = 300;

// Another program that puts texts on the clipboard as fast as it can, as a script would.
DWORD WINAPI CopyBurst(void*) {
    HWND owner = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    for (int i = 0; i < BurstSize; i++) {
        while (!OpenClipboard(owner)) Sleep(0);
        EmptyClipboard();
        SetClipboardData(CF_TEXT, Block("burst " + std::to_string(i)));
        CloseClipboard();
    }
    DestroyWindow(owner);
    return 0;
}

// The viewer after the history window, in another program: passing a change on waits
// for it, and the next changes can arrive meanwhile.
HWND passOnNext;
int passOnDepth, deepestPassOn;

LRESULT CALLBACK PassOnProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DRAWCLIPBOARD || (msg == WM_CHANGECBCHAIN && HWND(wParam) != passOnNext)) {
        deepestPassOn = std::max(deepestPassOn, ++passOnDepth);
        if (passOnNext) SendMessageA(passOnNext, msg, wParam, lParam);
        passOnDepth--;
        return 0;
    }
    if (msg == WM_CHANGECBCHAIN) passOnNext = HWND(lParam);
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

DWORD WINAPI RunPassOnViewer(void* ready) {
    WNDCLASSA wc = {0, PassOnProc, 0, 0, GetModuleHandleA(nullptr), nullptr, nullptr, nullptr, nullptr,
                    "HoardiumTestPassOn"};
    RegisterClassA(&wc);
    HWND viewer = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    passOnNext = SetClipboardViewer(viewer);
    SetEvent(ready);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    ChangeClipboardChain(viewer, passOnNext);
    DestroyWindow(viewer);
    return 0;
}

TEST_F(HistoryWindowTest, ABurstOfCopiesKeepsRowsAndStoreInStep) {
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD viewerId;
    HANDLE viewer = CreateThread(nullptr, 0, RunPassOnViewer, ready, 0, &viewerId);
    ASSERT_EQ(WaitForSingleObject(ready, 2000), WAIT_OBJECT_0);
    Start();
    Copy("before");
    HANDLE burst = CreateThread(nullptr, 0, CopyBurst, nullptr, 0, nullptr);
    EXPECT_TRUE(PumpUntil([&] { return WaitForSingleObject(burst, 0) == WAIT_OBJECT_0; }, 60000));
    AwaitCapture();
    EXPECT_EQ(HistoryItemText(0), "burst " + std::to_string(BurstSize - 1));
    std::set<uint32_t> hashes;
    for (unsigned i = 0; i < HistoryCount(); i++) hashes.insert(HistoryItemHash(i));
    EXPECT_EQ(hashes.size(), HistoryCount()) << "a text stored twice";
    ExpectStoreMatchesRows();
    EXPECT_EQ(deepestPassOn, 1) << "changes handled inside one another";
    PostThreadMessageA(viewerId, WM_QUIT, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return WaitForSingleObject(viewer, 0) == WAIT_OBJECT_0; }));
    for (HANDLE handle : {ready, viewer, burst}) CloseHandle(handle);
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
    ExpectStoreMatchesRows();
    EXPECT_EQ(ItemFileCount(), 0);
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

// The reference product is made by the SSE unit, which rounds every product to double.
static __attribute__((target("sse2,fpmath=sse"))) int DoubleProductCut(int height) { return int(height * 0.57); }

TEST(PreviewSplitTest, IsTheDoublePrecisionProductCutToAWholePixel) {
    EXPECT_EQ(PreviewSplit(300), 170);
    EXPECT_EQ(PreviewSplit(500), 285);
    for (int height = 1; height <= 4000; height++) EXPECT_EQ(PreviewSplit(height), DoubleProductCut(height)) << height;
}

TEST_F(HistoryWindowTest, ToolbarClosedInSettingsStartsTheListAtTheTop) {
    Start("ToolbarOpen = 0\r\n");
    RECT client;
    GetClientRect(window, &client);
    ExpectRect(IDC_HISTORY_LIST, {0, 0, client.right, client.bottom});
    EXPECT_FALSE(IsWindowVisible(Child(IDC_COUNT_LABEL)));
}

}  // namespace

// An index held open by another program cannot be replaced; the save waits it out.
TEST_F(HistoryWindowTest, SaveBlockedByAReaderOfTheIndexGoesThroughOnceItLetsGo) {
    Start();
    Copy("before");
    std::string index = DataFile("__reg__");
    HANDLE reader = CreateFileA(index.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    auto saved = [&] {
        std::istringstream records(ReadBytes(index));
        std::string name, hash;
        records >> name >> hash;
        return hash == std::to_string(TextHash("while held"));
    };
    Copy("while held");
    PumpUntil([] { return false; }, 300);
    bool blocked = !saved();
    CloseHandle(reader);
    EXPECT_TRUE(PumpUntil(saved, 3000));
    ExpectStoreMatchesRows();
    if (!blocked) GTEST_SKIP() << "this system replaces an index that is held open";
}
