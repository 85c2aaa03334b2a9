#pragma once
#include <string>

std::string LoadLocalString(int index);
std::string MonthName(int month);
// True when the user's default language is Hungarian; picks the language on a first run.
bool IsHungarianUser();
