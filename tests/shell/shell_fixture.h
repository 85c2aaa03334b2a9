// The running program in this process: the real history window, made by the program's
// own start-up code over a temporary folder, driven by messages and the real clipboard.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/identifiers.h"
#include "tests/core/test_dir.h"

// Set when a pump sees the quit message that the Exit command posts.
extern bool quitSeen;

// Dispatches this thread's messages until `done` holds or the time is up.
bool PumpUntil(const std::function<bool()>& done, DWORD limitMs = 4000);
void PutOnClipboard(const std::vector<std::pair<UINT, HANDLE>>& formats);
// A movable global block holding `bytes` and their terminating zero.
HANDLE Block(const std::string& bytes);
std::string WindowText(HWND window);
std::string ClipboardText();
// The text of one cell of the history list; the text column of every row, space-separated.
std::string Cell(int row, int column);
std::string Texts();
// A menu as one line: "id" ("Label=id" with labels), a sub-menu as "{...}", "-" for a
// separator, " grey" and " check" where they apply; the menu is destroyed.
std::string Shown(HMENU menu, bool labels = false, bool destroy = true);

class HistoryWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Without hotkeys, so that tests never hold the desktop's Ctrl+keypad combinations.
    void Start(const std::string& settings = "");
    void Exit();
    // Waits until the history window has handled the latest clipboard change.
    void AwaitCapture();
    void Copy(const std::string& text);
    void Command(int id) { SendMessageA(window, WM_COMMAND, id, 0); }
    void Request(int code, WPARAM arg = 0) { SendMessageA(window, WM_HISTORY, arg, code); }
    void Key(WPARAM key);
    HWND Child(int id) { return GetDlgItem(window, id); }
    std::string DataFile(const std::string& name);
    // The item file that the index names for `row`.
    std::string ItemFile(int row);
    bool Saved(const std::string& line);
    // Row i shows item i, the label counts them, and the index names one item file per
    // row holding its text, with no other file and no work left undone.
    void ExpectInStep();

    TestDir temp;
    std::string dir = temp.path();
    HWND window = nullptr;
    // How many changes the watcher, the viewer after the history window, has seen.
    static int HandledCount();
};
