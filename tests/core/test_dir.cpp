#include "tests/core/test_dir.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "settings/paths.h"

namespace fs = std::filesystem;

TestDir::TestDir() {
    std::random_device rd;
    path_ = (fs::temp_directory_path() / ("hoardium-test-" + std::to_string(rd()))).string();
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

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}
