// The three user-interface fonts, alive from the window's creation to its destruction.
#pragma once
#include <windows.h>

void CreateUiFonts();
void DeleteUiFonts();
HFONT ListFont();
HFONT FixedFont();
HFONT SmallFont();
