#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include "settings/paths.h"
#include "tests/fuzz/fuzz_dir.h"

const std::string& FuzzDirectory() {
    static const std::string dir = [] {
        char name[] = "/tmp/hoardium-fuzz-XXXXXX";
        if (!mkdtemp(name)) std::abort();
        return std::string(name);
    }();
    return dir;
}

void WriteBytes(const std::string& path, const uint8_t* data, size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
}
