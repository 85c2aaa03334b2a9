#include "history/history_list.h"

#include <ctime>
#include <vector>

#include "history/history_item.h"
#include "history/history_store.h"
#include "history/keep_policy.h"
#include "settings/paths.h"

namespace {
HistoryItems items;
unsigned maxItems;

int32_t Now() { return int32_t(std::time(nullptr)); }

using FileNames = std::vector<std::string>;

void DropOldest(FileNames* dropped) {
    dropped->push_back(items.back().fileName);
    items.pop_back();
}

// Item files go only once the index on disk has let them go, so a crash or a full
// disk leaves at worst a file that nothing names, never a record without its text.
void SaveAndDeleteFiles(const FileNames& dropped) {
    if (!SaveIndex(items)) return;
    for (const std::string& name : dropped) DeleteItemFile(name);
}
}  // namespace

uint32_t TextHash(const char* text) {
    uint32_t h = 5381;
    for (const char* p = text; *p; p++) h = h * 33 + uint32_t(int32_t(static_cast<signed char>(*p)));
    return h;
}

unsigned HistoryCount() { return unsigned(items.size()); }

unsigned HistoryMaxItems() { return maxItems; }

std::string HistoryItemText(unsigned i) { return items[i].displayText.str(); }

uint32_t HistoryItemHash(unsigned i) { return items[i].hash; }

std::string HistoryItemTimeText(unsigned i) { return FormatTimestamp(items[i].captureTime); }

std::string HistoryLoadText(unsigned i) { return ReadItemFile(items[i].fileName); }

void HistoryAdd(const std::string& text, uint32_t hash, const std::string& displayText) {
    if (maxItems == 0) return;
    // The text is on disk before the index names it.
    HistoryItem item{WriteNewItemFile(text), SharedText(displayText), hash, Now()};
    FileNames dropped;
    while (items.size() >= maxItems) DropOldest(&dropped);
    items.push_front(std::move(item));
    SaveAndDeleteFiles(dropped);
}

void HistoryMoveToFront(unsigned i) {
    HistoryItem item = items[i];
    item.captureTime = Now();
    items.erase(items.begin() + i);
    items.push_front(std::move(item));
    SaveIndex(items);
}

void HistoryDelete(unsigned i) {
    FileNames dropped{items[i].fileName};
    items.erase(items.begin() + i);
    SaveAndDeleteFiles(dropped);
}

void HistoryDeleteRange(int first, int last) {
    FileNames dropped;
    if (last >= first) {
        for (int j = first; j <= last; j++) dropped.push_back(items[unsigned(j)].fileName);
        items.erase(items.begin() + first, items.begin() + last + 1);
    }
    SaveAndDeleteFiles(dropped);
}

void HistoryDeleteAll() {
    FileNames dropped;
    for (const HistoryItem& item : items) dropped.push_back(item.fileName);
    items.clear();
    SaveAndDeleteFiles(dropped);
}

void HistorySetMaxItems(unsigned n) {
    if (n >= maxItems) {
        maxItems = n;
        return;
    }
    FileNames dropped;
    while (items.size() > n) DropOldest(&dropped);
    SaveAndDeleteFiles(dropped);
    maxItems = n;
}

int HistoryExpire(int policy) {
    if (policy > 1 || items.empty()) return 0;
    int32_t now = Now();
    FileNames dropped;
    while (!items.empty() && IsExpired(policy, now, items.back().captureTime)) DropOldest(&dropped);
    if (!dropped.empty()) SaveAndDeleteFiles(dropped);
    return int(dropped.size());
}

void HistoryInit(unsigned max, int keepPolicy, const std::string& directory, const std::string& name) {
    StoreOpen(JoinPath(directory, name + ".data"));
    items.clear();
    LoadIndex(&items);
    maxItems = HistoryCount();
    HistorySetMaxItems(max);
    HistoryExpire(keepPolicy);
}

void HistoryCleanupOnExit() {
    if (items.empty()) StoreRemoveIfEmpty();
}
