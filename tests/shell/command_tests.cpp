// The user's actions through the real window: item commands and the keys of the list, menus,
// what the shell is asked to open, Run at Startup, the view options, hotkeys, showing and hiding.
#include <iterator>
#include <set>
#include <sstream>

#include "tests/shell/shell_fixture.h"
#include "ui/preview_pane.h"
#include "ui/toolbar.h"
#include "ui/website.h"

namespace {

// A step's action: a command, a key of the list (C with Ctrl), every item command with no
// row selected, or nothing but the copy.
const int NoRow = -1, Keep = -2;  // leave the selection as it is
constexpr int Press(int key) { return 0x10000 + key; }
const char* const CB = "b\r\nx";

TEST_F(HistoryWindowTest, ItemCommandsKeysFindHotkeysAndShowingAndHiding) {
    Start("Timestamps = 1\r\nMaxItems = 7\r\n");
    for (const char* t : {"a", CB, "c", "d", "e", "f"}) Copy(t);
    const struct { int select, act; const char *copy, *rows; int selected; const char* clipboard; } steps[] = {
        {4, IDM_ITEM_COPY, nullptr, "b \xB6 x f e d c a", 0, CB},  // the full text goes out
        {Keep, IDM_CLEAR_CLIPBOARD, nullptr, "b \xB6 x f e d c a", 0, ""},
        {1, Press(VK_RETURN), nullptr, "f b \xB6 x e d c a", 0, "f"},  // a text of one character goes out too
        {0, Press('C'), nullptr, "f b \xB6 x e d c a", 0, "f"},        // the newest goes out and comes back
        // The selection and the preview stay with their item as rows come and go above.
        {Keep, 0, "g", "g f b \xB6 x e d c a", 1, nullptr},
        {Keep, 0, "a", "a g f b \xB6 x e d c", 2, nullptr},
        // A removed row's focus goes to the row in its place, or else the nearest above, so
        // the next arrow key goes on from there.
        {6, 0, "h", "h a g f b \xB6 x e d", -1, nullptr},
        {Keep, Press(VK_UP), nullptr, "h a g f b \xB6 x e d", 5, nullptr},
        {2, IDM_ITEM_DELETE_NEWER, nullptr, "g f b \xB6 x e d", 0, nullptr},
        // A capture can take the selection away while the item menu is open.
        {2, 0, CB, "b \xB6 x g f e d", -1, nullptr},
        {Keep, NoRow, nullptr, "b \xB6 x g f e d", -1, CB},
        {Keep, Press(VK_DOWN), nullptr, "b \xB6 x g f e d", 4, nullptr},
        {4, IDM_ITEM_DELETE, nullptr, "b \xB6 x g f e", 3, nullptr},  // the new last row is selected
        {0, IDM_ITEM_DELETE_NEWER, nullptr, "b \xB6 x g f e", 0, nullptr},  // nothing is newer than the newest
        {3, IDM_ITEM_DELETE_OLDER, nullptr, "b \xB6 x g f e", 3, nullptr},  // nor older than the oldest
        {2, IDC_TB_DELETE, nullptr, "b \xB6 x g e", 2, nullptr},  // the row that moved up takes the place
        {1, IDM_ITEM_DELETE_OLDER, nullptr, "b \xB6 x g", 1, nullptr},
        {1, IDM_ITEM_DELETE_NEWER, nullptr, "g", 0, nullptr},
        {0, Press(VK_DELETE), nullptr, "", -1, nullptr},  // the only row
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(std::string(s.rows) + " after " + std::to_string(s.act) + (s.copy ? s.copy : ""));
        if (s.select >= 0) ListSelectRow(s.select);
        if (s.copy) Copy(s.copy);
        for (int id : {+IDM_ITEM_DELETE_OLDER, +IDM_ITEM_DELETE_NEWER, +IDM_ITEM_DELETE, +IDM_ITEM_COPY, +IDC_TB_COPY, +IDC_TB_DELETE})
            if (s.act == NoRow) Command(id);
        if (s.act > Press(0)) Ctrl(s.act == Press('C')), Key(s.act - Press(0)), Ctrl(false);
        else if (s.act > 0) Command(s.act);
        AwaitCapture();
        EXPECT_EQ(Texts() + " @" + std::to_string(ListSelectedRow()), s.rows + (" @" + std::to_string(s.selected)));
        EXPECT_TRUE((s.selected < 0 && *s.rows) || Preview() == (s.selected < 0 ? "" : HistoryLoadText(s.selected)));
        if (s.clipboard) { EXPECT_EQ(ClipboardText(), s.clipboard); }
        ExpectInStep();
    }
    // The pane shows as much of a long text as it lays out quickly, and says so.
    Copy(std::string(20000, 'y'));
    ListSelectRow(0);
    std::string shown = Preview();
    EXPECT_EQ(shown.substr(shown.size() - 7) + " " + Cell(0, 1), "\r\n[...] " + std::string(200, 'y') + "  [...]");
    EXPECT_EQ(HistoryItemHash(0), TextHash(std::string(20000, 'y').c_str())) << "the hash is of the whole text, not of the row's";
    Command(IDM_DELETE_ALL);
    EXPECT_EQ(Texts() + Preview(), "");
    ExpectInStep();

    // Typed letters find the next row whose text starts with them; the list's own command keys do
    // what they do, and stay out of the find though their characters reach it too. The window
    // comes and goes by the tray icon, the hotkey, Escape and the loss of the focus; only a pinned
    // window stays when the focus leaves, or goes at a tray click.
    for (const char* t : {"apple", "banana", "cocoa", "tea", "plum", "zebra", "Blueberry"}) Copy(t);
    auto away = [&] { SetForegroundWindow(GetDesktopWindow()), Request(ReqFocusLost); };
    ListSelectRow(1);
    // 'B': after the selected row, not the Blueberry above it; "BL" goes round past the end,
    // whatever the case of the rows or the typing; "BLX" matches nothing.
    const struct { WPARAM key; std::function<void()> act; const char* after; } keys[] = {
        {'P', {}, "1 hidden pinned"}, {'P', {}, "1 hidden"}, {'T', {}, "1 hidden bare"}, {'T', {}, "1 hidden"},
        {'C', {}, "1 hidden"}, {VK_SPACE, {}, "1 hidden preview"}, {VK_BACK, {}, "1 hidden"},
        {'B', {}, "5 hidden"}, {'L', {}, "0 hidden"}, {'X', {}, "0 hidden"},
        {0, [&] { Request(WM_LBUTTONDOWN); }, "0 shown"},                   // a tray click on the hidden window
        {0, [&] { Request(WM_LBUTTONDBLCLK); }, "0 shown"},                 // on the unpinned window
        {0, away, "0 hidden"},                                              // the focus lost, unpinned
        {0, [&] { Hotkey(HOTKEY_SHOW_HIDE); }, "0 shown pinned"},           // the hotkey on the hidden window
        {0, away, "0 shown pinned"},                                        // the focus lost, pinned
        {0, [&] { Request(WM_LBUTTONDOWN); }, "0 hidden"},                  // a tray click on the pinned window
        {0, [&] { Request(WM_LBUTTONDBLCLK); }, "0 shown"},                 // a double click shows it
        {'P', {}, "0 shown pinned"},
        {0, [&] { Command(IDC_TB_PIN); }, "0 shown"},                       // the pin button unpins
        {0, [&] { Hotkey(HOTKEY_SHOW_HIDE); }, "0 hidden"},                 // the hotkey on the unpinned window
        {0, [&] { Hotkey(HOTKEY_SHOW_HIDE); }, "0 shown pinned"},
        {VK_ESCAPE, {}, "0 hidden"},                                        // hides and unpins
        {0, [&] { Request(WM_LBUTTONDOWN), SendMessageA(window, WM_CLOSE, 0, 0); }, "0 hidden"},  // closing only hides
        {0, [&] { Request(WM_LBUTTONDOWN), Key(VK_SPACE), Key(VK_ESCAPE); }, "0 hidden"},  // hiding closes the preview
    };
    for (const auto& k : keys) {
        k.key ? Key(k.key) : k.act();
        EXPECT_EQ(std::to_string(ListSelectedRow()) + (IsWindowVisible(window) ? " shown" : " hidden") +
                  (Pinned() ? " pinned" : "") + (PreviewOpen() ? " preview" : "") + (ToolbarShown() ? "" : " bare"),
                  k.after) << &k - keys;
    }
    // Item hotkeys copy only items that exist; Ctrl+Numpad3 the third.
    DWORD sequence = GetClipboardSequenceNumber();
    for (int id = HOTKEY_FIRST_ITEM + 7; id <= HOTKEY_LAST_ITEM + 1; id++) Hotkey(id);
    EXPECT_EQ(GetClipboardSequenceNumber(), sequence);
    Hotkey(HOTKEY_FIRST_ITEM + 2);
    AwaitCapture();
    // The paste leaves the left Ctrl down for the user's own release; release it here.
    keybd_event(VK_LCONTROL, 0, KEYEVENTF_KEYUP, 0);
    EXPECT_EQ(ClipboardText() + ": " + Texts(), "plum: plum Blueberry zebra tea cocoa banana apple");
    ExpectInStep();
}

TEST_F(HistoryWindowTest, MenusOptionsAndWhatTheShellIsAskedToOpen) {
    Start("Timestamps = 2\r\n");
    for (const char* t : {"www.example.com", "plain text", "newest"}) Copy(t);
    // Copy, Go to Address and Delete want a row, Delete Newer and Older rows beyond it.
    std::string marks;
    for (int row = -1; row <= 2; row++) {
        if (row >= 0) ListSelectRow(row);
        marks += Marks(BuildItemMenu(), {IDM_ITEM_COPY, IDM_ITEM_GOTO, IDM_ITEM_DELETE, IDM_ITEM_DELETE_NEWER,
                                         IDM_ITEM_DELETE_OLDER}) + " ";
    }
    EXPECT_EQ(marks, "ggggg -g-g- -g--- ----g ");
    // Each keep command is stored and saved at once; 944 has no entry, so none is checked.
    // Pause is checked while on, and saved.
    Command(IDM_PAUSE);
    const char* keep[] = {"v---v", "-v--v", "--v-v", "---vv", "----v"};
    for (int policy = 0; policy <= 4; policy++) {
        Command(IDM_KEEP_WEEK + policy);
        EXPECT_TRUE(Saved("KeepPolicy = " + std::to_string(policy)) && Saved("PauseState = 1")) << policy;
        EXPECT_EQ(Marks(BuildTrayMenu(), {IDM_KEEP_WEEK, IDM_KEEP_MONTH, IDM_KEEP_UNTIL_EXIT, IDM_KEEP_INDEFINITELY, IDM_PAUSE}),
                  keep[policy]);
    }
    Command(IDM_PAUSE);

    // The view options are saved and applied at once; timestamps at the right count as off.
    EXPECT_EQ(View(1), "96, Tahoma -13, Tahoma -13, Tahoma -11, ---");
    for (int id : {IDM_TIMESTAMPS, IDM_MONO_FONT, IDM_GRID_LINES}) Command(id);
    // Rows keep the columns they came in with when the mode changes.
    Copy("new");
    EXPECT_EQ(Cell(0, 0) + "|" + Cell(0, 1) + "|" + Cell(1, 0), HistoryItemTimeText(0) + "|new|newest");
    EXPECT_EQ(View(0), "126, Courier New -13, Courier New -13, Tahoma -11, grid, vvv");
    Command(IDM_MONO_FONT);
    EXPECT_EQ(View(0), "96, Tahoma -13, Tahoma -13, Tahoma -11, grid, vv-");
    for (int id : {IDM_TIMESTAMPS, IDM_GRID_LINES}) Command(id);
    EXPECT_TRUE(Saved("Timestamps = 0") && Saved("MonoFont = 0") && Saved("GridLines = 0"));
    EXPECT_EQ(View(0), "2, Tahoma -13, Tahoma -13, Tahoma -11, ---");

    // Run at Startup, in the per-user Run key of this test's own Wine prefix, as a string
    // naming this program; a program that moved, or the same path in other letters, is not this one.
    const char *run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run", *name = "Hoardium";
    char exe[MAX_PATH], upper[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, sizeof exe);
    CharUpperA(strcpy(upper, exe));
    RegDeleteKeyValueA(HKEY_CURRENT_USER, run, name);
    for (std::string before : {std::string(), std::string("C:\\Elsewhere\\Hoardium.exe"), std::string(upper), std::string(exe)}) {
        if (!before.empty()) RegSetKeyValueA(HKEY_CURRENT_USER, run, name, REG_SZ, &before[0], before.size() + 1);
        std::string seen = Marks(BuildTrayMenu(), {IDM_RUN_AT_STARTUP});
        Command(IDM_RUN_AT_STARTUP);
        seen += Marks(BuildTrayMenu(), {IDM_RUN_AT_STARTUP});
        seen += RegGetValueA(HKEY_CURRENT_USER, run, name, RRF_RT_REG_SZ | RRF_NOEXPAND, nullptr, nullptr, nullptr) ? "" : " text";
        EXPECT_EQ(seen, before == exe ? "v-" : "-v text") << before;
    }

    // Under Wine the shell hands a web address to the first program named here, which
    // writes down what it is given. An address opens by every way, without being copied.
    RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Wine\\WineBrowser", "Browsers", REG_SZ, HOARDIUM_TEST_BROWSER,
                    sizeof HOARDIUM_TEST_BROWSER);
    const std::string opened = "Z:" HOARDIUM_TEST_BROWSER ".opened";
    DeleteFileA(opened.c_str());
    NMHDR doubleClick = {ListWindow(), IDC_HISTORY_LIST, UINT(NM_DBLCLK)};
    ListSelectRow(3);
    Ctrl(true);
    Command(IDM_ITEM_GOTO);
    Key(VK_RETURN);
    SendMessageA(window, WM_NOTIFY, IDC_HISTORY_LIST, LPARAM(&doubleClick));
    Ctrl(false);
    Command(IDM_VISIT_WEBSITE);
    // The launches run side by side, so the addresses come in any order; Wine's launcher
    // ends a bare host with a slash.
    const std::string www = "http://www.example.com/";
    std::multiset<std::string> got, want{www, www, www, ProjectWebsite};
    EXPECT_TRUE(PumpUntil([&] {
        std::istringstream in(ReadFile(opened));
        return (got = {std::istream_iterator<std::string>(in), {}}).size() >= 4; }, 15000));
    EXPECT_EQ(got, want);
    EXPECT_EQ(HistoryItemText(3), "www.example.com");
}

}  // namespace
