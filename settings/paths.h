#pragma once
#include <string>

extern const char AppName[];

void InitExeDirectory();
std::string ExeDirectory();
std::string ModulePath();
std::string JoinPath(const std::string& a, const std::string& b);
bool MakeDirectory(const std::string& path);
bool FileExists(const std::string& path);
// Writes `bytes` to a temporary file beside `path`, then puts it in place in one
// step, so a crash leaves either the old or the new file, never a torn one.
bool WriteFileAtomically(const std::string& path, const std::string& bytes);
// The same through a temporary file of the caller's choosing, on the same volume.
bool WriteFileAtomically(const std::string& path, const std::string& bytes, const std::string& tmp);
// Whole file as bytes; false when it cannot be opened.
bool ReadWholeFile(const std::string& path, std::string* bytes);
std::string TempPathFor(const std::string& path);
