// Helpers every test layer shares: a private folder, whole files, a stored history as
// an earlier run would have left it, and what the store holds, read the program's way.
#pragma once
#include <algorithm>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "history/history_list.h"
#include "settings/paths.h"

// A fresh empty directory for one test, removed with everything in it afterwards.
class TestDir {
public:
    TestDir() { std::filesystem::create_directories(path_); }
    ~TestDir() { std::error_code ec; std::filesystem::remove_all(path_, ec); }
    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const { return JoinPath(path_, name); }

private:
    std::string path_ = (std::filesystem::temp_directory_path() / ("hoardium-test-" + std::to_string(std::random_device()()))).string();
};

inline std::string ReadFile(const std::string& path) {
    std::string bytes;
    return ReadWholeFile(path, &bytes), bytes;
}

inline void WriteFile(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

// Writes `count` items into `dataDir`: item i is file "f<i>" holding "full <i>", with
// hash i, display text "text <i>", captured `age` seconds ago (`oldAge` from `oldFrom` on).
inline void StoreHistory(const std::string& dataDir, int count, int32_t age = 0, int oldFrom = -1, int32_t oldAge = 0) {
    std::filesystem::create_directories(dataDir);
    std::string index;
    for (int i = 0; i < count; i++) {
        std::string n = std::to_string(i), t = std::to_string(std::time(nullptr) - (oldFrom >= 0 && i >= oldFrom ? oldAge : age));
        index += "f" + n + " " + n + " " + t + "\r\ntext " + n + "\r\n";
        WriteFile(JoinPath(dataDir, "f" + n), "full " + n);
    }
    WriteFile(JoinPath(dataDir, "__reg__"), index);
}

// Display text and hash of each item, newest first: of the history list in memory, and of
// the index that a start would load.
using Rows = std::vector<std::pair<std::string, uint32_t>>;
inline Rows ListRows() {
    Rows rows;
    for (unsigned i = 0; i < HistoryCount(); i++) rows.emplace_back(HistoryItemText(i), HistoryItemHash(i));
    return rows;
}
inline Rows StoredRows() {
    HistoryItems items;
    LoadIndex(&items);
    Rows rows;
    for (const HistoryItem& item : items) rows.emplace_back(item.displayText.str(), item.hash);
    return rows;
}

// Names of the files in a directory, sorted; subdirectories end with '/'.
inline std::vector<std::string> DirectoryNames(const std::string& dir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir, ec)) names.push_back(e.path().filename().string() + (e.is_directory() ? "/" : ""));
    std::sort(names.begin(), names.end());
    return names;
}
