#include "app/hotkeys.h"

#include "app/identifiers.h"
#include "history/history_list.h"
#include "ui/item_commands.h"
#include "ui/placement.h"
#include "ui/toolbar.h"

void RegisterHotkeys(HWND window) {
    for (int id = HOTKEY_SHOW_HIDE; id <= HOTKEY_LAST_ITEM; id++)
        RegisterHotKey(window, id, MOD_CONTROL, VK_NUMPAD0 + id - 1);
}

void UnregisterHotkeys(HWND window) {
    for (int id = HOTKEY_SHOW_HIDE; id <= HOTKEY_LAST_ITEM; id++) UnregisterHotKey(window, id);
}

void OnHotkey(HWND window, int id) {
    if (id == HOTKEY_SHOW_HIDE) {
        ToggleHistoryWindow(window);
        if (HistoryWindowVisible()) TogglePin(window);
        return;
    }
    if (id < HOTKEY_FIRST_ITEM || id > HOTKEY_LAST_ITEM) return;
    unsigned i = unsigned(id - HOTKEY_FIRST_ITEM);
    if (i >= HistoryCount()) return;
    // Without the item on the clipboard, Ctrl+V would paste whatever was there before.
    if (CopyItem(int(i))) SendPasteKeys();
}

void KeyDown(BYTE key) { keybd_event(key, 0, 0, 0); }
void KeyUp(BYTE key) { keybd_event(key, 0, KEYEVENTF_KEYUP, 0); }

void SendPasteKeys() {
    KeyDown(VK_LCONTROL);
    Sleep(1);
    KeyDown('V');
    Sleep(20);
    KeyUp('V');
    Sleep(1);
    KeyUp(VK_LCONTROL);
    // The user still holds the chord's Ctrl; their own release ends this press.
    KeyDown(VK_LCONTROL);
}
