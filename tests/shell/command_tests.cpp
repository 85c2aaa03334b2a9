// The user's actions through the real window: item commands, the menus, the hotkeys,
// Run at Startup in the registry, the view options and the keep policy.
#include <windows.h>

#include <commctrl.h>

#include <cctype>
#include <sstream>
#include <string>

#include "app/identifiers.h"
#include "history/clipboard.h"
#include "history/history_list.h"
#include "settings/paths.h"
#include "settings/run_at_startup.h"
#include "settings/settings_store.h"
#include "tests/shell/shell_fixture.h"
#include "ui/fonts.h"
#include "ui/list_view.h"
#include "ui/menus.h"
#include "ui/preview_pane.h"
#include "ui/preview_text.h"
#include "ui/toolbar.h"

namespace {

std::string ClipboardText() {
    std::string text;
    GetClipboardText(&text);
    return text;
}

std::string Rows() {
    std::string rows;
    for (int i = 0; i < ListRowCount(); i++) rows += (i ? " " : "") + Cell(i, 1);
    return rows;
}

// A menu as one line: "Label=id", a sub-menu as "Label{...}", "-" for a separator,
// " grey" and " check" where they apply.
std::string Describe(HMENU menu) {
    std::string out;
    for (int k = 0; k < GetMenuItemCount(menu); k++) {
        char label[256] = "";
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
        info.dwTypeData = label;
        info.cch = sizeof label;
        GetMenuItemInfoA(menu, k, TRUE, &info);
        if (k) out += " | ";
        if (info.fType & MFT_SEPARATOR) {
            out += "-";
            continue;
        }
        out += label;
        out += info.hSubMenu ? "{" + Describe(info.hSubMenu) + "}" : "=" + std::to_string(info.wID);
        if (info.fState & MFS_GRAYED) out += " grey";
        if (info.fState & MFS_CHECKED) out += " check";
    }
    return out;
}

std::string Shown(HMENU menu) {
    std::string text = Describe(menu);
    DestroyMenu(menu);
    return text;
}

std::string TraySubMenu(int position) {
    HMENU tray = BuildTrayMenu();
    std::string text = Describe(GetSubMenu(tray, position));
    DestroyMenu(tray);
    return text;
}

TEST_F(HistoryWindowTest, CopyMovesTheItemToTheTopSelectedWithItsFullTextOnTheClipboard) {
    Start();
    for (int k = 9; k >= 0; k--) Copy(std::to_string(k) + "\r\nmore");
    ListSelectRow(5);
    Command(IDM_ITEM_COPY);
    AwaitCapture();
    EXPECT_EQ(ClipboardText(), "5\r\nmore");
    EXPECT_EQ(Rows(), "5 \xB6 more 0 \xB6 more 1 \xB6 more 2 \xB6 more 3 \xB6 more 4 \xB6 more "
                      "6 \xB6 more 7 \xB6 more 8 \xB6 more 9 \xB6 more");
    EXPECT_EQ(ListSelectedRow(), 0);
    ExpectStoreMatchesRows();

    // The newest item goes out and comes back in the same place.
    Command(IDM_CLEAR_CLIPBOARD);
    AwaitCapture();
    Command(IDM_ITEM_COPY);
    AwaitCapture();
    EXPECT_EQ(ClipboardText(), "5\r\nmore");
    EXPECT_EQ(ListRowCount(), 10);
    EXPECT_EQ(Cell(0, 1), "5 \xB6 more");
    EXPECT_EQ(ListSelectedRow(), 0);
    ExpectStoreMatchesRows();
}

TEST_F(HistoryWindowTest, DeletingKeepsSelectionPreviewAndStoreWithTheRows) {
    Start();
    for (const char* t : {"a", "b", "c", "d"}) Copy(t);
    const struct {
        int row, command;
        const char* rowsAfter;
        int selectedAfter;
    } steps[] = {
        {3, IDM_ITEM_DELETE, "d c b", 2},        // the last row: the new last row is selected
        {0, IDM_ITEM_DELETE_NEWER, "d c b", 0},  // nothing is newer than the newest
        {2, IDM_ITEM_DELETE_OLDER, "d c b", 2},  // nor older than the oldest
        {1, IDM_ITEM_DELETE, "d b", 1},          // the row that moved up takes the place
        {1, IDM_ITEM_DELETE_NEWER, "b", 0},
        {0, IDM_ITEM_DELETE, "", -1},            // the only row
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(std::to_string(step.command) + " on row " + std::to_string(step.row));
        ListSelectRow(step.row);
        Command(step.command);
        EXPECT_EQ(Rows(), step.rowsAfter);
        EXPECT_EQ(ListSelectedRow(), step.selectedAfter);
        std::string preview = step.selectedAfter < 0 ? "" : PreviewText(HistoryLoadText(step.selectedAfter));
        EXPECT_EQ(WindowText(Child(IDC_PREVIEW)), preview);
        ExpectStoreMatchesRows();
    }

    for (const char* t : {"x", "y", "z"}) Copy(t);
    ListSelectRow(1);
    Command(IDM_DELETE_ALL);
    EXPECT_EQ(ListRowCount(), 0);
    EXPECT_EQ(WindowText(Child(IDC_PREVIEW)), "");
    ExpectStoreMatchesRows();
}

// An item whose file was emptied cannot go on the clipboard, so no change notification
// follows to put its row back.
TEST_F(HistoryWindowTest, CopyThatCannotReachTheClipboardPutsTheRowBackAndMissesNoCopy) {
    Start();
    for (const char* t : {"kept", "emptied", "newest"}) Copy(t);
    std::istringstream index(ReadBytes(DataFile("__reg__")));
    std::string line, name;
    for (int k = 0; k < 3; k++) std::getline(index, line);  // row 1's record starts on line 3
    std::istringstream(line) >> name;
    ASSERT_EQ(ReadBytes(DataFile(name)), "emptied");
    ASSERT_TRUE(WriteFileAtomically(DataFile(name), ""));

    DWORD sequence = GetClipboardSequenceNumber();
    ListSelectRow(1);
    Command(IDM_ITEM_COPY);
    EXPECT_EQ(GetClipboardSequenceNumber(), sequence);
    EXPECT_EQ(Rows(), "emptied newest kept");
    EXPECT_EQ(ListSelectedRow(), 0);
    ExpectRowsMatchHistory();

    Copy("the user's next copy");
    EXPECT_EQ(Rows(), "the user's next copy emptied newest kept");
    ExpectRowsMatchHistory();
}

// A capture can take the selection away while the item menu is open.
TEST_F(HistoryWindowTest, ItemCommandsWithNoSelectedRowDoNothing) {
    Start();
    for (const char* t : {"a", "b", "c"}) Copy(t);
    ListSelectRow(1);
    Copy("b");
    ASSERT_EQ(ListSelectedRow(), -1);
    DWORD sequence = GetClipboardSequenceNumber();
    for (int id : {IDM_ITEM_DELETE_OLDER, IDM_ITEM_DELETE_NEWER, IDM_ITEM_DELETE, IDM_ITEM_COPY}) {
        Command(id);
        EXPECT_EQ(Rows(), "b c a") << "command " << id;
    }
    EXPECT_EQ(GetClipboardSequenceNumber(), sequence);
    ExpectStoreMatchesRows();
}

TEST_F(HistoryWindowTest, ItemMenuGreysWhatDoesNotApply) {
    Start();
    EXPECT_EQ(Shown(BuildItemMenu()), "Copy=950 grey | Go to Address=951 grey | - | Delete=952 grey | "
                                      "Delete More{Newer=954 grey | Older=953 grey | - | All=923} grey");
    Copy("www.example.com");
    const std::string nothingSelected =
        "Copy=950 grey | Go to Address=951 grey | - | Delete=952 grey | "
        "Delete More{Newer=954 grey | Older=953 grey | - | All=923}";
    EXPECT_EQ(Shown(BuildItemMenu()), nothingSelected);
    ListSelectRow(0);
    EXPECT_EQ(Shown(BuildItemMenu()), "Copy=950 | Go to Address=951 | - | Delete=952 | "
                                      "Delete More{Newer=954 grey | Older=953 grey | - | All=923}");

    Copy("plain text");
    Copy("newest");
    const struct {
        int row;
        const char* menu;
    } cases[] = {
        {0, "Copy=950 | Go to Address=951 grey | - | Delete=952 | "
            "Delete More{Newer=954 grey | Older=953 | - | All=923}"},
        {1, "Copy=950 | Go to Address=951 grey | - | Delete=952 | "
            "Delete More{Newer=954 | Older=953 | - | All=923}"},
        {2, "Copy=950 | Go to Address=951 | - | Delete=952 | "
            "Delete More{Newer=954 | Older=953 grey | - | All=923}"},
    };
    for (const auto& c : cases) {
        ListSelectRow(c.row);
        EXPECT_EQ(Shown(BuildItemMenu()), c.menu) << "row " << c.row;
    }
}

TEST_F(HistoryWindowTest, TrayMenuFollowsHistoryPauseAndKeepPolicy) {
    Start("KeepPolicy = 3\r\n");
    EXPECT_EQ(Shown(BuildTrayMenu()),
              "Delete All...{OK=923} grey | - | "
              "Keep Items...{for a Week=940 | for a Month=941 | until Exit=942 | Indefinitely=943 check} | "
              "Options{Run at Startup=929 | - | Visit Website...=933} | - | Pause=926 | Exit=921");
    Copy("one");
    Command(IDM_PAUSE);
    EXPECT_EQ(Shown(BuildTrayMenu()),
              "Delete All...{OK=923} | - | "
              "Keep Items...{for a Week=940 | for a Month=941 | until Exit=942 | Indefinitely=943 check} | "
              "Options{Run at Startup=929 | - | Visit Website...=933} | - | Pause=926 check | Exit=921");
    Command(IDM_PAUSE);

    // Each keep command is stored and saved at once; 944 has no entry, so none is checked.
    const char* keep[] = {"for a Week=940", "for a Month=941", "until Exit=942", "Indefinitely=943"};
    for (int policy = 0; policy <= 4; policy++) {
        Command(IDM_KEEP_WEEK + policy);
        EXPECT_EQ(GetSetting("KeepPolicy"), policy);
        EXPECT_NE(SettingsText().find("KeepPolicy = " + std::to_string(policy) + "\r\n"), std::string::npos);
        std::string expected;
        for (int k = 0; k < 4; k++) expected += std::string(k ? " | " : "") + keep[k] + (k == policy ? " check" : "");
        EXPECT_EQ(TraySubMenu(2), expected) << "policy " << policy;
    }
    // Nothing expires until the next start or resume.
    EXPECT_EQ(ListRowCount(), 1);
}

TEST_F(HistoryWindowTest, MenusInHungarianKeepOkAsItIs) {
    Start("LangID = 1\r\nKeepPolicy = 0\r\n");
    Copy("egy");
    ListSelectRow(0);
    EXPECT_EQ(Shown(BuildItemMenu()),
              "Kim\xE1sol\xE1s=950 | Webhely megnyit\xE1sa=951 grey | - | T\xF6rl\xE9s=952 | "
              "T\xF6" "bb t\xF6rl\xE9se{\xDAjabbakat=954 grey | R\xE9gebbieket=953 grey | - | Mindet=923}");
    EXPECT_EQ(Shown(BuildTrayMenu()),
              "Mind t\xF6rl\xE9se...{OK=923} | - | Elemek megtart\xE1sa...{egy h\xE9tig=940 check | "
              "egy h\xF3napig=941 | kil\xE9p\xE9sig=942 | hat\xE1rozatlan ideig=943} | "
              "Opci\xF3k{Automatikus ind\xEDt\xE1s=929 | - | Weboldal megtekint\xE9se...=933} | - | "
              "Sz\xFCnet=926 | Kil\xE9p\xE9s=921");
}

TEST_F(HistoryWindowTest, ViewOptionsAreSavedAndAppliedAtOnce) {
    Start("Timestamps = 2\r\n");
    Copy("row");
    // Timestamps at the right count as off for the menu.
    EXPECT_EQ(Shown(BuildViewMenu()), "Show Timestamps=930 | Grid Lines=931 | Fixed-width Font=927");
    HWND list = ListWindow();
    auto width = [&](int column) { return int(SendMessageA(list, LVM_GETCOLUMNWIDTH, column, 0)); };
    auto saved = [&](const std::string& line) { return SettingsText().find(line + "\r\n") != std::string::npos; };
    auto grid = [&] { return (SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_GRIDLINES) != 0; };
    EXPECT_EQ(width(1), 96);

    Command(IDM_TIMESTAMPS);
    EXPECT_TRUE(saved("Timestamps = 1"));
    EXPECT_EQ(width(0), 96);
    Command(IDM_MONO_FONT);
    EXPECT_TRUE(saved("MonoFont = 1"));
    EXPECT_EQ(width(0), 126);
    EXPECT_EQ(HFONT(SendMessageA(list, WM_GETFONT, 0, 0)), FixedFont());
    EXPECT_EQ(HFONT(SendMessageA(Child(IDC_PREVIEW), WM_GETFONT, 0, 0)), FixedFont());
    Command(IDM_GRID_LINES);
    EXPECT_TRUE(saved("GridLines = 1"));
    EXPECT_TRUE(grid());
    EXPECT_EQ(Shown(BuildViewMenu()), "Show Timestamps=930 check | Grid Lines=931 check | Fixed-width Font=927 check");

    Command(IDM_TIMESTAMPS);
    Command(IDM_MONO_FONT);
    Command(IDM_GRID_LINES);
    EXPECT_TRUE(saved("Timestamps = 0") && saved("MonoFont = 0") && saved("GridLines = 0"));
    EXPECT_EQ(width(0), 2);
    EXPECT_EQ(HFONT(SendMessageA(list, WM_GETFONT, 0, 0)), ListFont());
    EXPECT_FALSE(grid());
}

TEST_F(HistoryWindowTest, ItemHotkeysCopyOnlyItemsThatExist) {
    Start();
    DWORD sequence = GetClipboardSequenceNumber();
    for (int id = HOTKEY_FIRST_ITEM; id <= HOTKEY_LAST_ITEM; id++) SendMessageA(window, WM_HOTKEY, id, 0);
    EXPECT_EQ(GetClipboardSequenceNumber(), sequence);
    EXPECT_EQ(ListRowCount(), 0);
    for (const char* t : {"c", "b", "a"}) Copy(t);
    sequence = GetClipboardSequenceNumber();
    for (int id = HOTKEY_FIRST_ITEM + 3; id <= HOTKEY_LAST_ITEM + 1; id++) SendMessageA(window, WM_HOTKEY, id, 0);
    EXPECT_EQ(GetClipboardSequenceNumber(), sequence);
    EXPECT_EQ(Rows(), "a b c");

    // Ctrl+Numpad3: the third item.
    SendMessageA(window, WM_HOTKEY, HOTKEY_FIRST_ITEM + 2, 0);
    AwaitCapture();
    // The paste leaves the left Ctrl down for the user's own release; release it here.
    keybd_event(VK_LCONTROL, 0, KEYEVENTF_KEYUP, 0);
    EXPECT_EQ(ClipboardText(), "c");
    EXPECT_EQ(Rows(), "c a b");
    EXPECT_EQ(ListSelectedRow(), 0);
    ExpectStoreMatchesRows();
}

TEST_F(HistoryWindowTest, ShowHideHotkeyPinsAndUnpins) {
    Start();
    ASSERT_FALSE(IsWindowVisible(window));
    SendMessageA(window, WM_HOTKEY, HOTKEY_SHOW_HIDE, 0);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_TRUE(Pinned());
    SendMessageA(window, WM_HOTKEY, HOTKEY_SHOW_HIDE, 0);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_FALSE(Pinned());
}

// The per-user Run key of this test's own Wine prefix.
class RunKeyTest : public HistoryWindowTest {
protected:
    void SetUp() override {
        HistoryWindowTest::SetUp();
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0,
                                  nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegDeleteValueA(key, "Hoardium");
    }
    void TearDown() override {
        RegDeleteValueA(key, "Hoardium");
        RegDeleteValueA(key, Neighbour);
        RegCloseKey(key);
        HistoryWindowTest::TearDown();
    }
    void Set(const char* name, const std::string& data) {
        RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()), DWORD(data.size() + 1));
    }
    // The data with its terminating zero, or "(none)".
    std::string Value(const char* name) {
        char data[600];
        DWORD size = sizeof data, type = 0;
        if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS)
            return "(none)";
        return std::string(data, size) + (type == REG_SZ ? "" : " (not REG_SZ)");
    }
    bool Checked() { return TraySubMenu(3).find("Run at Startup=929 check") != std::string::npos; }

    const char* Neighbour = "HoardiumTestNeighbour";
    HKEY key = nullptr;
};

