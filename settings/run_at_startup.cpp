#include "settings/run_at_startup.h"

#include <windows.h>

#include <vector>

#include "settings/paths.h"

namespace {

const char RunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

struct KeyCloser {
    HKEY key;
    ~KeyCloser() { RegCloseKey(key); }
};

}  // namespace

void SetRunAtStartup(const std::string& name, bool enable) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, RunKey, 0, KEY_WRITE, &key) != ERROR_SUCCESS) return;
    KeyCloser closer{key};
    if (enable) {
        std::string path = ModulePath();
        RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                       DWORD(path.size() + 1));
    } else {
        RegDeleteValueA(key, name.c_str());
    }
}

bool IsRunAtStartup(const std::string& name) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, RunKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    KeyCloser closer{key};
    std::string path = ModulePath();
    // Room for the path we expect, so a long executable path can still match.
    std::vector<BYTE> data(path.size() + 2 > 260 ? path.size() + 2 : 260);
    DWORD size = DWORD(data.size());
    if (RegQueryValueExA(key, name.c_str(), nullptr, nullptr, data.data(), &size) != ERROR_SUCCESS) return false;
    std::string value(reinterpret_cast<const char*>(data.data()), size);
    value = value.substr(0, value.find('\0'));
    return value == path;
}
