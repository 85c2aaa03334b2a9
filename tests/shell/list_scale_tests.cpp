// The list's rows come from the history when shown, so the control alone no longer
// moves the selection with an item or remembers which column a row put its text in.
#include "tests/shell/shell_fixture.h"

#include "app/identifiers.h"
#include "history/history_list.h"
#include "ui/list_view.h"
#include "ui/preview_text.h"

namespace {

std::string Rows() {
    std::string rows;
    for (int i = 0; i < ListRowCount(); i++) rows += (i ? " " : "") + Cell(i, 1);
    return rows;
}

}  // namespace

TEST_F(HistoryWindowTest, SelectionAndPreviewStayWithTheirItemAsRowsComeAndGoAbove) {
    Start();
    for (const char* t : {"a", "b", "c"}) Copy(t);
    ListSelectRow(1);
    const struct {
        const char* what;
        std::function<void()> change;
        const char* rowsAfter;
        int selectedAfter;
    } steps[] = {
        {"a new text at the top", [&] { Copy("d"); }, "d c b a", 2},
        {"a text from below moved to the top", [&] { Copy("a"); }, "a d c b", 3},
        {"the rows above deleted", [&] { Command(IDM_ITEM_DELETE_NEWER); }, "b", 0},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        step.change();
        EXPECT_EQ(Rows(), step.rowsAfter);
        EXPECT_EQ(ListSelectedRow(), step.selectedAfter);
        EXPECT_EQ(WindowText(Child(IDC_PREVIEW)), PreviewText("b"));
        ExpectRowsMatchHistory();
    }
}

TEST_F(HistoryWindowTest, RowsKeepTheColumnsTheyCameInWithWhenTheModeChanges) {
    Start("Timestamps = 2\r\n");
    Copy("old");
    Command(IDM_TIMESTAMPS);
    Copy("new");
    EXPECT_EQ(Cell(0, 0), HistoryItemTimeText(0));
    EXPECT_EQ(Cell(0, 1), "new");
    EXPECT_EQ(Cell(1, 0), "old");
    EXPECT_EQ(Cell(1, 1), HistoryItemTimeText(1));
}

// A plain list hands a removed row's focus to the row that takes its place, so the next
// arrow key goes on from there and not from the top.
TEST_F(HistoryWindowTest, FocusOfARemovedRowGoesToTheRowInItsPlace) {
    Start("MaxItems = 4\r\n");
    for (const char* t : {"a", "b", "c", "d"}) Copy(t);
    const struct {
        const char* what;
        int focused;
        const char* copy;
        const char* rowsAfter;
        WPARAM key;
        int selectedAfterKey;
    } steps[] = {
        {"copied again", 1, "c", "c d b a", VK_DOWN, 3},
        {"trimmed at the bottom", 3, "e", "e c d b", VK_UP, 2},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        ListSelectRow(step.focused);
        Copy(step.copy);
        EXPECT_EQ(Rows(), step.rowsAfter);
        SendMessageA(ListWindow(), WM_KEYDOWN, step.key, 1);
        EXPECT_EQ(ListSelectedRow(), step.selectedAfterKey);
    }
}

// Each key as the message loop delivers it: the key, then the character TranslateMessage
// makes of it. Typed letters find the next row whose text starts with them; the list's
// own command keys stay what they are, even though their characters reach it too.
TEST_F(HistoryWindowTest, TypingSelectsTheNextRowStartingWithTheTypedLetters) {
    Start();
    for (const char* t : {"apple", "banana", "cocoa", "tea", "plum", "zebra", "Blueberry"}) Copy(t);
    ListSelectRow(1);
    const struct {
        WPARAM key;
        char c;
        int selectedAfter;
    } keys[] = {
        {'P', 'p', 1}, {'P', 'p', 1}, {'T', 't', 1}, {'T', 't', 1}, {'C', 'c', 1},
        {VK_SPACE, ' ', 1}, {VK_BACK, '\b', 1},
        {'B', 'b', 5},  // after the selected row, not the Blueberry above it
        {'L', 'l', 0},  // "bl" goes round past the end, whatever the case
        {'X', 'x', 0},  // "blx" matches nothing
    };
    for (const auto& k : keys) {
        SCOPED_TRACE(std::string("key ") + k.c);
        SendMessageA(ListWindow(), WM_KEYDOWN, k.key, 1);
        SendMessageA(ListWindow(), WM_CHAR, WPARAM(k.c), 1);
        EXPECT_EQ(ListSelectedRow(), k.selectedAfter);
        EXPECT_EQ(WindowText(Child(IDC_PREVIEW)), PreviewText(HistoryLoadText(k.selectedAfter)));
    }
}
