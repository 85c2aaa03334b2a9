// Capture through the clipboard-viewer chain, the store kept in step, start-up, layout and exit.
#include <filesystem>
#include <set>

#include "res/resource.h"
#include "tests/shell/shell_fixture.h"
#include "ui/layout.h"

__attribute__((target("sse2,fpmath=sse"))) static int SseProductCut(int height) { return int(height * 0.57); }

namespace {

// Another program writing texts on the clipboard as fast as it can, as a script would. With
// a `replacement`, it then keeps the clipboard open, as one that echoes each copy elsewhere
// does, until its thread is asked to quit, and writes the replacement (if not empty) first.
struct Writer {
    std::vector<std::string> texts;
    const char* replacement = nullptr;
    HANDLE held = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    Thread thread{[this] {
        // Under Wine a thread of this process opening with no window would get in beside the
        // holder. The window lives on this thread: emptying the clipboard waits on its owner.
        HWND owner = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        for (const std::string& text : texts) {
            while (!OpenClipboard(owner)) Sleep(0);
            EmptyClipboard(), SetClipboardData(CF_TEXT, Block(text));
            // The change notification goes out here, while a held text is still unreadable below.
            CloseClipboard();
        }
        MSG quit;
        if (!replacement || !OpenClipboard(owner)) return;
        SetEvent(held), GetMessageA(&quit, nullptr, WM_QUIT, WM_QUIT);
        if (*replacement) EmptyClipboard(), SetClipboardData(CF_TEXT, Block(replacement));
        CloseClipboard();
    }};
    ~Writer() { thread.Quit(), CloseHandle(held); }
};

// Where a window stands in `parent`'s client area, or on the screen.
std::string Place(HWND w, HWND parent = nullptr) {
    RECT r;
    GetWindowRect(w, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right) + " " + std::to_string(r.bottom);
}

TEST_F(HistoryWindowTest, CaptureThroughTheChainKeepsRowsAndStoreInStep) {
    Thread other{[] {
        JoinChain(passer);
        for (MSG msg; GetMessageA(&msg, nullptr, 0, 0) > 0;) DispatchMessageA(&msg);
        ChangeClipboardChain(passer.window, passer.next);
    }};
    ASSERT_TRUE(PumpUntil([] { return passer.next == watcher.window; }));
    Copy("there before");
    int passedOn = watcher.count;
    Start();
    Copy("first");
    // Changes are handled in order, so once this one is in, the join has been dealt with: it
    // was neither taken for a copy nor passed on to the next viewer.
    EXPECT_EQ(std::to_string(watcher.count - passedOn) + " " + Texts(), "1 first");
    // No text, or a writer that asks to be left out of histories, as password managers do.
    Put({{RegisterClipboardFormatA("Hoardium Test Picture"), "pixels"}});
    for (const char* marker :
         {"ExcludeClipboardContentFromMonitorProcessing", "Clipboard Viewer Ignore", "CanIncludeInClipboardHistory"})
        Put({{CF_TEXT, "secret"}, {RegisterClipboardFormatA(marker), std::string(4, '\0')}});
    Put({{CF_TEXT, "there before"}, {RegisterClipboardFormatA("CanIncludeInClipboardHistory"), "\1"}});
    // Another program holds the clipboard open after its copy, past the history's wait at the
    // notification; then one replaces its text before it lets go. Only what the clipboard holds
    // once it is let go is a copy to keep.
    for (const char* replacement : {"", "second"}) {
        Writer holder{{*replacement ? "replaced" : "held"}, replacement};
        passedOn = watcher.count;
        ASSERT_EQ(WaitForSingleObject(holder.held, 2000), WAIT_OBJECT_0);
        // The change goes on to the next viewer at once, before the text can be read.
        EXPECT_TRUE(PumpUntil([&] { return watcher.count > passedOn; }));
        // Ctrl+V after a copy that never reached the clipboard would paste what was there before.
        Hotkey(HOTKEY_FIRST_ITEM + 1);
        EXPECT_GE(GetAsyncKeyState(VK_LCONTROL), 0) << "Ctrl+V sent";
        keybd_event(VK_LCONTROL, 0, KEYEVENTF_KEYUP, 0);
        holder.thread.Quit();
        EXPECT_TRUE(PumpUntil([&] { return Cell(0, 1) == (*replacement ? replacement : "held"); })) << "not captured";
    }
    EXPECT_EQ(Texts(), "second first held there before");
    // Its save cannot replace an index another program holds open: a later try of its own does.
    HANDLE reader = CreateFileA(DataFile("__reg__").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    Copy("while held");
    EXPECT_TRUE(PumpUntil([&] { return std::filesystem::exists(DataFile("__pending__/__reg__")); }, 1000));
    CloseHandle(reader);
    ExpectInStep();
    // A burst from another program, while the viewer after the history window lets new
    // changes in as it passes one on.
    std::vector<std::string> burst;
    for (int i = 0; i < 300; i++) burst.push_back("burst " + std::to_string(i));
    EXPECT_TRUE((Writer{burst}.thread.Join(60000)));
    AwaitCapture();
    Rows rows = ListRows();
    EXPECT_EQ(std::set<Rows::value_type>(rows.begin(), rows.end()).size(), rows.size()) << "a text stored twice";
    EXPECT_EQ(passer.deepest, 1) << "changes handled inside one another";
    ExpectInStep();
    // The newest text, the last of the burst, copied again changes nothing at all, not even the stored time.
    std::string before = ReadFile(DataFile("__reg__"));
    Copy("burst 299");
    EXPECT_EQ(ReadFile(DataFile("__reg__")), before);
    // That viewer leaves the chain: the one after it takes its place.
    ASSERT_TRUE(other.Quit());
    Copy("after");
}

// What start-up takes from the settings file, what waking the computer expires, the
// layout, and what Exit writes back and leaves behind.
TEST_F(HistoryWindowTest, StartUpRestoresTheSettingsAndExitRecordsThemAndClearsUp) {
    StoreHistory(DataFile(""), 4, 60, 2, 30 * 24 * 3600);
    Start("MaxItems = 4\r\nPauseState = 1\r\nPauseRestore = 1\r\nStayOnTop = 1\r\nToolbarOpen = 0\r\nTimestamps = 1\r\n"
          "GridLines = 1\r\nMonoFont = 1\r\nWinX = 50\r\nWinY = 60\r\nWinW = 300\r\nWinH = 250\r\n");
    // The title, marked when the window shows the paused icon.
    LPARAM paused = LPARAM(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_PAUSED)));
    auto look = [&] { return WindowText(window) + (SendMessageA(window, WM_GETICON, ICON_SMALL, 0) == paused ? " (icon)" : ""); };
    EXPECT_EQ(Place(window) + " " + look(), "50 60 350 310 PAUSED  \xB7  Hoardium 0.2.2 (icon)");
    EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST && !IsWindowVisible(Child(IDC_COUNT_LABEL)));
    // The timestamps wide enough for the fixed font; the text in Courier New 10 pt, the count in Tahoma 8 pt.
    EXPECT_EQ(View(0), "126, Courier New -13, Courier New -13, Tahoma -11, grid, vvv");
    // Paused, copies are not kept, but the program's own copy still comes to the top.
    Copy("ignored");
    ListSelectRow(1);
    Command(IDC_TB_COPY);
    AwaitCapture();
    // Items that have grown too old go when the computer wakes, under the policy then chosen.
    Command(IDM_KEEP_WEEK);
    EXPECT_EQ(ListRowCount(), 4) << "a change of policy removes nothing by itself";
    SendMessageA(window, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    EXPECT_EQ(Texts(), "text 1 text 0");
    Command(IDM_PAUSE);
    EXPECT_TRUE(look() == "Hoardium 0.2.2" && Saved("PauseState = 0"));
    for (const char* t : {"1", "2", "3"}) Copy(t);
    EXPECT_EQ(Texts(), "3 2 1 text 1");
    ExpectInStep();
    RECT outer = {0, 0, 320, 300};
    AdjustWindowRectEx(&outer, GetWindowLongA(window, GWL_STYLE), FALSE, 0);
    SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top, SWP_NOMOVE | SWP_NOZORDER);
    auto place = [&](int id) { return Place(Child(id), window); };
    EXPECT_EQ(place(IDC_HISTORY_LIST), "0 0 320 300");
    Command(IDC_TB_PREVIEW);
    EXPECT_EQ(place(IDC_HISTORY_LIST) + ", " + place(IDC_PREVIEW), "0 0 320 166, 2 170 320 300");
    Request(ReqToggleToolbar);
    EXPECT_EQ(place(IDC_HISTORY_LIST) + ", " + place(IDC_TB_OPTIONS) + ", " + place(IDC_COUNT_LABEL),
              "0 23 320 166, 288 4 304 20, 69 4 109 20");
    // The split line of a double-precision product: the x87 unit's wider one gives 284
    // for 500, and 14 more heights below 4000 differ; the SSE unit rounds every product.
    for (int height = 1; height <= 4000; height++) ASSERT_EQ(PreviewSplit(height), SseProductCut(height)) << height;
    // The sizing border stops at the minimum tracking size.
    SetWindowPos(window, nullptr, 70, 80, 100, 100, SWP_NOZORDER);
    Exit();
    EXPECT_TRUE(Saved("WinX = 70") && Saved("WinY = 80") && Saved("WinW = 280") && Saved("WinH = 200"));
    EXPECT_TRUE(Saved("ToolbarOpen = 1") && Saved("KeepPolicy = 0"));
    // A pause not to be restored starts capturing, and is written back as off. The menus
    // speak the user's language.
    Start("PauseState = 1\r\nLangID = 1\r\n");
    char label[32] = "";
    HMENU tray = BuildTrayMenu();
    GetMenuStringA(tray, 0, label, sizeof label, MF_BYPOSITION);
    DestroyMenu(tray);
    EXPECT_STREQ(label, "Mind t\xF6rl\xE9se...");
    Exit();
    EXPECT_TRUE(Saved("PauseState = 0"));
    // Keep until Exit: no text of the history is left once the program has ended, also while
    // another program (a backup, a search indexer) reads the index.
    for (DWORD share : {FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_SHARE_READ}) {
        SCOPED_TRACE(share);
        Start("KeepPolicy = 2\r\n");
        for (const char* t : {"secret one", "secret two"}) Copy(t);
        ExpectInStep();
        HANDLE reader = CreateFileA(DataFile("__reg__").c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
        bool letsGo = share & FILE_SHARE_WRITE;
        Thread closer{[&] { if (letsGo) Sleep(500), CloseHandle(reader); }};
        Exit();
        // Only an index still held open is left, and it no longer lists the texts.
        EXPECT_NE(std::filesystem::exists(DataFile("")), letsGo);
        for (const std::string& name : DirectoryNames(DataFile("")))
            EXPECT_TRUE(name == "__reg__" || name == "__pending__/") << name;
        EXPECT_TRUE(StoredRows().empty());
        if (!letsGo) CloseHandle(reader);
    }
}

}  // namespace
