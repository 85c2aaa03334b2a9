// The user's actions through the real window: item commands, menus, hotkeys, the keys of
// the list, showing and hiding, Run at Startup in the registry and the view options.
#include <commctrl.h>

#include <cctype>

#include "history/history_list.h"
#include "settings/run_at_startup.h"
#include "settings/settings_store.h"
#include "tests/shell/shell_fixture.h"
#include "ui/fonts.h"
#include "ui/list_view.h"
#include "ui/menus.h"
#include "ui/placement.h"
#include "ui/preview_pane.h"
#include "ui/preview_text.h"
#include "ui/toolbar.h"

namespace {

void Select(int row) { ListSelectRow(row); }
std::string Preview(int row) { return row < 0 ? "" : PreviewText(HistoryLoadText(row)); }

TEST_F(HistoryWindowTest, CopyMovesTheItemToTheTopSelectedWithItsFullTextOnTheClipboard) {
    Start();
    for (const char* t : {"3\r\nx", "2\r\nx", "1\r\nx", "0\r\nx"}) Copy(t);
    // The newest item goes out and comes back in the same place.
    for (int row : {2, 0}) {
        Select(row);
        Command(IDM_ITEM_COPY);
        AwaitCapture();
        EXPECT_EQ(ClipboardText(), "2\r\nx");
        EXPECT_EQ(Texts(), "2 \xB6 x 0 \xB6 x 1 \xB6 x 3 \xB6 x");
        EXPECT_EQ(ListSelectedRow(), 0);
        ExpectInStep();
        Command(IDM_CLEAR_CLIPBOARD);
        AwaitCapture();
    }
}

TEST_F(HistoryWindowTest, DeletingKeepsSelectionPreviewAndStoreWithTheRows) {
    Start("Timestamps = 1\r\n");
    for (const char* t : {"a", "b", "c", "d", "e", "f"}) Copy(t);
    const struct {
        int row, command;
        const char* rowsAfter;
        int selectedAfter;
    } steps[] = {
        {5, IDM_ITEM_DELETE, "f e d c b", 4},        // the last row: the new last row is selected
        {0, IDM_ITEM_DELETE_NEWER, "f e d c b", 0},  // nothing is newer than the newest
        {4, IDM_ITEM_DELETE_OLDER, "f e d c b", 4},  // nor older than the oldest
        {1, IDC_TB_DELETE, "f d c b", 1},            // the row that moved up takes the place
        {2, IDM_ITEM_DELETE, "f d b", 2},
        {1, IDM_ITEM_DELETE_OLDER, "f d", 1},
        {1, IDM_ITEM_DELETE_NEWER, "d", 0},
        {0, IDM_ITEM_DELETE, "", -1},                // the only row
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(std::to_string(step.command) + " on row " + std::to_string(step.row));
        Select(step.row);
        Command(step.command);
        EXPECT_EQ(Texts(), step.rowsAfter);
        EXPECT_EQ(ListSelectedRow(), step.selectedAfter);
        EXPECT_EQ(WindowText(Child(IDC_PREVIEW)), Preview(step.selectedAfter));
        ExpectInStep();
    }
    for (const char* t : {"x", "y"}) Copy(t);
    Select(1);
    Command(IDM_DELETE_ALL);
    EXPECT_EQ(Texts() + WindowText(Child(IDC_PREVIEW)), "");
    ExpectInStep();
}

// An item whose file was emptied cannot go on the clipboard, so no change notification
// follows to put its row back.
TEST_F(HistoryWindowTest, CopyThatCannotReachTheClipboardPutsTheRowBackAndMissesNoCopy) {
    Start();
    for (const char* t : {"kept", "emptied", "newest"}) Copy(t);
    WriteFile(ItemFile(1), "");
    DWORD sequence = GetClipboardSequenceNumber();
    Select(1);
    Command(IDM_ITEM_COPY);
    EXPECT_EQ(GetClipboardSequenceNumber(), sequence);
    EXPECT_EQ(Texts(), "emptied newest kept");
    EXPECT_EQ(ListSelectedRow(), 0);
    Copy("next");
    EXPECT_EQ(Texts(), "next emptied newest kept");
}

// A capture can take the selection away while the item menu is open.
TEST_F(HistoryWindowTest, ItemCommandsWithNoSelectedRowDoNothing) {
    Start();
    for (const char* t : {"a", "b", "c"}) Copy(t);
    Select(1);
    Copy("b");
    ASSERT_EQ(ListSelectedRow(), -1);
    DWORD sequence = GetClipboardSequenceNumber();
    for (int id : {int(IDM_ITEM_DELETE_OLDER), int(IDM_ITEM_DELETE_NEWER), int(IDM_ITEM_DELETE), int(IDM_ITEM_COPY), int(IDC_TB_COPY),
                   int(IDC_TB_DELETE)}) {
        Command(id);
        EXPECT_EQ(Texts(), "b c a") << "command " << id;
    }
    EXPECT_EQ(GetClipboardSequenceNumber(), sequence);
    ExpectInStep();
}

TEST_F(HistoryWindowTest, MenusGreyWhatDoesNotApplyAndCheckWhatIsOn) {
    Start();
    EXPECT_EQ(Shown(BuildItemMenu(), true), "Copy=950 grey | Go to Address=951 grey | - | Delete=952 grey | "
                                            "Delete More{Newer=954 grey | Older=953 grey | - | All=923} grey");
    EXPECT_EQ(Shown(BuildTrayMenu(), true),
              "Delete All...{OK=923} grey | - | Keep Items...{for a Week=940 | for a Month=941 | until Exit=942 | "
              "Indefinitely=943 check} | Options{Run at Startup=929 | - | Visit Website...=933} | - | Pause=926 | "
              "Exit=921");
    for (const char* t : {"www.example.com", "plain text", "newest"}) Copy(t);
    const struct {
        int row;
        const char* menu;
    } cases[] = {
        {-1, "950 grey | 951 grey | - | 952 grey | {954 grey | 953 grey | - | 923}"},
        {0, "950 | 951 grey | - | 952 | {954 grey | 953 | - | 923}"},
        {1, "950 | 951 grey | - | 952 | {954 | 953 | - | 923}"},
        {2, "950 | 951 | - | 952 | {954 | 953 grey | - | 923}"},
    };
    for (const auto& c : cases) {
        if (c.row >= 0) Select(c.row);
        EXPECT_EQ(Shown(BuildItemMenu()), c.menu) << "row " << c.row;
    }
    Command(IDM_PAUSE);
    EXPECT_EQ(Shown(BuildTrayMenu()), "{923} | - | {940 | 941 | 942 | 943 check} | {929 | - | 933} | - | 926 check | 921");
    // Each keep command is stored and saved at once; 944 has no entry, so none is checked.
    const char* keep[] = {"940 check | 941 | 942 | 943", "940 | 941 check | 942 | 943", "940 | 941 | 942 check | 943",
                          "940 | 941 | 942 | 943 check", "940 | 941 | 942 | 943"};
    for (int policy = 0; policy <= 4; policy++) {
        Command(IDM_KEEP_WEEK + policy);
        EXPECT_TRUE(Saved("KeepPolicy = " + std::to_string(policy)));
        EXPECT_NE(Shown(BuildTrayMenu()).find(keep[policy]), std::string::npos) << policy;
    }
    EXPECT_EQ(ListRowCount(), 3) << "nothing expires until the next start or resume";
}

TEST_F(HistoryWindowTest, ViewOptionsAreSavedAndAppliedAtOnce) {
    Start("Timestamps = 2\r\n");
    Copy("row");
    // Timestamps at the right count as off for the menu.
    EXPECT_EQ(Shown(BuildViewMenu()), "930 | 931 | 927");
    HWND list = ListWindow();
    auto width = [&](int column) { return int(SendMessageA(list, LVM_GETCOLUMNWIDTH, column, 0)); };
    auto grid = [&] { return (SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_GRIDLINES) != 0; };
    auto font = [&](HWND w) { return HFONT(SendMessageA(w, WM_GETFONT, 0, 0)); };
    EXPECT_EQ(width(1), 96);
    for (int id : {IDM_TIMESTAMPS, IDM_MONO_FONT, IDM_GRID_LINES}) Command(id);
    EXPECT_TRUE(Saved("Timestamps = 1") && Saved("MonoFont = 1") && Saved("GridLines = 1"));
    // Rows keep the columns they came in with when the mode changes.
    Copy("new");
    EXPECT_EQ(Cell(0, 0) + "|" + Cell(0, 1), HistoryItemTimeText(0) + "|new");
    EXPECT_EQ(Cell(1, 0) + "|" + Cell(1, 1), "row|" + HistoryItemTimeText(1));
    EXPECT_EQ(width(0), 126);
    EXPECT_TRUE(font(list) == FixedFont() && font(Child(IDC_PREVIEW)) == FixedFont() && grid());
    EXPECT_EQ(Shown(BuildViewMenu()), "930 check | 931 check | 927 check");
    Command(IDM_MONO_FONT);
    EXPECT_EQ(width(0), 96);
    for (int id : {IDM_TIMESTAMPS, IDM_GRID_LINES}) Command(id);
    EXPECT_TRUE(Saved("Timestamps = 0") && Saved("MonoFont = 0") && Saved("GridLines = 0"));
    EXPECT_EQ(width(0), 2);
    EXPECT_TRUE(font(list) == ListFont() && font(Child(IDC_PREVIEW)) == ListFont() && !grid());
}

TEST_F(HistoryWindowTest, ItemHotkeysCopyOnlyItemsThatExist) {
    Start();
    SendMessageA(window, WM_HOTKEY, HOTKEY_FIRST_ITEM, 0);
    for (const char* t : {"c", "b", "a"}) Copy(t);
    DWORD sequence = GetClipboardSequenceNumber();
    for (int id = HOTKEY_FIRST_ITEM + 3; id <= HOTKEY_LAST_ITEM + 1; id++) SendMessageA(window, WM_HOTKEY, id, 0);
    EXPECT_EQ(GetClipboardSequenceNumber(), sequence);
    EXPECT_EQ(Texts(), "a b c");
    // Ctrl+Numpad3: the third item.
    SendMessageA(window, WM_HOTKEY, HOTKEY_FIRST_ITEM + 2, 0);
    AwaitCapture();
    // The paste leaves the left Ctrl down for the user's own release; release it here.
    keybd_event(VK_LCONTROL, 0, KEYEVENTF_KEYUP, 0);
    EXPECT_EQ(ClipboardText(), "c");
    EXPECT_EQ(Texts(), "c a b");
    ExpectInStep();
}

// The window comes and goes by the tray icon, the hotkey, Escape and the loss of the
// focus; only a pinned window stays when the focus leaves, or goes at a tray click.
TEST_F(HistoryWindowTest, ShowHideAndPinRules) {
    Start();
    Copy("a");
    // The focus goes to another program's window.
    auto away = [&] { SetForegroundWindow(GetDesktopWindow()), Request(ReqFocusLost); };
    const struct {
        const char* what;
        std::function<void()> act;
        bool visibleAfter, pinnedAfter;
    } steps[] = {
        {"tray click on the hidden window", [&] { Request(WM_LBUTTONDOWN); }, true, false},
        {"tray click on the unpinned window", [&] { Request(WM_LBUTTONDBLCLK); }, true, false},
        {"focus lost, unpinned", away, false, false},
        {"hotkey on the hidden window", [&] { SendMessageA(window, WM_HOTKEY, HOTKEY_SHOW_HIDE, 0); }, true, true},
        {"focus lost, pinned", away, true, true},
        {"tray click on the pinned window", [&] { Request(WM_LBUTTONDOWN); }, false, false},
        {"double click shows it", [&] { Request(WM_LBUTTONDBLCLK); }, true, false},
        {"P pins", [&] { Key('P'); }, true, true},
        {"the pin button unpins", [&] { Command(IDC_TB_PIN); }, true, false},
        {"the hotkey on the unpinned window", [&] { SendMessageA(window, WM_HOTKEY, HOTKEY_SHOW_HIDE, 0); }, false, false},
        {"the hotkey shows it", [&] { SendMessageA(window, WM_HOTKEY, HOTKEY_SHOW_HIDE, 0); }, true, true},
        {"Escape hides and unpins", [&] { Key(VK_ESCAPE); }, false, false},
        {"closing only hides", [&] { Request(WM_LBUTTONDOWN), SendMessageA(window, WM_CLOSE, 0, 0); }, false, false},
    };
    for (const auto& step : steps) {
        step.act();
        EXPECT_EQ(IsWindowVisible(window) != 0, step.visibleAfter) << step.what;
        EXPECT_EQ(Pinned(), step.pinnedAfter) << step.what;
    }
    // Hiding closes the preview.
    Request(WM_LBUTTONDOWN);
    Key(VK_SPACE);
    EXPECT_TRUE(IsWindowVisible(Child(IDC_PREVIEW)));
    Key(VK_ESCAPE);
    EXPECT_FALSE(PreviewOpen());
}

// Keys of the list: each acts on the selected row, and no typed letter of theirs finds a row.
TEST_F(HistoryWindowTest, KeysOfTheList) {
    Start();
    for (const char* t : {"c", "b", "a"}) Copy(t);
    Select(2);
    Key(VK_DELETE);
    EXPECT_EQ(Texts(), "a b");
    EXPECT_EQ(ListSelectedRow(), 1);
    Key(VK_RETURN);
    AwaitCapture();
    EXPECT_EQ(ClipboardText() + " " + Texts(), "b b a");
    Select(1);
    Key('C');
    EXPECT_EQ(Texts(), "b a") << "C without Ctrl copies nothing";
    keybd_event(VK_CONTROL, 0, 0, 0);
    Key('C');
    keybd_event(VK_CONTROL, 0, KEYEVENTF_KEYUP, 0);
    AwaitCapture();
    EXPECT_EQ(ClipboardText() + " " + Texts(), "a a b");
    for (WPARAM k : {VK_SPACE, VK_BACK}) {
        Key(k);
        EXPECT_TRUE(PreviewOpen());
        Key(k);
        EXPECT_FALSE(PreviewOpen());
    }
    Key('T');
    EXPECT_FALSE(ToolbarShown());
    EXPECT_EQ(ListSelectedRow(), 0);
    ExpectInStep();
}

// The per-user Run key of this test's own Wine prefix.
TEST_F(HistoryWindowTest, RunAtStartupTogglesOnlyItsOwnValue) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
    auto set = [&](const char* name, const std::string& data) {
        RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()), DWORD(data.size() + 1));
    };
    auto value = [&](const char* name) {
        char data[600];
        DWORD size = sizeof data, type = 0;
        if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size)) return std::string("-");
        return std::string(data, size) + (type == REG_SZ ? "" : " (not REG_SZ)");
    };
    auto checked = [] { return Shown(BuildTrayMenu()).find("929 check") != std::string::npos; };
    RegDeleteValueA(key, "Hoardium");
    Start();
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, sizeof exe);
    const std::string own = std::string(exe) + '\0', other = "C:\\Other\\tool.exe --quiet";
    set("HoardiumTestNeighbour", other);
    EXPECT_FALSE(checked());
    Command(IDM_RUN_AT_STARTUP);
    EXPECT_EQ(value("Hoardium"), own);
    EXPECT_TRUE(checked());
    Command(IDM_RUN_AT_STARTUP);
    EXPECT_EQ(value("Hoardium"), "-");
    EXPECT_FALSE(checked());
    // A program that moved, or the same path in other letters, is not this one.
    std::string upper = exe;
    for (char& c : upper) c = char(std::toupper(static_cast<unsigned char>(c)));
    for (const std::string& stale : {std::string("C:\\Elsewhere\\Hoardium.exe"), upper}) {
        set("Hoardium", stale);
        EXPECT_FALSE(checked()) << stale;
        Command(IDM_RUN_AT_STARTUP);
        EXPECT_EQ(value("Hoardium"), own) << stale;
    }
    EXPECT_EQ(value("HoardiumTestNeighbour"), other + '\0');
    for (const char* name : {"Hoardium", "HoardiumTestNeighbour"}) RegDeleteValueA(key, name);
    RegCloseKey(key);
}

