#include "settings/version_text.h"

#include "settings/paths.h"

namespace {
const int versionMajor = 0;
const int versionMinor = 2;
const int versionPatch = 2;
const int devBuild = 0;
std::string windowTitle;
}  // namespace

std::string VersionText() {
    std::string s = std::to_string(versionMajor) + "." + std::to_string(versionMinor);
    if (versionPatch > 0) s += "." + std::to_string(versionPatch);
    if (devBuild > 0) s += "-dev";
    return s;
}

void BuildWindowTitle() { windowTitle = std::string(AppName) + " " + VersionText(); }

std::string WindowTitle() { return windowTitle; }
