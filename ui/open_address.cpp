#include "ui/open_address.h"

#include <windows.h>

#include <shellapi.h>

#include "ui/web_address.h"

void OpenAddress(const std::string& s) {
    ShellExecuteA(nullptr, "open", AddressToOpen(s).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}
