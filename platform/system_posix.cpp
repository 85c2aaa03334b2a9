#include "platform/system.h"
#include "platform/fault_injection.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

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

bool RemoveDir(const std::string& path) { return !Faulted() && rmdir(path.c_str()) == 0; }

bool RemoveFile(const std::string& path) {
    return !Faulted() && (unlink(path.c_str()) == 0 || errno == ENOENT);
}

namespace {
// `flags` say whether a file of that name is emptied (O_TRUNC) or refused (O_EXCL).
NewFile WriteFileAs(const std::string& path, const std::string& bytes, int flags) {
    bool fault = Faulted();
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | flags, 0666);
    if (fd < 0) return errno == EEXIST ? NewFile::Exists : NewFile::Failed;
    size_t size = BytesToWrite(bytes.size(), fault);
    bool ok = true;
    for (size_t done = 0; ok && done < size;) {
        ssize_t n = write(fd, bytes.data() + done, size - done);
        ok = n > 0;
        if (ok) done += size_t(n);
    }
    return close(fd) == 0 && ok && !fault ? NewFile::Written : NewFile::Failed;
}
}  // namespace

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
    return WriteFileAs(path, bytes, O_TRUNC) == NewFile::Written;
}

NewFile WriteNewFile(const std::string& path, const std::string& bytes) { return WriteFileAs(path, bytes, O_EXCL); }

bool ReplaceWith(const std::string& from, const std::string& to) {
    return !Faulted() && std::rename(from.c_str(), to.c_str()) == 0;
}

std::vector<std::string> ListDirectory(const std::string& path) {
    std::vector<std::string> names;
    DIR* dir = opendir(path.c_str());
    if (!dir) return names;
    while (dirent* e = readdir(dir)) {
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) names.push_back(e->d_name);
    }
    closedir(dir);
    return names;
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

// The native build has no user locale of its own; it speaks English.
unsigned UserLanguageId() { return 0x0409; }

void SleepMs(unsigned ms) { usleep(ms * 1000); }

}  // namespace sys
