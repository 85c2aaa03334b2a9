// What the preview pane shows of an item's full text.
#pragma once
#include <stddef.h>

#include <string>

// How many leading bytes of `text` the pane shows. The edit control lays out the
// whole text every time it is set, re-measuring the rest of a paragraph for each
// line it wraps, so its cost grows with the text's length and with the square of
// each paragraph's. Past a fixed budget of that cost the pane would freeze the
// program on every selection, so the pane shows what fits: a quarter of a megabyte
// of ordinary lines, 64 KB of prose, a few kilobytes of one unbroken line.
size_t PreviewLength(const std::string& text);

// The shown part as the edit control needs it: every line break one CR LF. A cut
// text ends with a line of its own holding the cut marker.
std::string PreviewText(const std::string& text);
