#include "platform/system.h"
#include "platform/fault_injection.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace sys {

char PathSeparator() { return '\\'; }

bool MakeDir(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr) != 0; }

bool RemoveDir(const std::string& path) { return RemoveDirectoryA(path.c_str()) != 0; }

bool RemoveFile(const std::string& path) { return !Faulted() && DeleteFileA(path.c_str()) != 0; }

namespace {
// `disposition` says whether a file of that name is written over (OPEN_ALWAYS) or
// refused (CREATE_NEW).
NewFile WriteFileAs(const std::string& path, const FilePieces& pieces, DWORD disposition) {
    bool fault = Faulted();
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) {
        DWORD e = GetLastError();
        return e == ERROR_FILE_EXISTS || e == ERROR_ALREADY_EXISTS ? NewFile::Exists : NewFile::Failed;
    }
    size_t left = BytesToWrite(pieces, fault);
    bool ok = true;
    for (size_t i = 0; ok && i < pieces.size() && left > 0; i++) {
        DWORD size = DWORD(std::min(pieces[i].size(), left));
        DWORD written = 0;
        ok = WriteFile(f, pieces[i].data(), size, &written, nullptr) != 0 && written == size;
        left -= size;
    }
    ok = ok && SetEndOfFile(f) != 0;
    return CloseHandle(f) != 0 && ok && !fault ? NewFile::Written : NewFile::Failed;
}
}  // namespace

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
    return WriteFileAs(path, FilePieces{bytes}, OPEN_ALWAYS) == NewFile::Written;
}

bool WriteWholeFile(const std::string& path, const FilePieces& pieces) {
    return WriteFileAs(path, pieces, OPEN_ALWAYS) == NewFile::Written;
}

NewFile WriteNewFile(const std::string& path, const std::string& bytes) {
    return WriteFileAs(path, FilePieces{bytes}, CREATE_NEW);
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

bool LinkFile(const std::string& existing, const std::string& link) {
    return CreateHardLinkA(link.c_str(), existing.c_str(), nullptr) != 0;
}

bool ReplaceWith(const std::string& from, const std::string& to) {
    return !Faulted() &&
           MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

unsigned UserLanguageId() { return GetUserDefaultLangID(); }

}  // namespace sys
