#include "history/history_store.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
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
// Under Wine a name not yet in a folder costs a search of the whole folder, and on
// Windows too making a file costs more than filling one; so while the program waits,
// an empty item file is made ready under a fresh name, and a capture only fills it.
std::string spareName;
// Moving a new index over the old one frees the old one's pages there and then, which
// for a large index costs about as much as writing it. Under a second name the old
// index outlives the move, and goes later, when the program has a moment.
std::string oldIndexPath;
bool oldIndexKept = false;

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

// The whole index in one block: read at once it costs little more than the plain
// read, and the display texts then live in it instead of in an allocation each.
std::shared_ptr<const char> ReadIndexBlock(FILE* f, size_t* size) {
    *size = 0;
    long length = std::fseek(f, 0, SEEK_END) == 0 ? std::ftell(f) : -1;
    if (length <= 0 || std::fseek(f, 0, SEEK_SET) != 0) return nullptr;
    // A damaged index too large for this process's memory must not stop it starting.
    char* bytes = new (std::nothrow) char[size_t(length)];
    if (!bytes) return nullptr;
    std::shared_ptr<const char> block(bytes, std::default_delete<char[]>());
    *size = std::fread(bytes, 1, size_t(length), f);
    return block;
}

// The Windows C library's memchr looks at one byte at a time; four at a time takes
// the finding of line ends from a third of the load of a large index to a sixth.
const char* FindLineFeed(const char* p, const char* end) {
    const uint32_t ones = 0x01010101u, highs = 0x80808080u, feeds = 0x0A0A0A0Au;
    while (end - p >= 4) {
        uint32_t word;
        std::memcpy(&word, p, 4);
        uint32_t x = word ^ feeds;
        // A byte of x is zero, so the word holds a line feed, exactly when this is nonzero.
        if ((x - ones) & ~x & highs) break;
        p += 4;
    }
    for (; p < end; p++)
        if (*p == '\n') return p;
    return nullptr;
}

// The next line of [*p, end) without its LF and the CR before it.
std::string_view NextLine(const char** p, const char* end) {
    const char* start = *p;
    const char* lf = FindLineFeed(start, end);
    const char* stop = lf ? lf : end;
    *p = lf ? stop + 1 : end;
    if (stop > start && stop[-1] == '\r') stop--;
    return std::string_view(start, size_t(stop - start));
}
}  // namespace

void StoreOpen(const std::string& directory) {
    dataDirectory = directory;
    MakeDirectory(dataDirectory);
    indexPath = JoinPath(dataDirectory, "__reg__");
    outerTempPath = TempPathFor(dataDirectory + "-index");
    sys::RemoveFile(outerTempPath);
    oldIndexPath = dataDirectory + "-index.old";
    sys::RemoveFile(oldIndexPath);
    oldIndexKept = false;
    spareName.clear();
}

std::string StoreDataDirectory() { return dataDirectory; }

std::string StoreIndexPath() { return indexPath; }

std::string ItemFilePath(const std::string& fileName) { return JoinPath(dataDirectory, fileName); }

