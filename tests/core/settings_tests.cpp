#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#ifdef _WIN32
#include <windows.h>
#endif

#include "settings/local_strings.h"
#include "settings/paths.h"
#include "settings/settings_store.h"
#include "settings/version_text.h"
#include "tests/core/test_dir.h"

namespace {

class Settings : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSettings();
        SetDefaultSettings();
    }
    bool Load(const std::string& content) {
        WriteFile(dir.File("Hoardium.ini"), content);
        return LoadSettings(dir.path(), "Hoardium");
    }
    TestDir dir;
};

TEST_F(Settings, FirstRunAndDefaultFile) {
    EXPECT_FALSE(LoadSettings(dir.path(), "Hoardium"));
    GetSetting("PeekOpen");
    SaveSettings();
    EXPECT_EQ(ReadFile(dir.File("Hoardium.ini")),
              "EnableHotkeys = 1\r\nGridLines = 0\r\nKeepPolicy = 3\r\nLangID = 0\r\nMaxItems = 100000\r\n"
              "MonoFont = 0\r\nPauseRestore = 0\r\nPauseState = 0\r\nPeekOpen = 0\r\nStayOnTop = 1\r\n"
              "Timestamps = 0\r\nToolbarOpen = 1\r\nWinH = 240\r\nWinW = 320\r\nWinX = 0\r\nWinY = 0\r\n");
    EXPECT_TRUE(Load(""));
}

TEST_F(Settings, OddLines) {
    EXPECT_TRUE(Load("WinX=5\nWinY : 7\r\nwinx = 9\nWinW = 5 extra words\nWinH = -40\nStayOnTop = +7\n"
                     "GridLines = 1\nGridLines = 0\n[section]\n; comment\nColour = 3\nPeekOpen = 1\n"
                     "MaxItems = 12abc\nLangID = 0x10\nKeepPolicy = many\nTimestamps = 99999999999\n"
                     "MonoFont =\n\n   \t\nEnableHotkeys = 4"));
    EXPECT_EQ(GetSetting("WinX"), 0);
    EXPECT_EQ(GetSetting("WinY"), 7);
    EXPECT_EQ(GetSetting("WinW"), 5);
    EXPECT_EQ(GetSetting("WinH"), -40);
    EXPECT_EQ(GetSetting("StayOnTop"), 7);
    EXPECT_EQ(GetSetting("GridLines"), 0);
    EXPECT_EQ(GetSetting("MaxItems"), 12);
    EXPECT_EQ(GetSetting("LangID"), 0);
    EXPECT_EQ(GetSetting("KeepPolicy"), 3);   // not a number: unchanged
    EXPECT_EQ(GetSetting("Timestamps"), 0);   // out of range: unchanged
    EXPECT_EQ(GetSetting("MonoFont"), 0);
    EXPECT_EQ(GetSetting("EnableHotkeys"), 4);  // last line without a line end
    EXPECT_EQ(GetSetting("PeekOpen"), 0);
    SaveSettings();
    std::string saved = ReadFile(dir.File("Hoardium.ini"));
    EXPECT_EQ(saved.find("Colour"), std::string::npos);
    EXPECT_NE(saved.find("PeekOpen = 0\r\n"), std::string::npos);
}

TEST_F(Settings, Toggle) {
    SetSetting("X", 2);
    ToggleSetting("X");
    EXPECT_EQ(GetSetting("X"), 1);
    ToggleSetting("X");
    EXPECT_EQ(GetSetting("X"), 0);
    ToggleSetting("Absent");
    EXPECT_EQ(GetSetting("Absent"), 1);
}

TEST_F(Settings, InterruptedSaveKeepsOldFile) {
    EXPECT_TRUE(Load("WinX = 5\r\n"));
    WriteFile(dir.File("Hoardium.ini.tmp"), "WinX = 9\r\nWin");
    EXPECT_TRUE(LoadSettings(dir.path(), "Hoardium"));
    EXPECT_EQ(GetSetting("WinX"), 5);
    EXPECT_FALSE(FileExists(dir.File("Hoardium.ini.tmp")));
}

TEST_F(Settings, LocalisedStrings) {
    EXPECT_EQ(LoadLocalString(15), "PAUSED");
    EXPECT_EQ(LoadLocalString(23), "Go to Address");
    EXPECT_EQ(MonthName(3), "Mar");
    SetSetting("LangID", 1);
    EXPECT_EQ(LoadLocalString(23).substr(0, 15), "Webhely megnyit");
    EXPECT_EQ(MonthName(12), "Dec");
    EXPECT_FALSE(LoadLocalString(15).empty());
    SetSetting("LangID", 5);
    EXPECT_EQ(LoadLocalString(15), "");
}

TEST(Version, TitleText) {
    EXPECT_EQ(VersionText(), "0.2.2");
    BuildWindowTitle();
    EXPECT_EQ(WindowTitle(), "Hoardium 0.2.2");
}

TEST(Paths, JoinKeepsExistingSeparators) {
    std::string sep = JoinPath("", "");
    EXPECT_EQ(JoinPath("a" + sep, "f"), "a" + sep + sep + "f");
    InitExeDirectory();
    EXPECT_FALSE(ExeDirectory().empty());
    EXPECT_EQ(ModulePath().substr(0, ExeDirectory().size()), ExeDirectory());
}

// The test program, copied into a folder whose path outgrows the classic 260-byte
// buffer, runs this test again there and must find itself whole.
TEST(Paths, LongExecutablePath) {
    InitExeDirectory();
    const std::string deepName(100, 'd');
    if (ExeDirectory().size() > 300) {
        EXPECT_EQ(ExeDirectory().substr(ExeDirectory().size() - deepName.size()), deepName);
        EXPECT_TRUE(FileExists(ModulePath()));
        return;
    }
    TestDir dir;
    std::string deep = dir.path();
    for (int i = 0; i < 3; i++) deep = JoinPath(deep, deepName);
    std::filesystem::create_directories(deep);
    std::string copy = JoinPath(deep, std::filesystem::path(ModulePath()).filename().string());
    std::filesystem::copy_file(ModulePath(), copy);
    const char* filter = "--gtest_filter=Paths.LongExecutablePath";
#ifdef _WIN32
    // Neither cmd.exe nor the C runtime's spawn take so long a path; CreateProcess may.
    std::string line = "\"" + copy + "\" " + filter;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        GTEST_SKIP() << "this system starts no program by a path this long (Wine does not)";
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    EXPECT_EQ(code, 0u);
#else
    EXPECT_EQ(std::system(("'" + copy + "' " + filter).c_str()), 0);
#endif
}

}  // namespace
