// The history list view: row i always shows history item i.
#pragma once
#include <windows.h>
#include <commctrl.h>

HWND ListCreate(HWND parent, HWND notifyTarget, int id, int timestampMode, bool gridLines);
HWND ListWindow();
void ListSetTimestampMode(int mode);
void ListSetFixedFont(int value);
void ListSetGridLines(bool on);
// A row for history item `index`, which is already in the history; -1 appends.
void ListInsertRow(int index);
// A row at the top for the history's newest item; the bottom row goes when that
// would make more than `maxRows`.
void ListInsertTopRow(int maxRows);
// Row `index` goes to the top, where its item now stands, and comes in unselected.
void ListMoveRowToTop(int index);
void ListDeleteRow(int index);
// Rows [first, first + count) go, in one change of the list.
void ListDeleteRows(int first, int count);
void ListDeleteAllRows();
int ListRowCount();
void ListSelectRow(int index);
// The row that is both selected and focused, or -1.
int ListSelectedRow();
// True while the selection only travels with rows that came or went above it: the
// preview already shows that item.
bool ListCarryingSelection();
// The rows hold no text of their own: the control asks for each cell it shows.
void ListGetDispInfo(NMLVDISPINFOA* info);
// Answers the control's find (LVN_ODFINDITEMA or W, as it types ahead): the row whose
// display text matches, or -1.
LRESULT ListFindItem(const NMHDR* header);
// One row per history item, newest first, as at start-up.
void ListFillFromHistory();
// Removes the last `count` rows.
void ListDeleteLastRows(int count);
// Scrolls down and back up, which makes the control redraw its rows at their new size.
void ListNudgeScroll();
// The wheel scrolls the window under the cursor, not the one with the focus; false
// when that is `self`, which then scrolls itself.
bool ForwardWheel(HWND self, UINT msg, WPARAM wParam, LPARAM lParam);
