// Capture through the clipboard-viewer chain, the store kept in step, start-up, layout and exit.
#include <ctime>
#include <filesystem>
#include <set>

#include "res/resource.h"
#include "tests/shell/shell_fixture.h"
#include "ui/fonts.h"
#include "ui/layout.h"
#include "ui/menus.h"

__attribute__((target("sse2,fpmath=sse"))) static int SseProductCut(int height) { return int(height * 0.57); }

namespace {

const std::string Title = "Hoardium 0.2.2", Paused = "PAUSED  \xB7  " + Title;

DWORD WINAPI HoldClipboard(void* param);

// Another program that writes a text and keeps the clipboard open after it, as one that
// echoes each copy elsewhere does; it writes `replacement`, if any, before it lets go.
struct Holder {
    std::string text, replacement;
    DWORD holdMs;
    HANDLE holding = CreateEventA(nullptr, TRUE, FALSE, nullptr), release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = CreateThread(nullptr, 0, HoldClipboard, this, 0, nullptr);
    bool Held() { return WaitForSingleObject(holding, 2000) == WAIT_OBJECT_0; }
    ~Holder() {
        SetEvent(release);
        EXPECT_EQ(WaitForSingleObject(thread, 3000), WAIT_OBJECT_0);
        for (HANDLE h : {thread, holding, release}) CloseHandle(h);
    }
};

DWORD WINAPI HoldClipboard(void* param) {
    Holder* h = static_cast<Holder*>(param);
    // Under Wine a thread of this process opening with no window would get in beside the
    // holder. The window lives on this thread: emptying the clipboard waits on its owner.
    HWND owner = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    OpenClipboard(owner);
    EmptyClipboard();
    SetClipboardData(CF_TEXT, Block(h->text));
    // The change notification goes out here, while the text is still unreadable below.
    CloseClipboard();
    OpenClipboard(owner);
    SetEvent(h->holding);
    WaitForSingleObject(h->release, h->holdMs);
    if (!h->replacement.empty()) EmptyClipboard(), SetClipboardData(CF_TEXT, Block(h->replacement));
    CloseClipboard();
    DestroyWindow(owner);
    return 0;
}

TEST_F(HistoryWindowTest, CaptureKeepsRowsFilesAndIndexInStep) {
    Copy("there before");
    int passedOn = handledCount;
    Start();
    Copy("first");
    // Changes are handled in order, so once this one is in, the join has been dealt with.
    EXPECT_EQ(handledCount, passedOn + 1) << "the join was passed on to the next viewer";
    Copy("one\ntwo\r\nthree");
    EXPECT_EQ(Texts(), "one \xB6 two \xB6 three first");
    EXPECT_EQ(ReadFile(ItemFile(0)), "one\ntwo\r\nthree");
    // Selecting fills the pane even while it is closed, every line break as one CR LF.
    ListSelectRow(0);
    EXPECT_EQ(WindowText(Child(IDC_PREVIEW)), "one\r\ntwo\r\nthree");
    Copy("first");
    ExpectInStep();
    // The newest text copied again changes nothing at all, not even the stored time.
    std::string before = ReadFile(DataFile("__reg__"));
    Copy("first");
    EXPECT_EQ(ReadFile(DataFile("__reg__")), before);
    // No text, or a writer that asks to be left out of histories, as password managers do.
    Put({{CF_BITMAP, CreateBitmap(4, 4, 1, 32, nullptr)}});
    UINT include = RegisterClipboardFormatA("CanIncludeInClipboardHistory");
    using Marker = std::pair<UINT, std::string>;
    for (const Marker& marker : {Marker{RegisterClipboardFormatA("ExcludeClipboardContentFromMonitorProcessing"), ""},
                                 Marker{RegisterClipboardFormatA("Clipboard Viewer Ignore"), ""},
                                 Marker{include, std::string(4, '\0')}})
        Put({{CF_TEXT, Block("secret")}, {marker.first, Block(marker.second)}});
    Put({{CF_TEXT, Block("there before")}, {include, Block(std::string("\1\0\0\0", 4))}});
    EXPECT_EQ(Texts(), "there before first one \xB6 two \xB6 three");
    Command(IDM_CLEAR_CLIPBOARD);
    AwaitCapture();
    std::string text;
    EXPECT_FALSE(GetClipboardText(&text));
    // Paused, copies are not kept, but the program's own copy still comes to the top.
    auto icon = [&](int id) {
        return SendMessageA(window, WM_GETICON, ICON_SMALL, 0) == LPARAM(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id)));
    };
    Command(IDM_PAUSE);
    EXPECT_TRUE(WindowText(window) == Paused && icon(IDI_PAUSED) && Saved("PauseState = 1"));
    Copy("while paused");
    ListSelectRow(2);
    Command(IDC_TB_COPY);
    AwaitCapture();
    EXPECT_EQ(ClipboardText() + "|" + Texts(), "one\ntwo\r\nthree|one \xB6 two \xB6 three there before first");
    EXPECT_EQ(ListSelectedRow(), 0);
    ExpectInStep();
    Command(IDM_PAUSE);
    EXPECT_TRUE(WindowText(window) == Title && icon(IDI_APP) && Saved("PauseState = 0"));
    // Held eight times as long as the history waits at a notification; then one replaced
    // before it is let go: only what it then holds is a copy to keep.
    for (int i = 0; i < 2; i++) {
        Holder h{i ? "replaced" : "held", i ? "second" : "", i ? 3000u : 400u};
        int passedOn = handledCount;
        std::string front = Cell(0, 1);
        ASSERT_TRUE(h.Held());
        // The change goes on to the next viewer at once, before the text can be read.
        EXPECT_TRUE(PumpUntil([&] { return handledCount > passedOn; }));
        EXPECT_EQ(Cell(0, 1), front);
        SetEvent(h.release);
        std::string kept = i ? h.replacement : h.text;
        EXPECT_TRUE(PumpUntil([&] { return Cell(0, 1) == kept; })) << kept << " never captured";
    }
    // Ctrl+V after a copy that never reached the clipboard would paste what was there before.
    ASSERT_GE(GetAsyncKeyState(VK_LCONTROL), 0);
    {
        Holder held{"pasting", "", 3000};
        ASSERT_TRUE(held.Held());
        Hotkey(HOTKEY_FIRST_ITEM + 1);
        bool keysSent = GetAsyncKeyState(VK_LCONTROL) < 0;
        if (keysSent) keybd_event(VK_LCONTROL, 0, KEYEVENTF_KEYUP, 0);
        EXPECT_FALSE(keysSent);
    }
    EXPECT_TRUE(PumpUntil([] { return Cell(0, 1) == "pasting"; }));
    EXPECT_EQ(Texts(), "pasting held second one \xB6 two \xB6 three there before first");
    ExpectInStep();
    // An index held open by another program cannot be replaced; the save waits it out.
    HANDLE reader = CreateFileA(DataFile("__reg__").c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
    Copy("while held");
    std::string pending = DataFile("__pending__/__reg__");
    bool blocked = PumpUntil([&] { return std::filesystem::exists(pending); }, 1000);
    CloseHandle(reader);
    ExpectInStep();
    EXPECT_EQ(StoredRows().at(0).first, "while held");
    if (!blocked) GTEST_SKIP() << "this system replaces an index that is held open";
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
    WNDCLASSA wc = {};
    wc.lpfnWndProc = PassOnProc, wc.hInstance = GetModuleHandleA(nullptr), wc.lpszClassName = "HoardiumPassOn";
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

std::string Text(RECT r) {
    return std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right) + " " +
           std::to_string(r.bottom);
}

