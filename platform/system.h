// The few operating-system services the portable core needs. One implementation
// per platform is linked in by the build; nothing else in the core talks to the OS.
#pragma once
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace sys {

char PathSeparator();
bool MakeDir(const std::string& path);
bool RemoveDir(const std::string& path);
// True when no file of that name is left, also when there was none.
bool RemoveFile(const std::string& path);
// Leaves `path` holding exactly `bytes`, created if missing.
bool WriteWholeFile(const std::string& path, const std::string& bytes);
enum class NewFile { Written, Exists, Failed };
// As WriteWholeFile, but only when no file of that name exists yet: one lookup of
// the name both proves it free and creates the file.
NewFile WriteNewFile(const std::string& path, const std::string& bytes);
// Moves `from` over `to` so that `to` is always either the old or the new file, and
// the move is on disk before this returns.
bool ReplaceWith(const std::string& from, const std::string& to);
// Names of the entries of a directory, without "." and "..".
std::vector<std::string> ListDirectory(const std::string& path);
// Full path of the running executable, however long.
std::string ModuleFileName();
// Text of string resource `id` in the process's 8-bit code page; empty if absent.
std::string LoadStringResource(unsigned id);
bool LocalTime(int32_t t, std::tm* out);
// The user's default language identifier (a Windows LANGID).
unsigned UserLanguageId();
void SleepMs(unsigned ms);

// For tests: from this call on, the n-th file write, replace, delete or directory
// removal (counting from 1) fails when `fails(n)` says so; a failing write puts half
// its bytes on disk first, as a disk that fills up would. nullptr fails none.
void SetFaults(std::function<bool(int)> fails);
// File operations attempted since SetFaults.
int OperationCount();

}  // namespace sys
