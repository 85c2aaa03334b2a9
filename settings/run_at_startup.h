// "Run at Startup": one value under the user's Run key, read back every time.
#pragma once
#include <string>

void SetRunAtStartup(const std::string& name, bool enable);
// True only when the value names exactly this executable.
bool IsRunAtStartup(const std::string& name);
