#pragma once
#include <cstdint>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <string_view>

// A record's display text. The texts loaded at start-up stay in the one block the
// index was read into, so a full history costs one allocation instead of one per
// item; a text captured later gets a block of its own. Blocks never change once
// made, so copies share them and a view into one stays valid as long as any copy
// lives. The price: the loaded block stays until the last item loaded with it goes.
class SharedText {
public:
    SharedText() = default;
    explicit SharedText(std::string_view text) {
        char* copy = new char[text.size()];
        if (!text.empty()) std::memcpy(copy, text.data(), text.size());
        block_.reset(copy, std::default_delete<char[]>());
        text_ = std::string_view(copy, text.size());
    }
    SharedText(std::shared_ptr<const char> block, std::string_view part) : block_(std::move(block)), text_(part) {}

    std::string_view view() const { return text_; }
    std::string str() const { return std::string(text_); }
    size_t size() const { return text_.size(); }
    bool operator==(const SharedText& other) const { return text_ == other.text_; }
    bool operator!=(const SharedText& other) const { return text_ != other.text_; }

private:
    std::shared_ptr<const char> block_;
    std::string_view text_;
};

struct HistoryItem {
    std::string fileName;
    SharedText displayText;
    uint32_t hash;
    int32_t captureTime;
    // The item's record exactly as a save writes it, in displayText's block, so a save
    // writes long unchanged stretches of records straight from where they lie instead
    // of building the whole index anew. Empty when the save has to build it: any change
    // to the fields above must remake the item (MakeHistoryItem) or clear this.
    std::string_view record = {};
};

using HistoryItems = std::deque<HistoryItem>;
