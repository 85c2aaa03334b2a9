#include "settings/paths.h"

#include <cstdio>

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
    return WriteFileAtomically(path, sys::FilePieces{bytes}, TempPathFor(path));
}

bool WriteFileAtomically(const std::string& path, const std::string& bytes, const std::string& tmp) {
    return WriteFileAtomically(path, sys::FilePieces{bytes}, tmp);
}

bool WriteFileAtomically(const std::string& path, const sys::FilePieces& pieces) {
    return WriteFileAtomically(path, pieces, TempPathFor(path));
}

bool WriteFileAtomically(const std::string& path, const sys::FilePieces& pieces, const std::string& tmp) {
    bool ok = sys::WriteWholeFile(tmp, pieces) && sys::ReplaceWith(tmp, path);
    if (!ok) sys::RemoveFile(tmp);
    return ok;
}

bool ReadWholeFile(const std::string& path, std::string* bytes) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    bytes->clear();
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes->append(buf, n);
    std::fclose(f);
    return true;
}
