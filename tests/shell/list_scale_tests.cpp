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
