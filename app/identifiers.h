// Every number the history window and its children exchange: control, command, timer
// and hotkey identifiers, the private message and its request codes.
#pragma once

// The window class the single-instance test looks for.
#define HISTORY_WINDOW_CLASS "KeepallHistoryWinClass"

enum ControlId {
    IDC_HISTORY_LIST = 40,
    IDC_PREVIEW = 41,
    IDC_COUNT_LABEL = 43,
    IDC_TB_OPTIONS = 44,
    IDC_TB_PREVIEW = 45,
    IDC_TB_DECOR = 46,
    IDC_TB_COPY = 47,
    IDC_TB_DELETE = 48,
    IDC_TB_PIN = 49,
};

enum CommandId {
    IDM_EXIT = 921,
    IDM_CLEAR_CLIPBOARD = 922,
    IDM_DELETE_ALL = 923,
    IDM_PAUSE = 926,
    IDM_MONO_FONT = 927,
    IDM_RUN_AT_STARTUP = 929,
    IDM_TIMESTAMPS = 930,
    IDM_GRID_LINES = 931,
    IDM_VISIT_WEBSITE = 933,
    IDM_KEEP_WEEK = 940,
    IDM_KEEP_MONTH = 941,
    IDM_KEEP_UNTIL_EXIT = 942,
    IDM_KEEP_INDEFINITELY = 943,
    IDM_KEEP_LAST = 944,
    IDM_ITEM_COPY = 950,
    IDM_ITEM_GOTO = 951,
    IDM_ITEM_DELETE = 952,
    IDM_ITEM_DELETE_OLDER = 953,
    IDM_ITEM_DELETE_NEWER = 954,
};

// The private message: tray mouse events and the list's view requests, told apart
// by lParam (the two ranges never overlap).
enum { WM_HISTORY = 0x0400 };

enum RequestCode {
    ReqSecondInstance = 666,
    ReqDeleteItem = 667,
    ReqHideWindow = 668,
    ReqActivateItem = 669,
    ReqCopyItem = 670,
    ReqTogglePreview = 671,
    ReqUnused = 673,
    ReqToggleToolbar = 674,
    ReqFocusLost = 675,
    ReqTogglePin = 676,
    ReqSaveHistory = 677,
};

enum TimerId {
    TIMER_CAPTURE_RETRY = 1,
    TIMER_SAVE_RETRY = 2,
};

enum HotkeyId {
    HOTKEY_SHOW_HIDE = 1,
    HOTKEY_FIRST_ITEM = 2,
    HOTKEY_LAST_ITEM = 10,
};
