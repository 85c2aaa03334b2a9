#pragma once
#include <string>

bool IsWebAddress(const std::string& s);