namespace {
// Each record adds two spaces, two line ends and at most 10 + 11 characters of numbers.
const size_t RecordOverhead = 27;

char* Put(char* p, std::string_view s) {
    // A record read without its display line has an empty view with no bytes behind it.
    if (!s.empty()) std::memcpy(p, s.data(), s.size());
    return p + s.size();
}

// The first line of a record without its line end: "name hash time".
char* PutHead(char* p, std::string_view fileName, uint32_t hash, int32_t captureTime) {
    p = Put(p, fileName);
    *p++ = ' ';
    p = std::to_chars(p, p + 10, hash).ptr;
    *p++ = ' ';
    return std::to_chars(p, p + 11, captureTime).ptr;
}

char* PutRecord(char* p, const HistoryItem& item) {
    p = PutHead(p, item.fileName, item.hash, item.captureTime);
    *p++ = '\r';
    *p++ = '\n';
    p = Put(p, item.displayText.view());
    *p++ = '\r';
    *p++ = '\n';
    return p;
}

// True when [head, after the display line's end) is exactly what PutRecord writes for
// these fields, so a save may write the bytes as they stand.
bool IsWrittenRecord(std::string_view head, std::string_view fileName, uint32_t hash, int32_t captureTime,
                     std::string_view display, const char* recordEnd) {
    if (fileName.data() != head.data() || !display.data()) return false;
    const char* headEnd = head.data() + head.size();
    const char* displayEnd = display.data() + display.size();
    if (display.data() != headEnd + 2 || std::memcmp(headEnd, "\r\n", 2) != 0) return false;
    if (recordEnd != displayEnd + 2 || std::memcmp(displayEnd, "\r\n", 2) != 0) return false;
    char numbers[RecordOverhead];
    size_t size = size_t(PutHead(numbers, std::string_view(), hash, captureTime) - numbers);
    return head.size() == fileName.size() + size && std::memcmp(head.data() + fileName.size(), numbers, size) == 0;
}

// Records the save has to build, and short stretches of written ones, are gathered
// here, so the file is written in a few large pieces; the buffer is kept from save to
// save, since a fresh block of many megabytes costs more to get and touch than to fill.
std::string gathered;
// Below this a stretch of records is copied rather than written as a piece of its own.
const size_t ShortStretch = 64 * 1024;

// Where each piece of the index lies: straight in a block of records, or, while
// `gathered` may still grow and move, as an offset into it.
struct Piece {
    const char* block;
    size_t offset, size;
};

// Counts the last `size` bytes of `gathered` into the pieces.
void CountGathered(std::vector<Piece>* pieces, size_t size) {
    if (!pieces->empty() && !pieces->back().block) {
        pieces->back().size += size;
    } else {
        pieces->push_back(Piece{nullptr, gathered.size() - size, size});
    }
}

void Gather(std::vector<Piece>* pieces, std::string_view bytes) {
    gathered.append(bytes);
    CountGathered(pieces, bytes.size());
}

void GatherRecord(std::vector<Piece>* pieces, const HistoryItem& item) {
    size_t at = gathered.size();
    gathered.resize(at + item.fileName.size() + item.displayText.size() + RecordOverhead);
    char* start = &gathered[at];
    gathered.resize(at + size_t(PutRecord(start, item) - start));
    CountGathered(pieces, gathered.size() - at);
}

void AddStretch(std::vector<Piece>* pieces, std::string_view stretch) {
    if (stretch.size() < ShortStretch) {
        Gather(pieces, stretch);
    } else {
        pieces->push_back(Piece{stretch.data(), 0, stretch.size()});
    }
}

sys::FilePieces IndexPieces(const HistoryItems& items) {
    gathered.clear();
    std::vector<Piece> pieces;
    std::string_view stretch;
    for (const HistoryItem& item : items) {
        std::string_view r = item.record;
        if (!r.empty() && stretch.data() + stretch.size() == r.data()) {
            stretch = std::string_view(stretch.data(), stretch.size() + r.size());
            continue;
        }
        if (!stretch.empty()) AddStretch(&pieces, stretch);
        stretch = r;
        if (r.empty()) GatherRecord(&pieces, item);
    }
    if (!stretch.empty()) AddStretch(&pieces, stretch);
    sys::FilePieces out;
    out.reserve(pieces.size());
    for (const Piece& p : pieces)
        out.push_back(p.block ? std::string_view(p.block, p.size) : std::string_view(gathered.data() + p.offset, p.size));
    return out;
}
}  // namespace

HistoryItem MakeHistoryItem(std::string fileName, std::string_view displayText, uint32_t hash, int32_t captureTime) {
    HistoryItem item{std::move(fileName), SharedText(), hash, captureTime};
    size_t bound = item.fileName.size() + displayText.size() + RecordOverhead;
    char* block = new char[bound];
    char* p = PutHead(block, item.fileName, hash, captureTime);
    *p++ = '\r';
    *p++ = '\n';
    char* display = p;
    p = Put(p, displayText);
    *p++ = '\r';
    *p++ = '\n';
    item.displayText = SharedText(std::shared_ptr<const char>(block, std::default_delete<char[]>()),
                                  std::string_view(display, displayText.size()));
    item.record = std::string_view(block, size_t(p - block));
    return item;
}

