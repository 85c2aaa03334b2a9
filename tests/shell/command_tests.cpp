// The user's actions through the real window: item commands, menus, what the shell is asked
// to open, Run at Startup, the view options, hotkeys, the keys of the list, showing and hiding.
#include <iterator>
#include <set>
#include <sstream>

#include "tests/shell/shell_fixture.h"
#include "ui/menus.h"
#include "ui/preview_pane.h"
#include "ui/toolbar.h"
#include "ui/website.h"

namespace {

const int Keep = -2, NoRow = -1;  // leave the selection as it is; every item command, with no row selected
const int ItemCommands[] = {IDM_ITEM_DELETE_OLDER, IDM_ITEM_DELETE_NEWER, IDM_ITEM_DELETE, IDM_ITEM_COPY, IDC_TB_COPY,
                            IDC_TB_DELETE};
const char* const CB = "b\r\nx";

TEST_F(HistoryWindowTest, ItemCommandsKeepRowsSelectionPreviewAndStoreInStep) {
    Start("Timestamps = 1\r\n");
    for (const char* t : {"a", CB, "c", "d", "e", "f"}) Copy(t);
    const struct { int select, command; const char *copy, *rows; int selected; const char* clipboard; } steps[] = {
        {4, IDM_ITEM_COPY, nullptr, "b \xB6 x f e d c a", 0, CB},  // the full text goes out
        {Keep, IDM_CLEAR_CLIPBOARD, nullptr, "b \xB6 x f e d c a", 0, ""},
        {1, IDM_ITEM_COPY, nullptr, "f b \xB6 x e d c a", 0, "f"},  // a text of one character goes out too
        {0, IDM_ITEM_COPY, nullptr, "f b \xB6 x e d c a", 0, "f"},  // the newest goes out and comes back
        // The selection and the preview stay with their item as rows come and go above.
        {Keep, 0, "g", "g f b \xB6 x e d c a", 1, nullptr},
        {Keep, 0, "a", "a g f b \xB6 x e d c", 2, nullptr},
        {Keep, IDM_ITEM_DELETE_NEWER, nullptr, "f b \xB6 x e d c", 0, nullptr},
        // A capture can take the selection away while the item menu is open.
        {1, 0, CB, "b \xB6 x f e d c", -1, nullptr},
        {Keep, NoRow, nullptr, "b \xB6 x f e d c", -1, CB},
        {4, IDM_ITEM_DELETE, nullptr, "b \xB6 x f e d", 3, nullptr},  // the new last row is selected
        {0, IDM_ITEM_DELETE_NEWER, nullptr, "b \xB6 x f e d", 0, nullptr},  // nothing is newer than the newest
        {3, IDM_ITEM_DELETE_OLDER, nullptr, "b \xB6 x f e d", 3, nullptr},  // nor older than the oldest
        {2, IDC_TB_DELETE, nullptr, "b \xB6 x f d", 2, nullptr},  // the row that moved up takes the place
        {1, IDM_ITEM_DELETE_OLDER, nullptr, "b \xB6 x f", 1, nullptr},
        {1, IDM_ITEM_DELETE_NEWER, nullptr, "f", 0, nullptr},
        {0, IDM_ITEM_DELETE, nullptr, "", -1, nullptr},  // the only row
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(std::string(s.rows) + " after " + std::to_string(s.command) + (s.copy ? s.copy : ""));
        if (s.select >= 0) ListSelectRow(s.select);
        DWORD sequence = GetClipboardSequenceNumber();
        if (s.copy) Copy(s.copy);
        if (s.command > 0) Command(s.command);
        if (s.command == NoRow) for (int id : ItemCommands) Command(id);
        if (s.command == NoRow) { EXPECT_EQ(GetClipboardSequenceNumber(), sequence); }
        AwaitCapture();
        EXPECT_EQ(Texts() + " @" + std::to_string(ListSelectedRow()), s.rows + (" @" + std::to_string(s.selected)));
        std::string preview = WindowText(Child(IDC_PREVIEW));
        EXPECT_TRUE((s.selected < 0 && *s.rows) || preview == (s.selected < 0 ? "" : HistoryLoadText(s.selected)));
        if (s.clipboard) { EXPECT_EQ(ClipboardText(), s.clipboard); }
        ExpectInStep();
    }
    // An item whose file was emptied cannot go on the clipboard, so no change notification
    // follows to put its row back.
    for (const char* t : {"kept", "emptied", "newest"}) Copy(t);
    HistoryItems items;
    ASSERT_TRUE(LoadIndex(&items));
    WriteFile(DataFile(items[1].fileName), "");
    DWORD sequence = GetClipboardSequenceNumber();
    ListSelectRow(1);
    Command(IDM_ITEM_COPY);
    EXPECT_EQ(GetClipboardSequenceNumber(), sequence);
    EXPECT_EQ(Texts() + " @" + std::to_string(ListSelectedRow()), "emptied newest kept @0");
    // The pane shows as much of a long text as it lays out quickly, and says so.
    Copy(std::string(20000, 'y'));
    ListSelectRow(0);
    std::string shown = WindowText(Child(IDC_PREVIEW));
    EXPECT_EQ(shown.substr(shown.size() - 7) + " " + Cell(0, 1), "\r\n[...] " + std::string(200, 'y') + "  [...]");
    Command(IDM_DELETE_ALL);
    EXPECT_EQ(ListRowCount() + WindowText(Child(IDC_PREVIEW)).size(), 0u);
    ExpectInStep();
}

TEST_F(HistoryWindowTest, MenusOptionsAndWhatTheShellIsAskedToOpen) {
    Start("Timestamps = 2\r\n");
    EXPECT_EQ(Shown(BuildItemMenu(), true),
              "Copy=950g Go to Address=951g Delete=952g Delete More={Newer=954g Older=953g All=923}g");
    EXPECT_EQ(Shown(BuildTrayMenu(), true),
              "Delete All...={OK=923}g Keep Items...={for a Week=940 for a Month=941 until Exit=942 Indefinitely=943v} "
              "Options={Run at Startup=929 Visit Website...=933} Pause=926 Exit=921");
    for (const char* t : {"www.example.com", "plain text", "newest"}) Copy(t);
    const char* itemMenus[] = {"950g 951g 952g {954g 953g 923}", "950 951g 952 {954g 953 923}",
                               "950 951g 952 {954 953 923}", "950 951 952 {954 953g 923}"};
    for (int row = -1; row <= 2; row++) {
        if (row >= 0) ListSelectRow(row);
        EXPECT_EQ(Shown(BuildItemMenu()), itemMenus[row + 1]) << "row " << row;
    }
    Command(IDM_PAUSE);
    EXPECT_EQ(Shown(BuildTrayMenu()), "{923} {940 941 942 943v} {929 933} 926v 921");
    EXPECT_TRUE(Saved("PauseState = 1"));
    Command(IDM_PAUSE);
    // Each keep command is stored and saved at once; 944 has no entry, so none is checked.
    const char* keep[] = {"940v 941 942 943", "940 941v 942 943", "940 941 942v 943", "940 941 942 943v",
                          "940 941 942 943}"};
    for (int policy = 0; policy <= 4; policy++) {
        Command(IDM_KEEP_WEEK + policy);
        EXPECT_TRUE(Saved("KeepPolicy = " + std::to_string(policy)));
        EXPECT_NE(Shown(BuildTrayMenu()).find(keep[policy]), std::string::npos) << policy;
    }
    EXPECT_EQ(ListRowCount(), 3) << "nothing expires until the next start or resume";

    // The view options are saved and applied at once; timestamps at the right count as off.
    // A column's width, the fonts of the list and the pane, the grid, and the menu's ticks:
    auto view = [&](int column) {
        bool grid = SendMessageA(ListWindow(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_GRIDLINES;
        return std::to_string(SendMessageA(ListWindow(), LVM_GETCOLUMNWIDTH, column, 0)) + ", " + Face(ListWindow()) +
               ", " + Face(Child(IDC_PREVIEW)) + (grid ? ", grid, " : ", ") + Shown(BuildViewMenu());
    };
    EXPECT_EQ(view(1), "96, Tahoma -13, Tahoma -13, 930 931 927");
    for (int id : {IDM_TIMESTAMPS, IDM_MONO_FONT, IDM_GRID_LINES}) Command(id);
    EXPECT_TRUE(Saved("Timestamps = 1") && Saved("MonoFont = 1") && Saved("GridLines = 1"));
    // Rows keep the columns they came in with when the mode changes.
    Copy("new");
    EXPECT_EQ(Cell(0, 0) + "|" + Cell(0, 1) + "|" + Cell(1, 0), HistoryItemTimeText(0) + "|new|newest");
    EXPECT_EQ(view(0), "126, Courier New -13, Courier New -13, grid, 930v 931v 927v");
    Command(IDM_MONO_FONT);
    EXPECT_EQ(view(0), "96, Tahoma -13, Tahoma -13, grid, 930v 931v 927");
    for (int id : {IDM_TIMESTAMPS, IDM_GRID_LINES}) Command(id);
    EXPECT_TRUE(Saved("Timestamps = 0") && Saved("MonoFont = 0") && Saved("GridLines = 0"));
    EXPECT_EQ(view(0), "2, Tahoma -13, Tahoma -13, 930 931 927");

    // Run at Startup, in the per-user Run key of this test's own Wine prefix; a program that
    // moved, or the same path in other letters, is not this one.
    const char* run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    auto value = [&] {
        char data[600] = "-";
        DWORD size = sizeof data;
        RegGetValueA(HKEY_CURRENT_USER, run, "Hoardium", RRF_RT_REG_SZ | RRF_NOEXPAND, nullptr, data, &size);
        return std::string(data);
    };
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, sizeof exe);
    std::string upper = exe;
    CharUpperA(&upper[0]);
    RegDeleteKeyValueA(HKEY_CURRENT_USER, run, "Hoardium");
    for (const std::string& before : {std::string("-"), std::string(exe), std::string("C:\\Elsewhere\\Hoardium.exe"), upper}) {
        if (before != "-" && before != exe) RegSetKeyValueA(HKEY_CURRENT_USER, run, "Hoardium", REG_SZ, &before[0], before.size() + 1);
        EXPECT_EQ(Shown(BuildTrayMenu()).find("929v") != std::string::npos, before == exe) << before;
        Command(IDM_RUN_AT_STARTUP);
        EXPECT_EQ(value(), before == exe ? "-" : exe) << before;
    }
    RegDeleteKeyValueA(HKEY_CURRENT_USER, run, "Hoardium");

    // Under Wine the shell hands a web address to the first program named here.
    RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Wine\\WineBrowser", "Browsers", REG_SZ, HOARDIUM_TEST_BROWSER,
                    sizeof HOARDIUM_TEST_BROWSER);
    const std::string opened = "Z:" HOARDIUM_TEST_BROWSER ".opened";
    DeleteFileA(opened.c_str());
    NMHDR doubleClick = {ListWindow(), IDC_HISTORY_LIST, UINT(NM_DBLCLK)};
    // A text that is no address opens nothing, by any way; an address opens by every way.
    Ctrl(true);
    for (int row : {2, 3}) {
        ListSelectRow(row);
        Command(IDM_ITEM_GOTO);
        Key(VK_RETURN);
        SendMessageA(window, WM_NOTIFY, IDC_HISTORY_LIST, LPARAM(&doubleClick));
    }
    Ctrl(false);
    Command(IDM_VISIT_WEBSITE);
    // The launches run side by side, so the addresses come in any order; Wine's launcher
    // ends a bare host with a slash.
    auto lines = [&] {
        std::istringstream in(ReadFile(opened));
        return std::multiset<std::string>(std::istream_iterator<std::string>(in), {});
    };
    EXPECT_TRUE(PumpUntil([&] { return lines().size() >= 4; }, 15000));
    const std::string www = "http://www.example.com/";
    EXPECT_EQ(lines(), std::multiset<std::string>({www, www, www, ProjectWebsite}));
    EXPECT_EQ(HistoryItemText(3), "www.example.com") << "Ctrl with Enter or a double click copies nothing";
}

// The window comes and goes by the tray icon, the hotkey, Escape and the loss of the focus;
// only a pinned window stays when the focus leaves, or goes at a tray click.
TEST_F(HistoryWindowTest, KeysOfTheListHotkeysAndTheShowHideRules) {
    Start("MaxItems = 7\r\n");
    DWORD sequence = GetClipboardSequenceNumber();
    for (int id = HOTKEY_FIRST_ITEM; id <= HOTKEY_LAST_ITEM; id++) Hotkey(id);
    EXPECT_EQ(GetClipboardSequenceNumber(), sequence) << "an item hotkey with no history touched the clipboard";
    for (const char* t : {"apple", "banana", "cocoa", "tea", "plum", "zebra", "Blueberry"}) Copy(t);
    auto state = [&] {
        return std::string(IsWindowVisible(window) ? "shown" : "hidden") + (Pinned() ? " pinned" : "") +
               (PreviewOpen() ? " preview" : "") + (ToolbarShown() ? "" : " bare");
    };
    // Typed letters find the next row whose text starts with them; the list's own command
    // keys do what they do, and stay out of the find though their characters reach it too.
    // 'B': after the selected row, not the Blueberry above it; "bl" goes round past the end,
    // whatever the case; "blx" matches nothing.
    ListSelectRow(1);
    const struct { WPARAM key; int selected; const char* state; } typed[] = {
        {'P', 1, "hidden pinned"}, {'P', 1, "hidden"}, {'T', 1, "hidden bare"}, {'T', 1, "hidden"},
        {'C', 1, "hidden"}, {VK_SPACE, 1, "hidden preview"}, {VK_BACK, 1, "hidden"},
        {'B', 5, "hidden"}, {'L', 0, "hidden"}, {'X', 0, "hidden"}};
    for (const auto& k : typed) {
        Key(k.key);
        EXPECT_EQ(std::to_string(ListSelectedRow()) + " " + state(), std::to_string(k.selected) + " " + k.state)
            << char(k.key);
    }
    // A removed row's focus goes to the row in its place, so the next arrow key goes on from there.
    auto removed = [&](int focused, const char* copy, WPARAM key) {
        ListSelectRow(focused);
        Copy(copy);
        SendMessageA(ListWindow(), WM_KEYDOWN, key, 1);
        return ListSelectedRow();
    };
    EXPECT_EQ(removed(2, "plum", VK_DOWN), 4);
    EXPECT_EQ(removed(6, "kiwi", VK_UP), 5);
    // Each key acts on the selected row.
    ListSelectRow(6);
    Key(VK_DELETE);
    Key(VK_RETURN);
    AwaitCapture();
    EXPECT_EQ(ClipboardText() + ": " + Texts(), "cocoa: cocoa kiwi plum Blueberry zebra tea");
    ListSelectRow(1);
    Ctrl(true);
    Key('C');
    Ctrl(false);
    AwaitCapture();
    EXPECT_EQ(ClipboardText() + ": " + Texts(), "kiwi: kiwi cocoa plum Blueberry zebra tea");
    // Item hotkeys copy only items that exist; Ctrl+Numpad3 the third.
    sequence = GetClipboardSequenceNumber();
    for (int id = HOTKEY_FIRST_ITEM + 6; id <= HOTKEY_LAST_ITEM + 1; id++) Hotkey(id);
    EXPECT_EQ(GetClipboardSequenceNumber(), sequence);
    Hotkey(HOTKEY_FIRST_ITEM + 2);
    AwaitCapture();
    // The paste leaves the left Ctrl down for the user's own release; release it here.
    keybd_event(VK_LCONTROL, 0, KEYEVENTF_KEYUP, 0);
    EXPECT_EQ(ClipboardText() + ": " + Texts(), "plum: plum kiwi cocoa Blueberry zebra tea");
    ExpectInStep();

    auto away = [&] { SetForegroundWindow(GetDesktopWindow()), Request(ReqFocusLost); };
    auto tray = [&] { Request(WM_LBUTTONDOWN); };
    auto showHide = [&] { Hotkey(HOTKEY_SHOW_HIDE); };
    const struct { const char* what; std::function<void()> act; const char* after; } steps[] = {
        {"tray click on the hidden window", tray, "shown"},
        {"tray click on the unpinned window", [&] { Request(WM_LBUTTONDBLCLK); }, "shown"},
        {"focus lost, unpinned", away, "hidden"},
        {"hotkey on the hidden window", showHide, "shown pinned"},
        {"focus lost, pinned", away, "shown pinned"},
        {"tray click on the pinned window", tray, "hidden"},
        {"double click shows it", [&] { Request(WM_LBUTTONDBLCLK); }, "shown"},
        {"P pins", [&] { Key('P'); }, "shown pinned"},
        {"the pin button unpins", [&] { Command(IDC_TB_PIN); }, "shown"},
        {"the hotkey on the unpinned window", showHide, "hidden"},
        {"the hotkey shows it", showHide, "shown pinned"},
        {"Escape hides and unpins", [&] { Key(VK_ESCAPE); }, "hidden"},
        {"closing only hides", [&] { tray(), SendMessageA(window, WM_CLOSE, 0, 0); }, "hidden"},
        {"hiding closes the preview", [&] { tray(), Key(VK_SPACE), Key(VK_ESCAPE); }, "hidden"},
    };
    for (const auto& step : steps) {
        step.act();
        EXPECT_EQ(state(), step.after) << step.what;
    }
}

}  // namespace
