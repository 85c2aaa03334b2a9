#include "history/history_store.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "platform/system.h"
#include "settings/paths.h"

namespace {
std::string dataDirectory;
std::string indexPath;

// Only a bare name may come out of the index file: anything else could make a
// delete or a read reach outside the data directory.
bool IsPlainName(const std::string& name) {
    if (name.empty() || name == "." || name.find("..") != std::string::npos) return false;
    return name.find_first_of("/\\:") == std::string::npos;
}

template <typename T>
T ParseNumber(const char*& p) {
    char* end;
    long long v = std::strtoll(p, &end, 10);
    p = end;
    return T(v);
}
}  // namespace


void StoreOpen(const std::string& directory) {
    dataDirectory = directory;
    MakeDirectory(dataDirectory);
    indexPath = JoinPath(dataDirectory, "__reg__");
    sys::RemoveFile(TempPathFor(indexPath));
}

std::string StoreDataDirectory() { return dataDirectory; }

std::string StoreIndexPath() { return indexPath; }

std::string ItemFilePath(const std::string& fileName) { return JoinPath(dataDirectory, fileName); }

static std::string FormatIndex(const HistoryItems& items) {
    std::string bytes;
    bytes.reserve(items.size() * 240);
    char head[64];
    for (const HistoryItem& item : items) {
        bytes += item.fileName;
        int n = std::snprintf(head, sizeof head, " %lu %ld\r\n", (unsigned long)item.hash, (long)item.captureTime);
        bytes.append(head, size_t(n));
        bytes += item.displayText;
        bytes += "\r\n";
    }
    return bytes;
}

static void ParseIndex(const std::string& bytes, HistoryItems* items) {
    items->clear();
    size_t pos = 0;
    auto nextLine = [&](std::string* line) {
        size_t end = bytes.find('\n', pos);
        if (end == std::string::npos) end = bytes.size();
        line->assign(bytes, pos, end - pos);
        if (!line->empty() && line->back() == '\r') line->pop_back();
        pos = end + 1;
    };
    std::string head, display;
    while (pos < bytes.size()) {
        nextLine(&head);
        if (head.empty()) break;
        display.clear();
        if (pos < bytes.size()) nextLine(&display);
        // Fields that are missing or not numbers read as 0.
        const char* p = head.c_str();
        while (*p == ' ' || *p == '\t' || *p == '\r') p++;
        const char* nameStart = p;
        while (*p && *p != ' ' && *p != '\t' && *p != '\r') p++;
        std::string name(nameStart, p);
        HistoryItem item{name, display, ParseNumber<uint32_t>(p), ParseNumber<int32_t>(p)};
        if (IsPlainName(name)) items->push_back(std::move(item));
    }
}

bool SaveIndex(const HistoryItems& items) { return WriteFileAtomically(indexPath, FormatIndex(items)); }

bool LoadIndex(HistoryItems* items) {
    std::string bytes;
    if (!ReadWholeFile(indexPath, &bytes)) return false;
    ParseIndex(bytes, items);
    return true;
}

bool WriteItemFile(const std::string& fileName, const std::string& text) {
    FILE* f = std::fopen(ItemFilePath(fileName).c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    ok = std::fclose(f) == 0 && ok;
    return ok;
}

std::string ReadItemFile(const std::string& fileName) {
    std::string bytes;
    if (!ReadWholeFile(ItemFilePath(fileName), &bytes)) return std::string();
    size_t zero = bytes.find('\0');
    if (zero != std::string::npos) bytes.resize(zero);
    return bytes;
}

void DeleteItemFile(const std::string& fileName) { sys::RemoveFile(ItemFilePath(fileName)); }

std::string NewItemFileName() {
    std::string name;
    do {
        name = RandomName(8);
    } while (FileExists(ItemFilePath(name)));
    return name;
}

void StoreRemoveIfEmpty() {
    sys::RemoveFile(indexPath);
    sys::RemoveDir(dataDirectory);
}

void SeedRandom() { std::srand(unsigned(std::time(nullptr))); }

int RandomInRange(int lo, int hi) { return lo + std::rand() % (hi - lo); }

bool RandomChance(int percent) { return std::rand() % 100 < percent; }

std::string RandomName(int length) {
    std::string name;
    for (int i = 0; i < length; i++) name += char(RandomChance(20) ? RandomInRange('0', '9') : RandomInRange('a', 'z'));
    return name;
}
