#include "tests/core/test_dir.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>

#include "history/history_list.h"
#include "settings/paths.h"

namespace fs = std::filesystem;

TestDir::TestDir() : path_((fs::temp_directory_path() / ("hoardium-test-" + std::to_string(std::random_device()()))).string()) {
    fs::create_directories(path_);
}

TestDir::~TestDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

std::string TestDir::File(const std::string& name) const { return JoinPath(path_, name); }

std::string ReadFile(const std::string& path) {
    std::string bytes;
    ReadWholeFile(path, &bytes);
    return bytes;
}

void WriteFile(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

void StoreHistory(const std::string& dataDir, int count, int32_t age, int oldFrom, int32_t oldAge) {
    fs::create_directories(dataDir);
    std::string index;
    for (int i = 0; i < count; i++) {
        std::string n = std::to_string(i), t = std::to_string(std::time(nullptr) - (oldFrom >= 0 && i >= oldFrom ? oldAge : age));
        index += "f" + n + " " + n + " " + t + "\r\ntext " + n + "\r\n";
        WriteFile(JoinPath(dataDir, "f" + n), "full " + n);
    }
    WriteFile(JoinPath(dataDir, "__reg__"), index);
}

Rows ListRows() {
    Rows rows;
    for (unsigned i = 0; i < HistoryCount(); i++) rows.emplace_back(HistoryItemText(i), HistoryItemHash(i));
    return rows;
}

Rows StoredRows() {
    HistoryItems items;
    LoadIndex(&items);
    Rows rows;
    for (const HistoryItem& item : items) rows.emplace_back(item.displayText.str(), item.hash);
    return rows;
}

std::vector<std::string> DirectoryNames(const std::string& dir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir, ec)) names.push_back(e.path().filename().string() + (e.is_directory() ? "/" : ""));
    std::sort(names.begin(), names.end());
    return names;
}