bool SaveIndex(const HistoryItems& items, bool keepReplaced) {
    sys::FilePieces pieces = IndexPieces(items);
    if (keepReplaced) {
        // The index kept from the last save becomes the file this one writes over, so
        // at no save is a file of the index's size made or deleted.
        if (oldIndexKept) oldIndexKept = !sys::ReplaceWith(oldIndexPath, outerTempPath);
        if (!oldIndexKept) oldIndexKept = sys::LinkFile(indexPath, oldIndexPath);
    }
    // A data directory on a volume of its own cannot take the outer file by a move.
    return WriteFileAtomically(indexPath, pieces, outerTempPath) || WriteFileAtomically(indexPath, pieces);
}

bool LoadIndex(HistoryItems* items) {
    FILE* f = std::fopen(indexPath.c_str(), "rb");
    if (!f) return false;
    items->clear();
    size_t size = 0;
    std::shared_ptr<const char> block = ReadIndexBlock(f, &size);
    std::fclose(f);
    const char* at = block.get();
    const char* end = at + size;
    while (at < end) {
        const char* recordStart = at;
        std::string_view head = NextLine(&at, end);
        if (head.empty()) break;
        const char* p = head.data();
        const char* headEnd = p + head.size();
        while (p < headEnd && IsFieldSpace(*p)) p++;
        const char* name = p;
        while (p < headEnd && !IsFieldSpace(*p)) p++;
        std::string_view fileName(name, size_t(p - name));
        // Fields that are missing or not numbers read as 0.
        uint32_t hash = ParseNumber(p, headEnd);
        int32_t captureTime = int32_t(ParseNumber(p, headEnd));
        std::string_view display = at < end ? NextLine(&at, end) : std::string_view();
        if (!IsPlainName(fileName)) continue;
        items->push_back(HistoryItem{std::string(fileName), SharedText(block, display), hash, captureTime});
        if (IsWrittenRecord(head, fileName, hash, captureTime, display, at))
            items->back().record = std::string_view(recordStart, size_t(at - recordStart));
    }
    return true;
}

namespace {
// A fresh name made into a file holding `text`; a taken name is tried again.
std::string CreateItemFile(const std::string& text, sys::NewFile* result) {
    for (;;) {
        std::string name = RandomName(8);
        *result = sys::WriteNewFile(ItemFilePath(name), text);
        if (*result != sys::NewFile::Exists) return name;
    }
}
}  // namespace

std::string WriteNewItemFile(const std::string& text) {
    std::string name;
    bool written;
    if (!spareName.empty()) {
        name.swap(spareName);
        written = sys::WriteWholeFile(ItemFilePath(name), text);
    } else {
        sys::NewFile result;
        name = CreateItemFile(text, &result);
        written = result == sys::NewFile::Written;
    }
    // A part of the text would later read as if it were the whole of it; none is better.
    if (!written) sys::RemoveFile(ItemFilePath(name));
    return name;
}

void PrepareSpareItemFile() {
    if (!spareName.empty()) return;
    sys::NewFile result;
    std::string name = CreateItemFile(std::string(), &result);
    if (result == sys::NewFile::Written) spareName = name;
}

bool AdoptSpareItemFile(const std::string& fileName) {
    if (!spareName.empty() || !sys::WriteWholeFile(ItemFilePath(fileName), std::string())) return false;
    spareName = fileName;
    return true;
}

bool ReleaseOldIndex() {
    if (!oldIndexKept) return false;
    sys::RemoveFile(oldIndexPath);
    oldIndexKept = false;
    return true;
}

void RemoveSpareItemFile() {
    if (spareName.empty()) return;
    sys::RemoveFile(ItemFilePath(spareName));
    spareName.clear();
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
