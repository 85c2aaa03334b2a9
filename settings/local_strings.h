#pragma once
#include <string>

std::string LoadLocalString(int index);
std::string MonthName(int month);
