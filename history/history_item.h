#pragma once
#include <cstdint>
#include <deque>
#include <string>

struct HistoryItem {
    std::string fileName;
    std::string displayText;
    uint32_t hash;
    int32_t captureTime;
};

using HistoryItems = std::deque<HistoryItem>;
