#include "settings/local_strings.h"

#include "platform/system.h"
#include "settings/settings_store.h"

std::string LoadLocalString(int index) {
    int lang = GetSetting("LangID");
    // Only the English and Hungarian blocks exist; any other value names nothing.
    if (lang != 0 && lang != 1) return std::string();
    std::string text = sys::LoadStringResource(unsigned(128 + 128 * lang + index));
    return text.substr(0, 255);
}

std::string MonthName(int month) { return LoadLocalString(month - 1); }

bool IsHungarianUser() { return (sys::UserLanguageId() & 0x3FF) == 0x0E; }
