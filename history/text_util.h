#pragma once
#include <string>

void ReplaceAll(std::string& s, const std::string& from, const std::string& to);
std::string CollapseRuns(const std::string& s, char c);
std::string TrimChars(const std::string& s, const std::string& set);
