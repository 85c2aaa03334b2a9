#pragma once
#include <cstdint>
#include <string>

// True when an item captured at `captureTime` is too old for `policy` at `now`.
bool IsExpired(int policy, int32_t now, int32_t captureTime);
std::string FormatTimestamp(int32_t t);
