#include "history/history_store.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string_view>
#include <vector>

#include "platform/system.h"
#include "settings/paths.h"

namespace {
std::string dataDirectory;
std::string indexPath;
// Under Wine a name that does not exist yet costs a search of its whole folder for
// one that differs only in case; among a hundred thousand item files that is far
// more than writing the index. So the index is written first beside the data
// directory, where few names live, and moved into place.
std::string outerTempPath;

// Only a bare name may come out of the index file: anything else could make a
// delete or a read reach outside the data directory.
bool IsPlainName(std::string_view name) {
    if (name.empty() || name == ".") return false;
    for (size_t i = 0; i < name.size(); i++) {
        char c = name[i];
        if (c == '/' || c == '\\' || c == ':' || c == '\0' || (c == '.' && i + 1 < name.size() && name[i + 1] == '.'))
            return false;
    }
    return true;
}

bool IsFieldSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

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

// Hands out the index file line by line from a small buffer that refills as it
// empties, so loading a large history never holds the whole file in memory.
class IndexReader {
public:
    explicit IndexReader(FILE* f) : file_(f), buf_(1 << 16) {}
    bool AtEnd() { return begin_ == end_ && !Refill(); }
    // The next line without its LF and the CR before it; valid until the next call.
    std::string_view Line() {
        size_t scanned = 0;
        for (;;) {
            const char* start = buf_.data() + begin_;
            size_t avail = end_ - begin_;
            const void* lf = std::memchr(start + scanned, '\n', avail - scanned);
            if (!lf) {
                scanned = avail;
                if (Refill()) continue;
            }
            size_t len = lf ? size_t(static_cast<const char*>(lf) - start) : avail;
            begin_ += lf ? len + 1 : len;
            if (len > 0 && start[len - 1] == '\r') len--;
            return std::string_view(start, len);
        }
    }

private:
    bool Refill() {
        if (eof_) return false;
        std::memmove(buf_.data(), buf_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
        if (end_ == buf_.size()) buf_.resize(buf_.size() * 2);
        size_t n = std::fread(buf_.data() + end_, 1, buf_.size() - end_, file_);
        end_ += n;
        eof_ = n == 0;
        return n > 0;
    }
    FILE* file_;
    std::vector<char> buf_;
    size_t begin_ = 0, end_ = 0;
    bool eof_ = false;
};
}  // namespace

void StoreOpen(const std::string& directory) {
    dataDirectory = directory;
    MakeDirectory(dataDirectory);
    indexPath = JoinPath(dataDirectory, "__reg__");
    outerTempPath = TempPathFor(dataDirectory + "-index");
    sys::RemoveFile(outerTempPath);
}

std::string StoreDataDirectory() { return dataDirectory; }

std::string StoreIndexPath() { return indexPath; }

std::string ItemFilePath(const std::string& fileName) { return JoinPath(dataDirectory, fileName); }

namespace {
// The index's bytes are built in the same buffer every time: a fresh block of tens of
// megabytes costs more to get from the system and touch than to fill.
std::string indexBytes;

char* Put(char* p, const std::string& s) {
    std::memcpy(p, s.data(), s.size());
    return p + s.size();
}

const std::string& FormatIndex(const HistoryItems& items) {
    size_t size = 0;
    for (const HistoryItem& item : items) size += item.fileName.size() + item.displayText.size();
    // Each record adds two spaces, two line ends and at most 10 + 11 characters of numbers.
    indexBytes.resize(size + items.size() * 27);
    char* p = &indexBytes[0];
    for (const HistoryItem& item : items) {
        p = Put(p, item.fileName);
        *p++ = ' ';
        p = std::to_chars(p, p + 10, item.hash).ptr;
        *p++ = ' ';
        p = std::to_chars(p, p + 11, item.captureTime).ptr;
        *p++ = '\r';
        *p++ = '\n';
        p = Put(p, item.displayText);
        *p++ = '\r';
        *p++ = '\n';
    }
    indexBytes.resize(size_t(p - indexBytes.data()));
    return indexBytes;
}
}  // namespace

bool SaveIndex(const HistoryItems& items) {
    const std::string& bytes = FormatIndex(items);
    // A data directory on a volume of its own cannot take the outer file by a move.
    return WriteFileAtomically(indexPath, bytes, outerTempPath) || WriteFileAtomically(indexPath, bytes);
}

bool LoadIndex(HistoryItems* items) {
    FILE* f = std::fopen(indexPath.c_str(), "rb");
    if (!f) return false;
    items->clear();
    IndexReader reader(f);
    while (!reader.AtEnd()) {
        std::string_view head = reader.Line();
        if (head.empty()) break;
        const char* p = head.data();
        const char* end = p + head.size();
        while (p < end && IsFieldSpace(*p)) p++;
        const char* name = p;
        while (p < end && !IsFieldSpace(*p)) p++;
        // Taken out before the next line refills the buffer under the first one.
        std::string fileName(name, p);
        // Fields that are missing or not numbers read as 0.
        uint32_t hash = ParseNumber(p, end);
        int32_t captureTime = int32_t(ParseNumber(p, end));
        std::string_view display = reader.AtEnd() ? std::string_view() : reader.Line();
        if (IsPlainName(fileName))
            items->push_back(HistoryItem{std::move(fileName), std::string(display), hash, captureTime});
    }
    std::fclose(f);
    return true;
}

std::string WriteNewItemFile(const std::string& text) {
    for (;;) {
        std::string name = RandomName(8);
        std::string path = ItemFilePath(name);
        sys::NewFile result = sys::WriteNewFile(path, text);
        if (result == sys::NewFile::Exists) continue;
        // A part of the text would later read as if it were the whole of it; none is better.
        if (result == sys::NewFile::Failed) sys::RemoveFile(path);
        return name;
    }
}

std::string ReadItemFile(const std::string& fileName) {
    std::string bytes;
    if (!ReadWholeFile(ItemFilePath(fileName), &bytes)) return std::string();
    size_t zero = bytes.find('\0');
    if (zero != std::string::npos) bytes.resize(zero);
    return bytes;
}

void DeleteItemFile(const std::string& fileName) { sys::RemoveFile(ItemFilePath(fileName)); }

void StoreRemoveIfEmpty() {
    sys::RemoveFile(indexPath);
    // Left by a save that had to write beside the index and was cut short.
    sys::RemoveFile(TempPathFor(indexPath));
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