// What start-up takes from the settings file, what waking the computer expires, the
// layout, the capture time in both languages, and what Exit writes back.
TEST_F(HistoryWindowTest, StartUpRestoresTheSettingsAndExitRecordsThem) {
    std::tm local = {0, 7, 9, 5, 2, 2024 - 1900, 0, 0, -1};  // Mar 5 2024 09:07, summer time or not
    int32_t age = int32_t(std::time(nullptr) - std::mktime(&local));
    StoreHistory(DataFile(""), 4, 60, 2, age);
    Start("MaxItems = 4\r\nPauseState = 1\r\nPauseRestore = 1\r\nStayOnTop = 1\r\nToolbarOpen = 0\r\nTimestamps = 1\r\n"
          "GridLines = 1\r\nMonoFont = 1\r\nWinX = 50\r\nWinY = 60\r\nWinW = 300\r\nWinH = 250\r\n");
    RECT r;
    GetWindowRect(window, &r);
    EXPECT_EQ(Text(r), "50 60 350 310");
    EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(WindowText(window), Paused);
    EXPECT_EQ(Cell(2, 0) + "|" + Cell(2, 1), "Mar 5. 09:07|text 2");
    EXPECT_FALSE(IsWindowVisible(Child(IDC_COUNT_LABEL)));
    EXPECT_EQ(SendMessageA(ListWindow(), LVM_GETCOLUMNWIDTH, 0, 0), 126);
    EXPECT_TRUE(SendMessageA(ListWindow(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_GRIDLINES);
    EXPECT_EQ(HFONT(SendMessageA(Child(IDC_PREVIEW), WM_GETFONT, 0, 0)), FixedFont());
    // The text in Courier New 10 pt, the count in Tahoma 8 pt, at this display's 96 dpi.
    auto face = [&](int id) {
        LOGFONTA f;
        GetObjectA(HFONT(SendMessageA(Child(id), WM_GETFONT, 0, 0)), sizeof f, &f);
        return std::string(f.lfFaceName) + " " + std::to_string(f.lfHeight);
    };
    EXPECT_EQ(face(IDC_PREVIEW) + ", " + face(IDC_COUNT_LABEL), "Courier New -13, Tahoma -11");
    Copy("ignored");
    // Items that have grown too old go when the computer wakes, under the policy then chosen.
    Command(IDM_KEEP_WEEK);
    EXPECT_EQ(ListRowCount(), 4) << "a change of policy removes nothing by itself";
    SendMessageA(window, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    EXPECT_EQ(Texts() + " " + WindowText(Child(IDC_COUNT_LABEL)), "text 0 text 1 2");
    EXPECT_TRUE(PumpUntil([] { return StoredRows() == ListRows(); }));
    Command(IDM_PAUSE);
    for (const char* t : {"1", "2", "3"}) Copy(t);
    EXPECT_EQ(Texts(), "3 2 1 text 0");
    EXPECT_TRUE(PumpUntil([] { return StoredRows() == ListRows(); }));
    RECT outer = {0, 0, 320, 300};
    AdjustWindowRectEx(&outer, GetWindowLongA(window, GWL_STYLE), FALSE, 0);
    SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top, SWP_NOMOVE | SWP_NOZORDER);
    auto places = [&](std::initializer_list<int> ids) {
        std::string out;
        for (int id : ids) {
            GetWindowRect(Child(id), &r);
            MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
            out += Text(r) + " | ";
        }
        return out;
    };
    EXPECT_EQ(places({IDC_HISTORY_LIST}), "0 0 320 300 | ");
    Command(IDC_TB_PREVIEW);
    EXPECT_EQ(places({IDC_HISTORY_LIST, IDC_PREVIEW}), "0 0 320 166 | 2 170 320 300 | ");
    Request(ReqToggleToolbar);
    EXPECT_EQ(places({IDC_HISTORY_LIST, IDC_PREVIEW, IDC_TB_OPTIONS, IDC_COUNT_LABEL}),
              "0 23 320 166 | 2 170 320 300 | 288 4 304 20 | 69 4 109 20 | ");
    // The split line of a double-precision product: the x87 unit's wider one gives 284
    // for 500, and 14 more heights below 4000 differ; the SSE unit rounds every product.
    EXPECT_EQ(PreviewSplit(500), 285);
    for (int height = 1; height <= 4000; height++) ASSERT_EQ(PreviewSplit(height), SseProductCut(height)) << height;
    // The sizing border stops at the minimum tracking size.
    SetWindowPos(window, nullptr, 0, 0, 100, 100, SWP_NOMOVE | SWP_NOZORDER);
    GetWindowRect(window, &r);
    EXPECT_EQ(std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top), "280x200");
    SetWindowPos(window, nullptr, 70, 80, 320, 290, SWP_NOZORDER);
    Exit();
    EXPECT_TRUE(Saved("WinX = 70") && Saved("WinY = 80") && Saved("WinW = 320") && Saved("WinH = 290"));
    EXPECT_TRUE(Saved("ToolbarOpen = 1") && Saved("KeepPolicy = 0"));
    // A pause not to be restored starts capturing, and is written back as off; Hungarian.
    StoreHistory(DataFile(""), 1, age);
    Start("PauseState = 1\r\nTimestamps = 1\r\nLangID = 1\r\n");
    EXPECT_EQ(WindowText(window), Title);
    EXPECT_EQ(Cell(0, 0), "M\xE1r 5. 09:07");
    // The menus speak the language too, all but the OK of the confirmation.
    const std::string confirm = "Mind t\xF6rl\xE9se...{OK=923}";
    EXPECT_EQ(Shown(BuildTrayMenu(), true).substr(0, confirm.size()), confirm);
    Copy("captured");
    EXPECT_EQ(Cell(0, 1), "captured");
    Exit();
    EXPECT_TRUE(Saved("PauseState = 0"));
}

DWORD WINAPI CloseSoon(void* handle) {
    Sleep(500);
    CloseHandle(handle);
    return 0;
}

// Keep until Exit: no text of the history is left once the program has ended, also while
// another program (a backup, a search indexer) reads the index.
TEST_F(HistoryWindowTest, KeepUntilExitLeavesNoTextWhileTheIndexIsRead) {
    for (DWORD share : {DWORD(FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE),
                        DWORD(FILE_SHARE_READ | FILE_SHARE_WRITE), DWORD(FILE_SHARE_READ)}) {
        SCOPED_TRACE(share);
        bool letsGo = share & FILE_SHARE_WRITE;
        Start("KeepPolicy = 2\r\n");
        Copy("secret one");
        Copy("secret two");
        ExpectInStep();
        HANDLE reader = CreateFileA(DataFile("__reg__").c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(reader, INVALID_HANDLE_VALUE);
        HANDLE closer = letsGo ? CreateThread(nullptr, 0, CloseSoon, reader, 0, nullptr) : nullptr;
        Exit();
        if (closer) WaitForSingleObject(closer, 5000), CloseHandle(closer);
        else {
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
