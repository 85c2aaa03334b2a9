#pragma once
#include <string>

// Hands a web address to the shell; the result is not examined.
void OpenAddress(const std::string& s);
