#include "platform/system.h"
#include "platform/fault_injection.h"

#include <windows.h>

namespace sys {

char PathSeparator() { return '\\'; }

bool MakeDir(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr) != 0; }

bool RemoveDir(const std::string& path) { return !Faulted() && RemoveDirectoryA(path.c_str()) != 0; }

bool RemoveFile(const std::string& path) {
    if (Faulted()) return false;
    if (DeleteFileA(path.c_str())) return true;
    DWORD e = GetLastError();
    return e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND;
}

namespace {
// `disposition` says whether a file of that name is emptied (CREATE_ALWAYS) or
// refused (CREATE_NEW).
NewFile WriteFileAs(const std::string& path, const std::string& bytes, DWORD disposition) {
    bool fault = Faulted();
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) {
        DWORD e = GetLastError();
        return e == ERROR_FILE_EXISTS || e == ERROR_ALREADY_EXISTS ? NewFile::Exists : NewFile::Failed;
    }
    size_t left = BytesToWrite(bytes.size(), fault);
    const char* p = bytes.data();
    bool ok = true;
    while (ok && left > 0) {
        // One call writes at most 4 GB; texts stay far below, but the count is a DWORD.
        DWORD size = left > 0x40000000 ? 0x40000000 : DWORD(left);
        DWORD written = 0;
        ok = WriteFile(f, p, size, &written, nullptr) != 0 && written == size;
        p += size;
        left -= size;
    }
    return CloseHandle(f) != 0 && ok && !fault ? NewFile::Written : NewFile::Failed;
}
}  // namespace

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
    return WriteFileAs(path, bytes, CREATE_ALWAYS) == NewFile::Written;
}

NewFile WriteNewFile(const std::string& path, const std::string& bytes) {
    return WriteFileAs(path, bytes, CREATE_NEW);
}

bool ReplaceWith(const std::string& from, const std::string& to) {
    return !Faulted() &&
           MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

std::vector<std::string> ListDirectory(const std::string& path) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((path + "\\*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        std::string name = found.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(h, &found));
    FindClose(h);
    return names;
}

std::string ModuleFileName() {
    // The classic 260-byte buffer cuts long paths; grow it until the path fits.
    std::vector<char> buf(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameA(nullptr, buf.data(), DWORD(buf.size()));
        if (n == 0) return std::string();
        if (n < buf.size()) return std::string(buf.data(), n);
        if (buf.size() >= 32768) return std::string(buf.data(), n);
        buf.resize(buf.size() * 2);
    }
}

std::string LoadStringResource(unsigned id) {
    char buf[256];
    int n = LoadStringA(GetModuleHandleA(nullptr), id, buf, sizeof buf);
    return n > 0 ? std::string(buf, size_t(n)) : std::string();
}

bool LocalTime(int32_t t, std::tm* out) {
    __time64_t tt = t;
    return _localtime64_s(out, &tt) == 0;
}

unsigned UserLanguageId() { return GetUserDefaultLangID(); }

void SleepMs(unsigned ms) { Sleep(ms); }

}  // namespace sys
