#pragma once
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>

// A display text. The texts loaded at start-up stay in the one block the index was read
// into, since a hundred thousand allocations of their own are most of what a start
// spends on a large history, on Windows as under Wine; a text captured later gets a
// block of its own. Copies share their block, which goes with the last of them.
class SharedText {
public:
    SharedText() = default;
    explicit SharedText(std::string text) : block_(std::make_shared<const std::string>(std::move(text))), text_(*block_) {}
    SharedText(std::shared_ptr<const std::string> block, std::string_view part) : block_(std::move(block)), text_(part) {}
    std::string_view view() const { return text_; }
    std::string str() const { return std::string(text_); }

private:
    std::shared_ptr<const std::string> block_;
    std::string_view text_;
};

struct HistoryItem {
    // Empty until the item's text is whole in its file; until then `text` holds it,
    // so a text the disk refused is still there to copy back.
    std::string fileName;
    SharedText displayText;
    uint32_t hash;
    int32_t captureTime;
    std::string text;
};

using HistoryItems = std::deque<HistoryItem>;
