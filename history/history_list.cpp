#include "history/history_list.h"

#include <ctime>

#include "history/history_item.h"
#include "history/history_store.h"
#include "history/keep_policy.h"
#include "settings/paths.h"

namespace {
HistoryItems items;
unsigned maxItems;

int32_t Now() { return int32_t(std::time(nullptr)); }

void DropOldest() {
    DeleteItemFile(items.back().fileName);
    items.pop_back();
}
}  // namespace

uint32_t TextHash(const char* text) {
    uint32_t h = 5381;
    for (const char* p = text; *p; p++) h = h * 33 + uint32_t(int32_t(static_cast<signed char>(*p)));
    return h;
}

unsigned HistoryCount() { return unsigned(items.size()); }

unsigned HistoryMaxItems() { return maxItems; }

std::string HistoryItemText(unsigned i) { return items[i].displayText; }

uint32_t HistoryItemHash(unsigned i) { return items[i].hash; }

std::string HistoryItemTimeText(unsigned i) { return FormatTimestamp(items[i].captureTime); }

std::string HistoryLoadText(unsigned i) { return ReadItemFile(items[i].fileName); }

void HistoryAdd(const std::string& text, uint32_t hash, const std::string& displayText) {
    if (maxItems == 0) return;
    while (items.size() >= maxItems) DropOldest();
    HistoryItem item{NewItemFileName(), displayText, hash, Now()};
    items.push_front(item);
    SaveIndex(items);
    WriteItemFile(item.fileName, text);
}

void HistoryMoveToFront(unsigned i) {
    HistoryItem item = items[i];
    item.captureTime = Now();
    items.erase(items.begin() + i);
    items.push_front(std::move(item));
    SaveIndex(items);
}

void HistoryDelete(unsigned i) {
    DeleteItemFile(items[i].fileName);
    items.erase(items.begin() + i);
    SaveIndex(items);
}

void HistoryDeleteRange(int first, int last) {
    if (last >= first) {
        for (int j = first; j <= last; j++) DeleteItemFile(items[unsigned(j)].fileName);
        items.erase(items.begin() + first, items.begin() + last + 1);
    }
    SaveIndex(items);
}

void HistoryDeleteAll() {
    for (const HistoryItem& item : items) DeleteItemFile(item.fileName);
    items.clear();
    SaveIndex(items);
}

void HistorySetMaxItems(unsigned n) {
    if (n >= maxItems) {
        maxItems = n;
        return;
    }
    while (items.size() > n) DropOldest();
    SaveIndex(items);
    maxItems = n;
}

int HistoryExpire(int policy) {
    if (policy > 1 || items.empty()) return 0;
    int32_t now = Now();
    int removed = 0;
    while (!items.empty() && IsExpired(policy, now, items.back().captureTime)) {
        DropOldest();
        removed++;
    }
    if (removed > 0) SaveIndex(items);
    return removed;
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
