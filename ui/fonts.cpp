#include "ui/fonts.h"

#include <commctrl.h>

namespace {

HFONT listFont;
HFONT fixedFont;
HFONT smallFont;

HFONT MakeFont(const char* face, int points, int pixelsPerInch) {
    return CreateFontA(-MulDiv(points, pixelsPerInch, 72), 0, 0, 0, 0, FALSE, FALSE, FALSE, 0, 0, 0, 0, 0,
                       face);
}

}  // namespace

void CreateUiFonts() {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    HDC dc = GetDC(nullptr);
    int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    listFont = MakeFont("Tahoma", 10, dpi);
    fixedFont = MakeFont("Courier New", 10, dpi);
    smallFont = MakeFont("Tahoma", 8, dpi);
}

void DeleteUiFonts() {
    DeleteObject(listFont);
    DeleteObject(fixedFont);
    DeleteObject(smallFont);
    listFont = fixedFont = smallFont = nullptr;
}

HFONT ListFont() { return listFont; }
HFONT FixedFont() { return fixedFont; }
HFONT SmallFont() { return smallFont; }
