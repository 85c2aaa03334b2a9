#include "platform/system.h"
#include "platform/fault_injection.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <vector>

namespace sys {

namespace {
struct StringEntry {
    unsigned id;
    const char* text;
};
const StringEntry kStrings[] = {
#define HOARDIUM_STRING(id, text) {id, text},
#include "res/strings.inc"
#undef HOARDIUM_STRING
};
}  // namespace

char PathSeparator() { return '/'; }

bool MakeDir(const std::string& path) { return mkdir(path.c_str(), 0777) == 0; }

bool RemoveDir(const std::string& path) { return rmdir(path.c_str()) == 0; }

bool RemoveFile(const std::string& path) { return !Faulted() && unlink(path.c_str()) == 0; }

namespace {
// `flags` say whether a file of that name is written over (0) or refused (O_EXCL).
NewFile WriteFileAs(const std::string& path, const FilePieces& pieces, int flags) {
    bool fault = Faulted();
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | flags, 0666);
    if (fd < 0) return errno == EEXIST ? NewFile::Exists : NewFile::Failed;
    size_t left = BytesToWrite(pieces, fault);
    off_t end = 0;
    bool ok = true;
    for (size_t i = 0; ok && i < pieces.size() && left > 0; i++) {
        std::string_view piece = pieces[i].substr(0, left);
        left -= piece.size();
        for (size_t done = 0; ok && done < piece.size();) {
            ssize_t n = write(fd, piece.data() + done, piece.size() - done);
            ok = n > 0;
            if (ok) {
                done += size_t(n);
                end += off_t(n);
            }
        }
    }
    ok = ok && ftruncate(fd, end) == 0;
    return close(fd) == 0 && ok && !fault ? NewFile::Written : NewFile::Failed;
}
}  // namespace

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
    return WriteFileAs(path, FilePieces{bytes}, 0) == NewFile::Written;
}

bool WriteWholeFile(const std::string& path, const FilePieces& pieces) {
    return WriteFileAs(path, pieces, 0) == NewFile::Written;
}

NewFile WriteNewFile(const std::string& path, const std::string& bytes) {
    return WriteFileAs(path, FilePieces{bytes}, O_EXCL);
}

std::string ModuleFileName() {
    std::vector<char> buf(PATH_MAX + 1);
    ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    return n > 0 ? std::string(buf.data(), size_t(n)) : std::string();
}

std::string LoadStringResource(unsigned id) {
    for (const StringEntry& e : kStrings) {
        if (e.id == id) return e.text;
    }
    return std::string();
}

bool LocalTime(int32_t t, std::tm* out) {
    time_t tt = t;
    return localtime_r(&tt, out) != nullptr;
}

bool LinkFile(const std::string& existing, const std::string& name) {
    return ::link(existing.c_str(), name.c_str()) == 0;
}

bool ReplaceWith(const std::string& from, const std::string& to) {
    return !Faulted() && std::rename(from.c_str(), to.c_str()) == 0;
}

// The native build has no user locale of its own; it speaks English.
unsigned UserLanguageId() { return 0x0409; }

}  // namespace sys
