#include "history/keep_policy.h"

#include <cstdio>

#include "platform/system.h"
#include "settings/local_strings.h"

bool IsExpired(int policy, int32_t now, int32_t captureTime) {
    int64_t hours = (int64_t(now) - captureTime) / 3600;
    return (policy == 0 && hours > 168) || (policy == 1 && hours > 744);
}

std::string FormatTimestamp(int32_t t) {
    std::tm tm{};
    if (!sys::LocalTime(t, &tm)) return std::string();
    char buf[300];
    std::snprintf(buf, sizeof buf, "%s %d. %02d:%02d", MonthName(tm.tm_mon + 1).c_str(), tm.tm_mday, tm.tm_hour,
                  tm.tm_min);
    return buf;
}
