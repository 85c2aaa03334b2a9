#include "settings/paths.h"

#include <cstdio>
#include <new>

#include "platform/system.h"

const char AppName[] = "Hoardium";

static std::string exeDirectory;

void InitExeDirectory() {
    std::string path = sys::ModuleFileName();
    size_t cut = path.rfind(sys::PathSeparator());
    exeDirectory = cut == std::string::npos ? path : path.substr(0, cut);
}

std::string ExeDirectory() { return exeDirectory; }

std::string ModulePath() { return sys::ModuleFileName(); }

std::string JoinPath(const std::string& a, const std::string& b) { return a + sys::PathSeparator() + b; }

bool MakeDirectory(const std::string& path) { return sys::MakeDir(path); }

bool FileExists(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    std::fclose(f);
    return true;
}

std::string TempPathFor(const std::string& path) { return path + ".tmp"; }

bool WriteFileAtomically(const std::string& path, const std::string& bytes) {
    return WriteFileAtomically(path, bytes, TempPathFor(path));
}

bool WriteFileAtomically(const std::string& path, const std::string& bytes, const std::string& tmp) {
    bool ok = sys::WriteWholeFile(tmp, bytes) && sys::ReplaceWith(tmp, path);
    if (!ok) sys::RemoveFile(tmp);
    return ok;
}

bool ReadWholeFile(const std::string& path, std::string* bytes) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    bytes->clear();
    // One read of the size the file has: a large index or text then costs one
    // allocation instead of a doubling string's many.
    long size = std::fseek(f, 0, SEEK_END) == 0 ? std::ftell(f) : -1;
    bool ok = true;
    if (size > 0 && std::fseek(f, 0, SEEK_SET) == 0) {
        // A damaged file too large for this process's memory must not stop it.
        try {
            bytes->resize(size_t(size));
            bytes->resize(std::fread(&(*bytes)[0], 1, size_t(size), f));
        } catch (const std::bad_alloc&) {
            ok = false;
        }
    }
    std::fclose(f);
    return ok;
}
