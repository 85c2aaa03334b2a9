// The few operating-system services the portable core needs. One implementation
// per platform is linked in by the build; nothing else in the core talks to the OS.
#pragma once
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace sys {

// A file's bytes as parts that lie apart in memory, written one after another.
using FilePieces = std::vector<std::string_view>;

char PathSeparator();
bool MakeDir(const std::string& path);
bool RemoveDir(const std::string& path);
bool RemoveFile(const std::string& path);
// Leaves `path` holding exactly `bytes`, created if missing. An existing file is
// written over in place and then cut to length: that reuses its room on disk, where
// emptying it first would free it all and wait for any of it still being written.
bool WriteWholeFile(const std::string& path, const std::string& bytes);
bool WriteWholeFile(const std::string& path, const FilePieces& pieces);
enum class NewFile { Written, Exists, Failed };
// As WriteWholeFile, but only when no file of that name exists yet: one lookup of
// the name both proves it free and creates the file.
NewFile WriteNewFile(const std::string& path, const std::string& bytes);
// Full path of the running executable, however long.
std::string ModuleFileName();
// Text of string resource `id` in the process's 8-bit code page; empty if absent.
std::string LoadStringResource(unsigned id);
bool LocalTime(int32_t t, std::tm* out);
// Moves `from` over `to` so that `to` is always either the old or the new file.
bool ReplaceWith(const std::string& from, const std::string& to);
// Gives the file `existing` a second name `link` on the same volume; false where the
// volume has no such names, or `link` is taken.
bool LinkFile(const std::string& existing, const std::string& link);
// The user's default language identifier (a Windows LANGID).
unsigned UserLanguageId();

// For tests: counting from this call, the n-th file write, replace or delete fails
// (a write after putting half its bytes on disk, as a full disk would); 0 fails none.
void FailNthOperation(int n);
// File writes, replaces and deletes attempted since FailNthOperation armed a fault.
int OperationCount();

}  // namespace sys
