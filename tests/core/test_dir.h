// Helpers every test layer shares: a private folder, whole files, a stored history as
// an earlier run would have left it, and what the store holds, read the program's way.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// A fresh empty directory for one test, removed with everything in it afterwards.
class TestDir {
public:
    TestDir();
    ~TestDir();
    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const;

private:
    std::string path_;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

// Writes `count` items into `dataDir`: item i is file "f<i>" holding "full <i>", with
// hash i, display text "text <i>", captured `age` seconds ago (`oldAge` from `oldFrom` on).
void StoreHistory(const std::string& dataDir, int count, int32_t age = 0, int oldFrom = -1, int32_t oldAge = 0);

// Display text and hash of each item, newest first.
using Rows = std::vector<std::pair<std::string, uint32_t>>;
// The rows of the history list in memory.
Rows ListRows();
// The rows of the index that a start would load.
Rows StoredRows();
// Names of the files in a directory, sorted; subdirectories end with '/'.
std::vector<std::string> DirectoryNames(const std::string& dir);
