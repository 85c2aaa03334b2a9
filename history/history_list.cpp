#include "history/history_list.h"

#include <ctime>
#include <vector>

#include "history/history_item.h"
#include "history/keep_policy.h"
#include "settings/paths.h"

namespace {
HistoryItems items;
unsigned maxItems;
// Files of removed items that the index on disk still names.
std::vector<std::string> dropped;
bool indexChanged = false;
void (*requestSave)() = nullptr;
bool saveRequested = false;

int32_t Now() { return int32_t(std::time(nullptr)); }

void RemoveItems(HistoryItems::iterator first, HistoryItems::iterator last) {
    for (auto it = first; it != last; ++it) {
        if (!it->fileName.empty() && !DeleteUnindexedItemFile(it->fileName)) dropped.push_back(it->fileName);
    }
    items.erase(first, last);
}

void StoreNow() {
    while (HistoryStoreStep() == StoreWork::More) {
    }
}

void SaveChange() {
    indexChanged = true;
    if (!requestSave) {
        StoreNow();
    } else if (!saveRequested) {
        saveRequested = true;
        requestSave();
    }
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

std::string HistoryLoadText(unsigned i) {
    return items[i].fileName.empty() ? items[i].text : ReadItemFile(items[i].fileName);
}

void HistoryAdd(const std::string& text, uint32_t hash, const std::string& displayText) {
    if (maxItems == 0) return;
    HistoryItem item{std::string(), SharedText(displayText), hash, Now(), text};
    // The text goes to disk at once, before the index names it; a disk that refuses it
    // leaves it in memory, and every later store step tries again.
    WriteItemFile(&item);
    if (items.size() >= maxItems) RemoveItems(items.begin() + (maxItems - 1), items.end());
    items.push_front(std::move(item));
    SaveChange();
}

void HistoryMoveToFront(unsigned i) {
    HistoryItem item = std::move(items[i]);
    items.erase(items.begin() + i);
    item.captureTime = Now();
    items.push_front(std::move(item));
    SaveChange();
}

void HistoryDelete(unsigned i) {
    RemoveItems(items.begin() + i, items.begin() + i + 1);
    SaveChange();
}

void HistoryDeleteRange(int first, int last) {
    if (last >= first) RemoveItems(items.begin() + first, items.begin() + last + 1);
    SaveChange();
}

void HistoryDeleteAll() {
    RemoveItems(items.begin(), items.end());
    SaveChange();
}

void HistorySetMaxItems(unsigned n) {
    if (n >= maxItems) {
        maxItems = n;
        return;
    }
    if (items.size() > n) RemoveItems(items.begin() + n, items.end());
    SaveChange();
    maxItems = n;
}

int HistoryExpire(int policy) {
    if (policy > 1) return 0;
    int32_t now = Now();
    size_t kept = items.size();
    while (kept > 0 && IsExpired(policy, now, items[kept - 1].captureTime)) kept--;
    int removed = int(items.size() - kept);
    if (removed > 0) {
        RemoveItems(items.begin() + kept, items.end());
        SaveChange();
    }
    return removed;
}

void HistoryInit(unsigned max, int keepPolicy, const std::string& directory, const std::string& name) {
    StoreOpen(JoinPath(directory, name + ".data"));
    items.clear();
    dropped.clear();
    indexChanged = saveRequested = false;
    requestSave = nullptr;
    LoadIndex(&items);
    if (StoreRecover(&items)) SaveChange();
    maxItems = HistoryCount();
    HistorySetMaxItems(max);
    HistoryExpire(keepPolicy);
}

void HistoryDeferSaves(void (*request)()) {
    requestSave = request;
    if (!request) StoreNow();
}

StoreWork HistoryStoreStep() {
    saveRequested = false;
    bool stored = true;
    for (HistoryItem& item : items) {
        if (!item.fileName.empty()) continue;
        if (WriteItemFile(&item)) {
            indexChanged = true;
        } else {
            stored = false;
        }
    }
    if (indexChanged && SaveIndex(items, dropped)) {
        indexChanged = false;
        dropped.clear();
    }
    StoreWork deleting = TidyStep();
    return stored && !indexChanged ? deleting : StoreWork::Retry;
}

void HistoryCleanupOnExit() {
    requestSave = nullptr;
    StoreNow();
    if (items.empty() && !indexChanged) StoreRemoveAll();
}
