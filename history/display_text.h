#pragma once
#include <string>

// One line for the list and the index file: at most `limit` bytes of the text,
// line breaks and tabs shown as markers, never a line feed.
std::string MakeDisplayText(const std::string& text, size_t limit);
