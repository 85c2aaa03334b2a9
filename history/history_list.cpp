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

// Files of items gone from the list; they go once an index without them is on disk.
FileNames droppedFiles;
// Files no index on disk names any more, left for the quiet moments when saves are
// deferred: in a folder of a hundred thousand, deleting one costs about as much as
// the rest of the change.
FileNames releasedFiles;
void (*requestSave)() = nullptr;
bool savePending = false;
// The index a deferred save replaces is kept for the next save to write over. Once
// texts were taken out on purpose, though, the kept one still holds them, so it goes
// at the next quiet moment instead; an item dropped to make room for a new one is not
// such a text.
bool textsErased = false;
bool keptIndexHoldsErased = false;

void DropOldest() {
    droppedFiles.push_back(items.back().fileName);
    items.pop_back();
}

// Item files go only once the index on disk has let them go, so a crash or a full
// disk leaves at worst a file that nothing names, never a record without its text.
// With saves deferred, changes that come together share one rewrite of the index.
void SaveChange() {
    if (!requestSave) {
        HistorySaveNow();
    } else if (!savePending) {
        savePending = true;
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

std::string HistoryLoadText(unsigned i) { return ReadItemFile(items[i].fileName); }

void HistoryAdd(const std::string& text, uint32_t hash, const std::string& displayText) {
    if (maxItems == 0) return;
    // The text is on disk before the index names it.
    HistoryItem item = MakeHistoryItem(WriteNewItemFile(text), displayText, hash, Now());
    while (items.size() >= maxItems) DropOldest();
    items.push_front(std::move(item));
    SaveChange();
}

void HistoryMoveToFront(unsigned i) {
    HistoryItem item = MakeHistoryItem(items[i].fileName, items[i].displayText.view(), items[i].hash, Now());
    items.erase(items.begin() + i);
    items.push_front(std::move(item));
    SaveChange();
}

void HistoryDelete(unsigned i) {
    textsErased = true;
    droppedFiles.push_back(items[i].fileName);
    items.erase(items.begin() + i);
    SaveChange();
}

void HistoryDeleteRange(int first, int last) {
    if (last >= first) {
        textsErased = true;
        for (int j = first; j <= last; j++) droppedFiles.push_back(items[unsigned(j)].fileName);
        items.erase(items.begin() + first, items.begin() + last + 1);
    }
    SaveChange();
}

void HistoryDeleteAll() {
    textsErased = true;
    for (const HistoryItem& item : items) droppedFiles.push_back(item.fileName);
    items.clear();
    SaveChange();
}

void HistorySetMaxItems(unsigned n) {
    if (n >= maxItems) {
        maxItems = n;
        return;
    }
    textsErased = textsErased || items.size() > n;
    while (items.size() > n) DropOldest();
    SaveChange();
    maxItems = n;
}

int HistoryExpire(int policy) {
    if (policy > 1 || items.empty()) return 0;
    int32_t now = Now();
    int dropped = 0;
    for (; !items.empty() && IsExpired(policy, now, items.back().captureTime); dropped++) DropOldest();
    if (dropped > 0) {
        textsErased = true;
        SaveChange();
    }
    return dropped;
}

void HistoryInit(unsigned max, int keepPolicy, const std::string& directory, const std::string& name) {
    StoreOpen(JoinPath(directory, name + ".data"));
    items.clear();
    droppedFiles.clear();
    releasedFiles.clear();
    savePending = false;
    requestSave = nullptr;
    textsErased = keptIndexHoldsErased = false;
    LoadIndex(&items);
    maxItems = HistoryCount();
    HistorySetMaxItems(max);
    HistoryExpire(keepPolicy);
}

namespace {
void DeleteReleasedFiles() {
    for (const std::string& name : releasedFiles) DeleteItemFile(name);
    releasedFiles.clear();
}
}  // namespace

void HistoryDeferSaves(void (*request)()) {
    requestSave = request;
    if (request) return;
    if (savePending) HistorySaveNow();
    ReleaseOldIndex();
    keptIndexHoldsErased = false;
    DeleteReleasedFiles();
}

bool HistorySaveNow() {
    // A failed save stays pending, for deferral's end to try again at the latest.
    // Only a caller that defers saves has a quiet moment later to let the replaced index go.
    savePending = !SaveIndex(items, requestSave != nullptr);
    if (savePending) return false;
    keptIndexHoldsErased = keptIndexHoldsErased || textsErased;
    textsErased = false;
    releasedFiles.insert(releasedFiles.end(), droppedFiles.begin(), droppedFiles.end());
    droppedFiles.clear();
    if (!requestSave) DeleteReleasedFiles();
    return true;
}

bool HistoryTidyStep() {
    if (keptIndexHoldsErased) {
        keptIndexHoldsErased = false;
        if (ReleaseOldIndex()) return true;
    }
    if (!releasedFiles.empty()) {
        std::string name = std::move(releasedFiles.back());
        releasedFiles.pop_back();
        // A file already in the folder, emptied, serves the next new item: that spares
        // both deleting it and making a file under a name the folder does not hold.
        if (maxItems == 0 || !AdoptSpareItemFile(name)) DeleteItemFile(name);
        return true;
    }
    if (maxItems > 0) PrepareSpareItemFile();
    return false;
}

void HistoryCleanupOnExit() {
    ReleaseOldIndex();
    DeleteReleasedFiles();
    RemoveSpareItemFile();
    if (items.empty()) StoreRemoveIfEmpty();
}
