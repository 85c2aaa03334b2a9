#include "settings/settings_store.h"

#include <map>
#include <sstream>

#include "history/text_util.h"
#include "platform/system.h"
#include "settings/paths.h"

namespace {

// std::string compares as unsigned bytes, which is the order of the file's lines.
std::map<std::string, int32_t> store;
std::string settingsPath;

// A value the file does not spell as a 32-bit decimal leaves the key as it was.
bool ParseValue(const std::string& token, int32_t* value) {
    size_t i = 0;
    bool negative = false;
    if (i < token.size() && (token[i] == '+' || token[i] == '-')) negative = token[i++] == '-';
    int64_t v = 0;
    size_t digits = 0;
    for (; i < token.size() && token[i] >= '0' && token[i] <= '9'; i++, digits++) {
        v = v * 10 + (token[i] - '0');
        if (v > 2147483648LL) return false;
    }
    if (digits == 0) return false;
    if (negative) v = -v;
    if (v > INT32_MAX || v < INT32_MIN) return false;
    *value = int32_t(v);
    return true;
}

void ReadLine(const std::string& line) {
    if (TrimChars(line, " \n\t").empty()) return;
    std::istringstream in(line);
    std::string key, separator, token;
    in >> key >> separator >> token;
    auto it = store.find(key);
    if (it == store.end()) return;
    int32_t value;
    if (ParseValue(token, &value)) it->second = value;
}

}  // namespace

void ResetSettings() {
    store.clear();
    settingsPath.clear();
}

void SetDefaultSettings() {
    static const struct {
        const char* key;
        int32_t value;
    } defaults[] = {
        {"WinX", 0},          {"WinY", 0},      {"WinW", 320},         {"WinH", 240},
        {"StayOnTop", 1},     {"Timestamps", 0}, {"GridLines", 0},     {"MonoFont", 0},
        {"ToolbarOpen", 1},   {"LangID", 0},    {"KeepPolicy", 3},     {"MaxItems", 100000},
        {"PauseRestore", 0},  {"PauseState", 0}, {"EnableHotkeys", 1},
    };
    for (const auto& d : defaults) SetSetting(d.key, d.value);
}

bool LoadSettings(const std::string& directory, const std::string& baseName) {
    settingsPath = directory + sys::PathSeparator() + baseName + ".ini";
    // A rewrite cut short leaves its temporary file; the real file is still whole.
    sys::RemoveFile(TempPathFor(settingsPath));
    std::string bytes;
    if (!ReadWholeFile(settingsPath, &bytes)) return false;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        ReadLine(line);
        start = end + 1;
    }
    return true;
}

void SaveSettings() {
    if (settingsPath.empty()) return;
    std::string bytes;
    for (const auto& entry : store) bytes += entry.first + " = " + std::to_string(entry.second) + "\r\n";
    WriteFileAtomically(settingsPath, bytes);
}

int32_t GetSetting(const std::string& key) { return store[key]; }

void SetSetting(const std::string& key, int32_t value) { store[key] = value; }

void ToggleSetting(const std::string& key) {
    int32_t& v = store[key];
    v = v == 1 ? 0 : 1;
}
