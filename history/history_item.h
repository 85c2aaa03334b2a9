#pragma once
#include <cstdint>
#include <deque>
#include <string>

struct HistoryItem {
    // Empty until the item's text is whole in its file; until then `text` holds it,
    // so a text the disk refused is still there to copy back.
    std::string fileName;
    std::string displayText;
    uint32_t hash;
    int32_t captureTime;
    std::string text;
};

using HistoryItems = std::deque<HistoryItem>;
