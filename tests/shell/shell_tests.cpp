// Capture through the clipboard-viewer chain, the store kept in step, start-up and layout.
#include <algorithm>
#include <ctime>
#include <filesystem>
#include <set>

#include "app/startup.h"
#include "history/clipboard.h"
#include "history/history_list.h"
#include "settings/paths.h"
#include "tests/shell/shell_fixture.h"
#include "ui/fonts.h"
#include "ui/layout.h"
#include "ui/list_view.h"
#include "ui/menus.h"
#include "ui/preview_text.h"

namespace {

const std::string Title = "Hoardium 0.2.2";

// Another program that writes a text and keeps the clipboard open after it, as one that
// echoes each copy elsewhere does; it writes `replacement`, if any, before it lets go.
struct Holder {
    std::string text, replacement;
    DWORD holdMs;
    HANDLE holding = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = nullptr;
    ~Holder() {
        SetEvent(release);
        EXPECT_EQ(WaitForSingleObject(thread, 3000), WAIT_OBJECT_0);
        for (HANDLE h : {thread, holding, release}) CloseHandle(h);
    }
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

void Hold(Holder& h) {
    h.thread = CreateThread(nullptr, 0, HoldClipboard, &h, 0, nullptr);
    ASSERT_EQ(WaitForSingleObject(h.holding, 2000), WAIT_OBJECT_0);
}

TEST_F(HistoryWindowTest, NewTextsComeToTheTopWithTheirFilesAndRecords) {
    Start();
    Copy("first");
    Copy("one\ntwo\r\nthree");
    EXPECT_EQ(Texts(), "one \xB6 two \xB6 three first");
    EXPECT_EQ(ReadFile(ItemFile(0)), "one\ntwo\r\nthree");
    // Selecting fills the pane even while it is closed, every line break as one CR LF.
    ListSelectRow(0);
    EXPECT_EQ(WindowText(Child(IDC_PREVIEW)), "one\r\ntwo\r\nthree");
    ExpectInStep();
    Copy("first");  // an older text copied again moves up and keeps its file
    EXPECT_EQ(Texts(), "first one \xB6 two \xB6 three");
    ExpectInStep();
    // The newest text copied again changes nothing at all, not even the stored time.
    std::string before = ReadFile(DataFile("__reg__"));
    Copy("first");
    EXPECT_EQ(ReadFile(DataFile("__reg__")), before);
    EXPECT_EQ(ListRowCount(), 2);
}

TEST_F(HistoryWindowTest, TextOnTheClipboardAtStartIsNotCaptured) {
    PutOnClipboard({{CF_TEXT, Block("there before")}});
    int passedOn = HandledCount();
    Start();
    EXPECT_EQ(ListRowCount(), 0);
    // Changes are handled in order, so once this one is in, the join has been dealt with.
    Copy("marker");
    EXPECT_EQ(HandledCount(), passedOn + 1) << "the join was passed on to the next viewer";
    Copy("there before");
    EXPECT_EQ(Texts(), "there before marker");
}

TEST_F(HistoryWindowTest, ClipboardWithoutCapturableTextAddsNothing) {
    Start();
    Copy("text");
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
    PutOnClipboard({{CF_TEXT, Block("allowed")}, {include, Block(std::string("\1\0\0\0", 4))}});
    AwaitCapture();
    Command(IDM_CLEAR_CLIPBOARD);
    AwaitCapture();
    std::string text;
    EXPECT_FALSE(GetClipboardText(&text));
    EXPECT_EQ(Texts(), "allowed text");
    ExpectInStep();
}

TEST_F(HistoryWindowTest, TextOnAClipboardHeldOpenIsCapturedOnceItIsReleased) {
    Start();
    Copy("before");
    // Held eight times as long as the history waits at a notification; then one replaced
    // before it is let go: only what it then holds is a copy to keep.
    for (Holder* h : {new Holder{"held", "", 400}, new Holder{"first", "second", 3000}}) {
        int passedOn = HandledCount();
        std::string front = Cell(0, 1);
        Hold(*h);
        // The change goes on to the next viewer at once, before the text can be read.
        EXPECT_TRUE(PumpUntil([&] { return HandledCount() > passedOn; }));
        EXPECT_EQ(Cell(0, 1), front);
        SetEvent(h->release);
        std::string kept = h->replacement.empty() ? h->text : h->replacement;
        EXPECT_TRUE(PumpUntil([&] { return Cell(0, 1) == kept; })) << kept << " never captured";
        delete h;
    }
    EXPECT_EQ(Texts(), "second held before");
    ExpectInStep();
}

// Ctrl+V after a copy that never reached the clipboard pastes what was there before.
TEST_F(HistoryWindowTest, PasteHotkeySendsNoKeysWhenTheClipboardCannotBeOpened) {
    Start();
    for (const char* t : {"older", "newer"}) Copy(t);
    ASSERT_GE(GetAsyncKeyState(VK_LCONTROL), 0);
    {
        Holder held{"held", "", 3000};
        Hold(held);
        SendMessageA(window, WM_HOTKEY, HOTKEY_FIRST_ITEM + 1, 0);
        bool keysSent = GetAsyncKeyState(VK_LCONTROL) < 0;
        if (keysSent) keybd_event(VK_LCONTROL, 0, KEYEVENTF_KEYUP, 0);
        EXPECT_FALSE(keysSent);
    }
    EXPECT_TRUE(PumpUntil([] { return Cell(0, 1) == "held"; }));
    EXPECT_EQ(Texts(), "held older newer");
    ExpectInStep();
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

TEST_F(HistoryWindowTest, ABurstOfCopiesKeepsRowsAndStoreInStepAndTheChainWhole) {
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
    ExpectInStep();
    EXPECT_EQ(deepestPassOn, 1) << "changes handled inside one another";
    // The viewer after the history window leaves the chain: the one after it takes its place.
    PostThreadMessageA(viewerId, WM_QUIT, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return WaitForSingleObject(viewer, 0) == WAIT_OBJECT_0; }));
    Copy("after");
    EXPECT_EQ(Cell(0, 1), "after");
    for (HANDLE handle : {ready, viewer, burst}) CloseHandle(handle);
}

TEST_F(HistoryWindowTest, PauseStopsCaptureButTheProgramsOwnCopyStillShows) {
    Start();
    for (const char* t : {"one", "two", "three"}) Copy(t);
    Command(IDM_PAUSE);
    EXPECT_EQ(WindowText(window), "PAUSED  \xB7  " + Title);
    EXPECT_TRUE(Saved("PauseState = 1"));
    Copy("while paused");
    ListSelectRow(2);
    Command(IDC_TB_COPY);
    AwaitCapture();
    EXPECT_EQ(ClipboardText(), "one");
    EXPECT_EQ(Texts(), "one three two");
    EXPECT_EQ(ListSelectedRow(), 0);
    ExpectInStep();
    Command(IDM_PAUSE);
    EXPECT_EQ(WindowText(window), Title);
    EXPECT_TRUE(Saved("PauseState = 0"));
    Copy("after");
    EXPECT_EQ(Cell(0, 1), "after");
}

// What start-up takes from the settings file, and what Exit writes back to it.
TEST_F(HistoryWindowTest, StartUpRestoresTheSettingsAndExitRecordsThePlacement) {
    const std::string placed = "WinX = 50\r\nWinY = 60\r\nWinW = 300\r\nWinH = 250\r\n";
    Start("MaxItems = 3\r\nPauseState = 1\r\nPauseRestore = 1\r\nStayOnTop = 1\r\nToolbarOpen = 0\r\n"
          "Timestamps = 1\r\nGridLines = 1\r\nMonoFont = 1\r\n" + placed);
    RECT r, client;
    GetWindowRect(window, &r);
    EXPECT_EQ(std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right - r.left) + " " +
                  std::to_string(r.bottom - r.top), "50 60 300 250");
    EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(WindowText(window), "PAUSED  \xB7  " + Title);
    // Without the toolbar the list starts at the top.
    GetClientRect(window, &client);
    GetWindowRect(ListWindow(), &r);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.bottom, client.bottom);
    EXPECT_FALSE(IsWindowVisible(Child(IDC_COUNT_LABEL)));
    EXPECT_EQ(SendMessageA(ListWindow(), LVM_GETCOLUMNWIDTH, 0, 0), 126);
    EXPECT_TRUE(SendMessageA(ListWindow(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_GRIDLINES);
    EXPECT_EQ(HFONT(SendMessageA(Child(IDC_PREVIEW), WM_GETFONT, 0, 0)), FixedFont());
    Copy("ignored");
    Command(IDM_PAUSE);
    for (const char* t : {"1", "2", "3", "4", "5"}) Copy(t);
    EXPECT_EQ(Texts(), "5 4 3");
    ExpectInStep();
    SetWindowPos(window, nullptr, 70, 80, 320, 290, SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageA(window, WM_HISTORY, 0, ReqToggleToolbar);
    Exit();
    EXPECT_TRUE(Saved("WinX = 70") && Saved("WinY = 80") && Saved("WinW = 320") && Saved("WinH = 290"));
    EXPECT_TRUE(Saved("ToolbarOpen = 1"));
    // A pause not to be restored starts capturing, and is written back as off.
    Start("PauseState = 1\r\n");
    EXPECT_EQ(WindowText(window), Title);
    Copy("captured");
    EXPECT_EQ(Cell(0, 1), "captured");
    Exit();
    EXPECT_TRUE(Saved("PauseState = 0"));
}

// The capture time as the list shows it: short month name, day, hour and minute.
TEST_F(HistoryWindowTest, TimestampsAndMenusInBothLanguages) {
    std::tm local = {};
    local.tm_year = 2024 - 1900, local.tm_mon = 2, local.tm_mday = 5, local.tm_hour = 9, local.tm_min = 7;
    local.tm_isdst = -1;
    for (const auto& lang : {std::make_pair("0", "Mar 5. 09:07"), std::make_pair("1", "M\xE1r 5. 09:07")}) {
        StoreHistory(DataFile(""), 1, int32_t(std::time(nullptr) - std::mktime(&local)));
        Start("Timestamps = 1\r\nLangID = " + std::string(lang.first) + "\r\n");
        EXPECT_EQ(Cell(0, 0), lang.second);
        EXPECT_EQ(Cell(0, 1), "text 0");
        // The menus speak the language too, all but the OK of the confirmation.
        std::string confirm = lang.first[0] == '1' ? "Mind t\xF6rl\xE9se...{OK=923}" : "Delete All...{OK=923}";
        EXPECT_EQ(Shown(BuildTrayMenu(), true).substr(0, confirm.size()), confirm);
        Exit();
    }
}

// Items that have grown too old go when the computer wakes, under the policy then chosen.
TEST_F(HistoryWindowTest, ResumeFromStandbyExpiresUnderTheKeepPolicy) {
    StoreHistory(DataFile(""), 4, 60, 2, 8 * 24 * 3600);
    Start();
    Command(IDM_KEEP_WEEK);
    EXPECT_EQ(ListRowCount(), 4) << "a change of policy removes nothing by itself";
    SendMessageA(window, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    EXPECT_EQ(Texts() + " " + WindowText(Child(IDC_COUNT_LABEL)), "text 0 text 1 2");
    EXPECT_TRUE(PumpUntil([] { return StoredRows().size() == 2; }));
}

TEST_F(HistoryWindowTest, LayoutOfToolbarListAndPreview) {
    Start();
    RECT client, outer = {0, 0, 320, 300};
    AdjustWindowRectEx(&outer, GetWindowLongA(window, GWL_STYLE), FALSE, 0);
    SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    GetClientRect(window, &client);
    ASSERT_EQ(client.right * 1000 + client.bottom, 320300);
    auto rects = [&](std::initializer_list<int> ids) {
        std::string out;
        for (int id : ids) {
            RECT r;
            GetWindowRect(Child(id), &r);
            MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
            for (LONG v : {r.left, r.top, r.right, r.bottom}) out += std::to_string(v) + " ";
        }
        return out;
    };
    Command(IDC_TB_PREVIEW);
    EXPECT_EQ(rects({IDC_HISTORY_LIST, IDC_PREVIEW, IDC_TB_OPTIONS, IDC_COUNT_LABEL}),
              "0 23 320 166 2 170 320 300 288 4 304 20 69 4 109 20 ");
    SendMessageA(window, WM_HISTORY, 0, ReqToggleToolbar);
    EXPECT_EQ(rects({IDC_HISTORY_LIST}), "0 0 320 166 ");
    EXPECT_FALSE(IsWindowVisible(Child(IDC_TB_COPY)));
    Command(IDC_TB_PREVIEW);
    EXPECT_EQ(rects({IDC_HISTORY_LIST}), "0 0 320 300 ");
    // The sizing border stops at the minimum tracking size.
    SetWindowPos(window, nullptr, 0, 0, 100, 100, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    GetWindowRect(window, &outer);
    EXPECT_EQ((outer.right - outer.left) * 1000 + outer.bottom - outer.top, 280200);
}

// The reference product is made by the SSE unit, which rounds every product to double.
static __attribute__((target("sse2,fpmath=sse"))) int DoubleProductCut(int height) { return int(height * 0.57); }

TEST(PreviewSplitTest, IsTheDoublePrecisionProductCutToAWholePixel) {
    EXPECT_EQ(PreviewSplit(500), 285);
    for (int height = 1; height <= 4000; height++) EXPECT_EQ(PreviewSplit(height), DoubleProductCut(height)) << height;
}

// An index held open by another program cannot be replaced; the save waits it out.
TEST_F(HistoryWindowTest, SaveBlockedByAReaderOfTheIndexGoesThroughOnceItLetsGo) {
    Start();
    Copy("before");
    HANDLE reader = CreateFileA(DataFile("__reg__").c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    auto saved = [] { return StoredRows().at(0).second == TextHash("while held"); };
    Copy("while held");
    PumpUntil([] { return false; }, 300);
    bool blocked = !saved();
    CloseHandle(reader);
    EXPECT_TRUE(PumpUntil(saved, 3000));
    ExpectInStep();
    if (!blocked) GTEST_SKIP() << "this system replaces an index that is held open";
}

DWORD WINAPI CloseSoon(void* handle) {
    Sleep(500);
    CloseHandle(handle);
    return 0;
}

// Keep until Exit: no text of the history is left once the program has ended, also while
// another program (a backup, a search indexer) reads the index.
TEST_F(HistoryWindowTest, KeepUntilExitLeavesNoTextWhileTheIndexIsRead) {
    const struct {
        DWORD share;
        bool letsGo;
    } readers[] = {{FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, true},
                   {FILE_SHARE_READ | FILE_SHARE_WRITE, true}, {FILE_SHARE_READ, false}};
    for (const auto& r : readers) {
        SCOPED_TRACE(r.share);
        Start("KeepPolicy = 2\r\n");
        Copy("secret one");
        Copy("secret two");
        ExpectInStep();
        HANDLE reader = CreateFileA(DataFile("__reg__").c_str(), GENERIC_READ, r.share, nullptr, OPEN_EXISTING, 0,
                                    nullptr);
        ASSERT_NE(reader, INVALID_HANDLE_VALUE);
        HANDLE closer = r.letsGo ? CreateThread(nullptr, 0, CloseSoon, reader, 0, nullptr) : nullptr;
        Exit();
        if (closer) {
            WaitForSingleObject(closer, 5000);
            CloseHandle(closer);
        } else {
            // The held index is all that is left, and it no longer lists the texts.
            for (const std::string& name : DirectoryNames(DataFile("")))
                EXPECT_TRUE(name == "__reg__" || name == "__pending__/") << name;
            CloseHandle(reader);
            Start("KeepPolicy = 2\r\n");
            EXPECT_EQ(HistoryCount(), 0u);
            Exit();
        }
        EXPECT_FALSE(std::filesystem::exists(DataFile("")));
    }
}

}  // namespace
