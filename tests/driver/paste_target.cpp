// Stands in for the program the user works in: a window with a text box that has the
// focus. It presses Ctrl+Numpad<digit> the way a keyboard would and waits until the text
// box holds the expected text, pasted there by the program under test.
// usage: paste_target <digit> <file with the expected text> <ms>
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace {

void Key(WORD vk, bool up) {
    INPUT in = {};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &in, sizeof in);
}

std::string Text(HWND edit) {
    std::string s(size_t(GetWindowTextLengthA(edit)) + 1, '\0');
    s.resize(size_t(GetWindowTextA(edit, &s[0], int(s.size()))));
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    WORD digit = WORD(std::atoi(argv[1]));
    std::ifstream in(argv[2], std::ios::binary);
    std::string expected((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    DWORD limit = DWORD(std::atoi(argv[3]));

    HWND frame = CreateWindowExA(0, "STATIC", "Paste target", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 400, 100, 300, 200,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    HWND edit = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | ES_MULTILINE, 0, 0, 280, 160, frame, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    SetForegroundWindow(frame);
    SetFocus(edit);

    Key(VK_CONTROL, false);
    Key(WORD(VK_NUMPAD0 + digit), false);
    Key(WORD(VK_NUMPAD0 + digit), true);
    Key(VK_CONTROL, true);

    DWORD start = GetTickCount();
    bool pasted = false;
    while (!pasted && GetTickCount() - start < limit) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        pasted = Text(edit) == expected;
        Sleep(10);
    }
    // The paste leaves the left Ctrl pressed until the user lets go of it.
    Key(VK_LCONTROL, true);
    return pasted ? 0 : 1;
}