// The list's rows come from the history when shown, so the control alone no longer moves
// the selection with an item or remembers which column a row put its text in.
TEST_F(HistoryWindowTest, SelectionAndPreviewStayWithTheirItemAsRowsComeAndGoAbove) {
    Start();
    for (const char* t : {"a", "b", "c"}) Copy(t);
    Select(1);
    const struct {
        std::function<void()> change;
        const char* rowsAfter;
        int selectedAfter;
    } steps[] = {
        {[&] { Copy("d"); }, "d c b a", 2},
        {[&] { Copy("a"); }, "a d c b", 3},
        {[&] { Command(IDM_ITEM_DELETE_NEWER); }, "b", 0},
    };
    for (const auto& step : steps) {
        step.change();
        EXPECT_EQ(Texts(), step.rowsAfter);
        EXPECT_EQ(ListSelectedRow(), step.selectedAfter);
        EXPECT_EQ(WindowText(Child(IDC_PREVIEW)), "b");
    }
    ExpectInStep();
}

// A plain list hands a removed row's focus to the row that takes its place, so the next
// arrow key goes on from there and not from the top.
TEST_F(HistoryWindowTest, FocusOfARemovedRowGoesToTheRowInItsPlace) {
    Start("MaxItems = 4\r\n");
    for (const char* t : {"a", "b", "c", "d"}) Copy(t);
    const struct {
        int focused;
        const char *copy, *rowsAfter;
        WPARAM key;
        int selectedAfterKey;
    } steps[] = {{1, "c", "c d b a", VK_DOWN, 3}, {3, "e", "e c d b", VK_UP, 2}};
    for (const auto& step : steps) {
        Select(step.focused);
        Copy(step.copy);
        EXPECT_EQ(Texts(), step.rowsAfter);
        SendMessageA(ListWindow(), WM_KEYDOWN, step.key, 1);
        EXPECT_EQ(ListSelectedRow(), step.selectedAfterKey) << step.copy;
    }
}

// Typed letters find the next row whose text starts with them; the list's own command
// keys stay what they are, even though their characters reach it too.
TEST_F(HistoryWindowTest, TypingSelectsTheNextRowStartingWithTheTypedLetters) {
    Start();
    for (const char* t : {"apple", "banana", "cocoa", "tea", "plum", "zebra", "Blueberry"}) Copy(t);
    Select(1);
    const struct {
        WPARAM key;
        int selectedAfter;
    } keys[] = {
        {'P', 1}, {'P', 1}, {'T', 1}, {'T', 1}, {'C', 1}, {VK_SPACE, 1}, {VK_BACK, 1},
        {'B', 5},  // after the selected row, not the Blueberry above it
        {'L', 0},  // "bl" goes round past the end, whatever the case
        {'X', 0},  // "blx" matches nothing
    };
    for (const auto& k : keys) {
        Key(k.key);
        EXPECT_EQ(ListSelectedRow(), k.selectedAfter) << char(k.key);
        EXPECT_EQ(WindowText(Child(IDC_PREVIEW)), Preview(k.selectedAfter)) << char(k.key);
    }
}

}  // namespace
