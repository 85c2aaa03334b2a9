#include "history/history_store.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <string_view>
#include <unordered_set>
#include <utility>

#include "history/history_list.h"
#include "platform/system.h"
#include "settings/paths.h"

namespace {
const char IndexName[] = "__reg__";
const char PendingName[] = "__pending__";
const char NewSuffix[] = ".new";

std::string dataDirectory, indexPath, pendingDirectory, pendingIndexPath, tempIndexPath, deleteListPath;

// Item files written since the last save; their records in the pending folder go once
// an index names them.
std::vector<std::string> unindexed;
// Files to remove once they let themselves be: records of item files that an index
// names now, and item files cut short by a failed write, each before its record.
std::vector<std::string> stray;
// A whole index waits in the pending folder for the real one to be let go.
bool indexPending = false;
// The names in the delete list on disk: no new item file may take one while it is
// there, or a start after a kill would delete the new text as a removed one.
std::vector<std::string> listed;
// Files the saved index no longer names, still to delete, and those that refused.
std::vector<std::string> toDelete, held;

std::string PendingPath(const std::string& name) { return JoinPath(pendingDirectory, name); }

std::string MarkerPath(const std::string& fileName) { return PendingPath(fileName + NewSuffix); }

bool Contains(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

bool IsFieldSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// Only a bare name of an item file may come out of a record: anything else could make
// a delete or a write reach a file that is not an item's.
bool IsItemFileName(std::string_view name) {
    if (name.empty() || name == "." || name == IndexName || name == PendingName) return false;
    for (size_t i = 0; i < name.size(); i++) {
        char c = name[i];
        if (c == '/' || c == '\\' || c == ':' || c == '\0' || (c == '.' && i + 1 < name.size() && name[i + 1] == '.'))
            return false;
    }
    return true;
}

// Reads a decimal field of a record's first line. The arithmetic wraps, so an
// out-of-range number keeps its low 32 bits and a non-number reads as 0.
uint32_t ParseNumber(const char*& p, const char* end) {
    while (p < end && IsFieldSpace(*p)) p++;
    bool negative = p < end && *p == '-';
    if (p < end && (*p == '-' || *p == '+')) p++;
    uint32_t v = 0;
    for (; p < end && *p >= '0' && *p <= '9'; p++) v = v * 10 + uint32_t(*p - '0');
    return negative ? 0u - v : v;
}

// The next line of `bytes` from `*at`, without its LF and the CR before it.
std::string_view NextLine(std::string_view bytes, size_t* at) {
    size_t lf = bytes.find('\n', *at);
    size_t stop = lf == std::string_view::npos ? bytes.size() : lf;
    std::string_view line = bytes.substr(*at, stop - *at);
    *at = lf == std::string_view::npos ? bytes.size() : lf + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

// Keeps the first of the records that name the same file: a newer record's file is
// the one the history can trust. An open table of positions, rather than a set of
// names, spares a large index a hundred thousand allocations.
void DropLaterDuplicates(HistoryItems* items) {
    size_t size = 16;
    while (size < 2 * items->size()) size *= 2;
    const uint32_t none = UINT32_MAX;
    std::vector<uint32_t> table(size, none);
    std::vector<bool> drop(items->size());
    bool any = false;
    for (uint32_t i = 0; i < items->size(); i++) {
        const std::string& name = (*items)[i].fileName;
        uint32_t h = 2166136261u;
        for (char c : name) h = (h ^ uint8_t(c)) * 16777619u;
        size_t slot = h & (size - 1);
        while (table[slot] != none && (*items)[table[slot]].fileName != name) slot = (slot + 1) & (size - 1);
        if (table[slot] == none) {
            table[slot] = i;
        } else {
            drop[i] = any = true;
        }
    }
    if (!any) return;
    HistoryItems kept;
    for (size_t i = 0; i < items->size(); i++)
        if (!drop[i]) kept.push_back(std::move((*items)[i]));
    items->swap(kept);
}

void ParseRecords(const std::shared_ptr<const std::string>& block, HistoryItems* items) {
    std::string_view bytes = *block;
    size_t at = 0;
    while (at < bytes.size()) {
        std::string_view head = NextLine(bytes, &at);
        if (head.empty()) break;
        const char* p = head.data();
        const char* end = p + head.size();
        while (p < end && IsFieldSpace(*p)) p++;
        const char* name = p;
        while (p < end && !IsFieldSpace(*p)) p++;
        std::string_view fileName(name, size_t(p - name));
        uint32_t hash = ParseNumber(p, end);
        int32_t captureTime = int32_t(ParseNumber(p, end));
        std::string_view display = at < bytes.size() ? NextLine(bytes, &at) : std::string_view();
        if (!IsItemFileName(fileName)) continue;
        items->push_back(HistoryItem{std::string(fileName), SharedText(block, display), hash, captureTime, std::string()});
    }
    DropLaterDuplicates(items);
}

void AppendRecord(std::string* out, const std::string& fileName, const HistoryItem& item) {
    char numbers[32];
    char* p = std::to_chars(numbers, numbers + 10, item.hash).ptr;
    *p++ = ' ';
    p = std::to_chars(p, p + 11, item.captureTime).ptr;
    out->append(fileName).append(1, ' ').append(numbers, p).append("\r\n");
    out->append(item.displayText.view()).append("\r\n");
}

std::vector<std::string> ReadDeleteList() {
    std::string bytes;
    std::vector<std::string> names;
    ReadWholeFile(deleteListPath, &bytes);
    for (size_t at = 0; at < bytes.size();) {
        std::string_view name = NextLine(bytes, &at);
        if (IsItemFileName(name)) names.emplace_back(name);
    }
    return names;
}
}  // namespace

void StoreOpen(const std::string& directory) {
    dataDirectory = directory;
    indexPath = JoinPath(dataDirectory, IndexName);
    pendingDirectory = JoinPath(dataDirectory, PendingName);
    pendingIndexPath = PendingPath(IndexName);
    tempIndexPath = TempPathFor(pendingIndexPath);
    deleteListPath = PendingPath("deleting");
    MakeDirectory(dataDirectory);
    MakeDirectory(pendingDirectory);
    unindexed.clear();
    stray.clear();
    indexPending = false;
    listed.clear();
    toDelete.clear();
    held.clear();
    // Earlier versions kept a second index and its temporary file beside the
    // executable; they hold display texts, and nothing reads them any more.
    sys::RemoveFile(dataDirectory + "-index.old");
    sys::RemoveFile(dataDirectory + "-index.tmp");
}

std::string StoreIndexPath() { return indexPath; }

std::string ItemFilePath(const std::string& fileName) { return JoinPath(dataDirectory, fileName); }

bool LoadIndex(HistoryItems* items) {
    auto bytes = std::make_shared<std::string>();
    if (!ReadWholeFile(pendingIndexPath, bytes.get()) && !ReadWholeFile(indexPath, bytes.get())) return false;
    items->clear();
    ParseRecords(bytes, items);
    return true;
}

bool StoreRecover(HistoryItems* items) {
    indexPending = FileExists(pendingIndexPath);
    listed = ReadDeleteList();
    std::vector<std::string> entries = sys::ListDirectory(pendingDirectory);
    // After a clean exit there is nothing to finish, and no need to know every name.
    if (listed.empty() && entries.size() == size_t(indexPending)) return indexPending;
    std::unordered_set<std::string> named;
    for (const HistoryItem& item : *items) named.insert(item.fileName);
    HistoryItems found;
    for (const std::string& entry : entries) {
        size_t suffix = sizeof NewSuffix - 1;
        bool marker = entry.size() > suffix && entry.compare(entry.size() - suffix, suffix, NewSuffix) == 0;
        if (!marker) {
            // Only temporary files besides the pending index and the delete list.
            if (entry != IndexName && PendingPath(entry) != deleteListPath) sys::RemoveFile(PendingPath(entry));
            continue;
        }
        std::string name = entry.substr(0, entry.size() - suffix);
        // A damaged record's name must not lead a delete to the index or beyond.
        if (!IsItemFileName(name) || named.count(name)) {
            sys::RemoveFile(MarkerPath(name));
            continue;
        }
        // Kept only when the record and the whole text are there, and the text was
        // not removed before the kill.
        auto record = std::make_shared<std::string>();
        std::string text;
        HistoryItems parsed;
        ReadWholeFile(MarkerPath(name), record.get());
        ParseRecords(record, &parsed);
        bool whole = parsed.size() == 1 && parsed[0].fileName == name && !Contains(listed, name) &&
                     ReadWholeFile(ItemFilePath(name), &text) && TextHash(text.c_str()) == parsed[0].hash;
        if (whole) {
            found.push_back(parsed[0]);
            unindexed.push_back(name);
            named.insert(name);
        } else if (sys::RemoveFile(ItemFilePath(name))) {
            sys::RemoveFile(MarkerPath(name));
        }
    }
    std::sort(found.begin(), found.end(),
              [](const HistoryItem& a, const HistoryItem& b) { return a.captureTime < b.captureTime; });
    for (HistoryItem& item : found) items->push_front(std::move(item));
    for (const std::string& name : listed)
        if (!named.count(name)) toDelete.push_back(name);
    return !found.empty() || !listed.empty() || FileExists(pendingIndexPath);
}

bool WriteItemFile(HistoryItem* item) {
    for (;;) {
        std::string name = RandomName(8);
        if (Contains(listed, name)) continue;
        std::string record;
        AppendRecord(&record, name, *item);
        // The record first: a file no record or index names would be found by nobody.
        if (!sys::WriteWholeFile(MarkerPath(name), record)) {
            if (!sys::RemoveFile(MarkerPath(name))) stray.push_back(MarkerPath(name));
            return false;
        }
        sys::NewFile result = sys::WriteNewFile(ItemFilePath(name), item->text);
        if (result == sys::NewFile::Written) {
            item->fileName = name;
            std::string().swap(item->text);
            unindexed.push_back(name);
            return true;
        }
        // Part of a text would later read as if it were the whole of it; none is better.
        if (result == sys::NewFile::Failed && !sys::RemoveFile(ItemFilePath(name))) {
            stray.push_back(ItemFilePath(name));
            stray.push_back(MarkerPath(name));
            return false;
        }
        if (!sys::RemoveFile(MarkerPath(name))) stray.push_back(MarkerPath(name));
        if (result == sys::NewFile::Failed) return false;
    }
}

std::string ReadItemFile(const std::string& fileName) {
    std::string bytes;
    if (!ReadWholeFile(ItemFilePath(fileName), &bytes)) return std::string();
    size_t zero = bytes.find('\0');
    if (zero != std::string::npos) bytes.resize(zero);
    return bytes;
}

bool DeleteUnindexedItemFile(const std::string& fileName) {
    auto it = std::find(unindexed.begin(), unindexed.end(), fileName);
    if (it == unindexed.end()) return false;
    unindexed.erase(it);
    // A file that refuses keeps its record, and the delete list will name it too.
    if (!sys::RemoveFile(ItemFilePath(fileName))) return false;
    sys::RemoveFile(MarkerPath(fileName));
    return true;
}

bool SaveIndex(const HistoryItems& items, const std::vector<std::string>& dropped) {
    if (!dropped.empty()) {
        std::vector<std::string> names = toDelete;
        names.insert(names.end(), held.begin(), held.end());
        names.insert(names.end(), dropped.begin(), dropped.end());
        std::string bytes;
        for (const std::string& name : names) bytes.append(name).append("\r\n");
        if (!WriteFileAtomically(deleteListPath, bytes, TempPathFor(deleteListPath))) return false;
        listed = std::move(names);
    }
    // Kept from save to save: a fresh block of many megabytes costs more to get than to fill.
    static std::string bytes;
    bytes.clear();
    for (const HistoryItem& item : items)
        if (!item.fileName.empty()) AppendRecord(&bytes, item.fileName, item);
    if (!WriteFileAtomically(pendingIndexPath, bytes, tempIndexPath)) return false;
    // Another program may hold the index open, which keeps it from being replaced; the
    // whole new one then waits in the pending folder, where a start looks first.
    indexPending = !sys::ReplaceWith(pendingIndexPath, indexPath);
    for (const std::string& name : unindexed) stray.push_back(MarkerPath(name));
    unindexed.clear();
    toDelete.insert(toDelete.end(), dropped.begin(), dropped.end());
    return true;
}

StoreWork TidyStep() {
    using Clock = std::chrono::steady_clock;
    // Folders removed from outside come back, so that the next try of a failed write
    // can succeed instead of keeping every later text in memory only.
    MakeDirectory(dataDirectory);
    MakeDirectory(pendingDirectory);
    if (indexPending) indexPending = !sys::ReplaceWith(pendingIndexPath, indexPath);
    size_t removed = 0;
    while (removed < stray.size() && sys::RemoveFile(stray[removed])) removed++;
    stray.erase(stray.begin(), stray.begin() + removed);
    if (toDelete.empty()) toDelete.swap(held);
    Clock::time_point start = Clock::now();
    while (!toDelete.empty() && Clock::now() - start < std::chrono::milliseconds(100)) {
        if (!sys::RemoveFile(ItemFilePath(toDelete.back()))) held.push_back(toDelete.back());
        toDelete.pop_back();
    }
    if (!toDelete.empty()) return StoreWork::More;
    if (!held.empty() || indexPending || !stray.empty()) return StoreWork::Retry;
    if (!listed.empty()) {
        if (!sys::RemoveFile(deleteListPath)) return StoreWork::Retry;
        listed.clear();
    }
    return StoreWork::Done;
}

void StoreRemoveAll() {
    // Another program reading the index (a backup, a search indexer) keeps it, and so
    // the folder, from going; such readers let go within moments, so they are waited
    // for, a while.
    for (int tries = 0; tries < 20; tries++) {
        if (tries > 0) sys::SleepMs(100);
        std::vector<std::string> left = sys::ListDirectory(dataDirectory);
        if (tries > 0 && left.empty()) break;
        for (const std::string& name : left)
            if (name != IndexName && name != PendingName) sys::RemoveFile(ItemFilePath(name));
        // While the index cannot go, an emptied one, or else the pending empty one, has
        // to stay to say the history is empty.
        if (sys::RemoveFile(indexPath) || sys::WriteWholeFile(indexPath, std::string())) {
            for (const std::string& name : sys::ListDirectory(pendingDirectory)) sys::RemoveFile(PendingPath(name));
            sys::RemoveDir(pendingDirectory);
        }
        if (sys::RemoveDir(dataDirectory)) return;
    }
}

void SeedRandom() { std::srand(unsigned(std::time(nullptr))); }

int RandomInRange(int lo, int hi) { return lo + std::rand() % (hi - lo); }

bool RandomChance(int percent) { return std::rand() % 100 < percent; }

std::string RandomName(int length) {
    std::string name;
    for (int i = 0; i < length; i++) name += char(RandomChance(20) ? RandomInRange('0', '9') : RandomInRange('a', 'z'));
    return name;
}
