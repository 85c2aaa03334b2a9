#pragma once
#include <string>

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