TEST_F(RunKeyTest, RunAtStartupTogglesOnlyItsOwnValue) {
    Start();
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, sizeof exe);
    const std::string own = std::string(exe) + '\0';
    Set(Neighbour, "C:\\Other\\tool.exe --quiet");

    EXPECT_FALSE(Checked());
    Command(IDM_RUN_AT_STARTUP);
    EXPECT_EQ(Value("Hoardium"), own);
    EXPECT_TRUE(IsRunAtStartup("Hoardium"));
    EXPECT_TRUE(Checked());
    Command(IDM_RUN_AT_STARTUP);
    EXPECT_EQ(Value("Hoardium"), "(none)");
    EXPECT_FALSE(Checked());

    // A program that moved, or the same path in other letters, is not this one.
    std::string upper = exe;
    for (char& c : upper) c = char(std::toupper(static_cast<unsigned char>(c)));
    ASSERT_NE(upper, exe);
    for (const std::string& stale : {std::string("C:\\Elsewhere\\Hoardium.exe"), upper}) {
        Set("Hoardium", stale);
        EXPECT_FALSE(Checked()) << stale;
        Command(IDM_RUN_AT_STARTUP);
        EXPECT_EQ(Value("Hoardium"), own) << stale;
    }
    EXPECT_EQ(Value(Neighbour), std::string("C:\\Other\\tool.exe --quiet") + '\0');
}

}  // namespace
