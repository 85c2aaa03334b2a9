// Times the preview pane's edit control laying out what the pane shows of a megabyte of
// text in paragraphs of several lengths, of words or of unbroken letters; run under Wine
// with the pane's width in pixels (270 at the window's narrowest). Each time should stay
// well below half a second. No test runs it.
#include <windows.h>
#include <cstdio>
#include <string>
#include <random>
#include "ui/preview_text.h"
std::mt19937 rng(1);
std::string Prose(size_t para, size_t total, bool spaces) {
    std::string s;
    while (s.size() < total) {
        std::string p;
        while (p.size() < para) {
            if (!spaces) { p += char('a' + rng() % 26); continue; }
            int n = 2 + rng() % 8;
            for (int i = 0; i < n; i++) p += char('a' + rng() % 26);
            p += ' ';
        }
        p.resize(para);
        s += p + "\r\n";
    }
    s.resize(total);
    return s;
}
int main(int argc, char** argv) {
    int width = argc > 1 ? atoi(argv[1]) : 310;
    HWND frame = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, width + 20, 300, nullptr, nullptr, nullptr, nullptr);
    HWND edit = CreateWindowExA(0, "edit", "", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL,
                                2, 0, width, 130, frame, nullptr, nullptr, nullptr);
    SendMessageA(edit, EM_SETREADONLY, TRUE, 0);
    SendMessageA(edit, EM_SETLIMITTEXT, 0, 0);
    HDC dc = GetDC(nullptr);
    HFONT font = CreateFontA(-MulDiv(10, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "Tahoma");
    ReleaseDC(nullptr, dc);
    SendMessageA(edit, WM_SETFONT, WPARAM(font), TRUE);
    struct { size_t para, total; bool spaces; } cases[] = {
        {80, 1 << 20, true}, {80, 1 << 20, false}, {1000, 1 << 20, true}, {1000, 1 << 20, false},
        {2000, 1 << 20, true}, {2000, 1 << 20, false}, {8000, 1 << 20, true}, {100000, 1 << 20, true}, {100000, 1 << 20, false},
    };
    for (auto& c : cases) {
        std::string t = PreviewText(Prose(c.para, c.total, c.spaces));
        SetWindowTextA(edit, "");
        LARGE_INTEGER f, a, b;
        QueryPerformanceFrequency(&f);
        QueryPerformanceCounter(&a);
        SetWindowTextA(edit, t.c_str());
        UpdateWindow(edit);
        QueryPerformanceCounter(&b);
        printf("para %6zu shown %7zu %s: %8.1f ms\n", c.para, t.size(), c.spaces ? "words" : "solid", (b.QuadPart - a.QuadPart) * 1000.0 / f.QuadPart);
        fflush(stdout);
    }
    return 0;
}
