// The running program in this process: the real history window, made by the program's
// own start-up code over a temporary folder, driven by messages and the real clipboard.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

// Set when a pump sees the quit message that the Exit command posts.
extern bool quitSeen;

// Dispatches this thread's messages until `done` holds or the time is up.
bool PumpUntil(const std::function<bool()>& done, DWORD limitMs = 4000);
void PutOnClipboard(const std::vector<std::pair<UINT, HANDLE>>& formats);
// A movable global block holding `bytes` and their terminating zero.
HANDLE Block(const std::string& bytes);
std::string ReadBytes(const std::string& path);
std::string WindowText(HWND window);
// The text of one cell of the history list.
std::string Cell(int row, int column);

class HistoryWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Without hotkeys, so that tests never hold the desktop's Ctrl+keypad combinations.
    void Start(const std::string& settings = "");
    // Waits until the history window has handled the latest clipboard change.
    void AwaitCapture();
    void Copy(const std::string& text);
    void Command(int id) { SendMessageA(window, WM_COMMAND, id, 0); }
    HWND Child(int id) { return GetDlgItem(window, id); }
    std::string DataFile(const std::string& name);
    std::string SettingsText();
    int ItemFileCount();
    // Row i shows item i, and the label counts them.
    void ExpectRowsMatchHistory();
    // The index names one existing item file per row, in row order, and no other file
    // lies in the data directory.
    void ExpectStoreMatchesRows();
    // Compared in the window's client coordinates, as "left top right bottom".
    void ExpectRect(int id, RECT expected);

    std::string dir;
    HWND window = nullptr;
    // How many changes the watcher, the viewer after the history window, has seen.
    static int HandledCount();
};
