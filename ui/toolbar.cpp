#include "ui/toolbar.h"

#include <string>
#include <vector>

#include "app/identifiers.h"
#include "history/history_list.h"
#include "res/resource.h"
#include "settings/settings_store.h"
#include "ui/fonts.h"
#include "ui/preview_pane.h"

namespace {

bool toolbarShown = true;
bool pinned = false;
std::vector<HWND> toolbarControls;
HWND countLabel;
HWND pinButton;

struct LoadedIcon {
    int id;
    HICON icon;
};
std::vector<LoadedIcon> icons;

HWND MakeIconButton(HWND parent, int id, int iconId, bool notify) {
    HWND button = CreateChild(parent, id, "static", notify ? SS_ICON | SS_NOTIFY : SS_ICON, "", true);
    SendMessageA(button, STM_SETICON, WPARAM(ToolbarIcon(iconId)), 0);
    toolbarControls.push_back(button);
    return button;
}

}  // namespace

void LoadToolbarIcons(HINSTANCE instance) {
    icons.clear();
    for (int id : {IDI_OPTIONS, IDI_PREVIEW_OPEN, IDI_PREVIEW_CLOSED, IDI_DECOR, IDI_COPY, IDI_DELETE, IDI_PIN_ON,
                   IDI_PIN_OFF})
        icons.push_back({id, LoadIconA(instance, MAKEINTRESOURCEA(id))});
}

HICON ToolbarIcon(int resourceId) {
    for (const LoadedIcon& i : icons) {
        if (i.id == resourceId) return i.icon;
    }
    return nullptr;
}

HWND CreateChild(HWND parent, int id, const char* className, DWORD style, const char* text, bool visible) {
    HWND child = CreateWindowExA(0, className, text, style | WS_CHILD | (visible ? WS_VISIBLE : 0), 0, 0, 10, 10,
                                 parent, HMENU(INT_PTR(id)), GetModuleHandleA(nullptr), nullptr);
    SendMessageA(child, WM_SETFONT, WPARAM(ListFont()), TRUE);
    return child;
}

void CreateToolbarAndPreview(HWND window) {
    toolbarShown = true;
    pinned = false;
    toolbarControls.clear();
    PreviewCreate(window);
    MakeIconButton(window, IDC_TB_OPTIONS, IDI_OPTIONS, true);
    int previewIcon = GetSetting("PeekOpen") == 1 ? IDI_PREVIEW_OPEN : IDI_PREVIEW_CLOSED;
    MakeIconButton(window, IDC_TB_PREVIEW, previewIcon, true);
    MakeIconButton(window, IDC_TB_DECOR, IDI_DECOR, false);
    MakeIconButton(window, IDC_TB_COPY, IDI_COPY, true);
    MakeIconButton(window, IDC_TB_DELETE, IDI_DELETE, true);
    pinButton = MakeIconButton(window, IDC_TB_PIN, IDI_PIN_OFF, true);
    countLabel = CreateChild(window, IDC_COUNT_LABEL, "static", SS_LEFT, "", true);
    SendMessageA(countLabel, WM_SETFONT, WPARAM(SmallFont()), TRUE);
    // Shown and hidden together in this order.
    toolbarControls.insert(toolbarControls.end() - 1, countLabel);
}

bool ToolbarShown() { return toolbarShown; }

void SetToolbarShown(bool shown) {
    toolbarShown = shown;
    if (shown) return;
    for (HWND c : toolbarControls) ShowWindow(c, SW_HIDE);
}

void ToggleToolbar(HWND window) {
    toolbarShown = !toolbarShown;
    for (HWND c : toolbarControls) ShowWindow(c, toolbarShown ? SW_SHOW : SW_HIDE);
    SendMessageA(window, WM_SIZE, 0, 0);
}

bool Pinned() { return pinned; }

void TogglePin(HWND window) {
    pinned = !pinned;
    SendMessageA(pinButton, STM_SETICON, WPARAM(ToolbarIcon(pinned ? IDI_PIN_ON : IDI_PIN_OFF)), 0);
    SendMessageA(window, WM_SIZE, 0, 0);
    InvalidateRect(pinButton, nullptr, TRUE);
    UpdateWindow(pinButton);
}

void UpdateCountLabel() { SetWindowTextA(countLabel, std::to_string(HistoryCount()).c_str()); }
