#pragma once
#include <string>

std::string VersionText();
void BuildWindowTitle();
std::string WindowTitle();
