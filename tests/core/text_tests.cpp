// The pure functions of the core, and the settings store with its file.
#include <gtest/gtest.h>

#include <ctime>

#include "history/display_text.h"
#include "history/history_list.h"
#include "history/keep_policy.h"
#include "settings/local_strings.h"
#include "settings/settings_store.h"
#include "tests/core/test_dir.h"
#include "ui/preview_text.h"
#include "ui/web_address.h"

TEST(Text, HashDisplayTextAndWebAddresses) {
    EXPECT_EQ(TextHash("\xE9"), 177550u);  // high bytes count as negative
    const std::string a199(199, 'a'), a200(200, 'a'), display[][2] = {
        {"Hello\r\nWorld", "Hello \xB6 World"}, {"  a\t\tb  ", "a \xBB b"}, {"\r\n\r\nx", "\xB6 x"}, {"   ", "\xB7\xB7\xB7"},
        {"\t \t", "\xBB\xB7\xBB"}, {"\r\n", "\xB6"}, {"", ""}, {"a\r\n\tb", "a \xB6 \xBB b"}, {a200, a200}, {a200 + "b", a200 + "  [...]"},
        {a199 + "\r\nb", a199 + "\r  [...]"}, {" \xB6" "a", "\xB6 a"}, {std::string(300, ' '), std::string(200, '\xB7') + "  [...]"},
        {"a\rb", "a\rb"}, {"a\nb", "a \xB6 b"}};
    for (const auto& c : display) EXPECT_EQ(MakeDisplayText(c[0], 200), c[1]) << c[0];
    // What the shell is handed ("-": not an address): the bare "www" forms get a scheme, so
    // they can never be taken for a local file or program; the rest goes exactly as stored.
    const std::string web[][2] = {
        {"www.example.com", "http://www.example.com"}, {"www2.x", "http://www2.x"}, {"www3.x/a?b", "http://www3.x/a?b"},
        {"www.example.com\r\n", "http://www.example.com\r\n"}, {"http://example.com\r\n", "http://example.com\r\n"},
        {"http://example.com\n", "http://example.com\n"}, {"https://x", "https://x"}, {"ftp://x", "ftp://x"}, {"www.", "-"},
        {"http://", "-"}, {"HTTP://example.com", "-"}, {" http://example.com", "-"}, {"http://example.com/a b", "-"},
        {"http://a.com\nsecond", "-"}, {"mailto:x@y.z", "-"}, {"file:///c:/x", "-"}, {"WWW.example.com", "-"}, {"wwwx.com", "-"}, {"", "-"}};
    for (const auto& c : web) EXPECT_EQ(IsWebAddress(c[0]) ? AddressToOpen(c[0]) : "-", c[1]) << c[0];
}

TEST(Text, PreviewCutsAtTheLayoutBudget) {
    EXPECT_EQ(PreviewText("one\ntwo\r\r\nthree\r\nfour\r"), "one\r\ntwo\r\nthree\r\nfour\r");
    std::string lines, prose;
    while (lines.size() < (4u << 20)) lines += std::string(78, 'x') + "\r\n";
    for (int i = 1; prose.size() < (64u << 10); i++) prose += i % 50 ? "some words of prose " : "some words of prose\r\n";
    prose.resize(64u << 10);
    EXPECT_EQ(PreviewLength(prose), prose.size());  // shown whole
    // Of short lines a couple of hundred kilobytes fit; of one unbroken line, a few.
    size_t shown = PreviewLength(lines), line = PreviewLength(std::string(1 << 20, 'y'));
    EXPECT_TRUE(shown > (200u << 10) && shown < (300u << 10) && line > 4000 && line < 8000) << shown << " " << line;
    EXPECT_EQ(PreviewText(lines).compare(0, shown - 1, lines, 0, shown - 1), 0);
}

TEST(Text, TimestampsInBothLanguagesAndExpiry) {
    std::tm march{}, january{};
    march.tm_year = january.tm_year = 124;
    march.tm_mon = 2, march.tm_mday = 5, march.tm_hour = 9, march.tm_min = 7, january.tm_mday = 1, january.tm_min = 5;
    march.tm_isdst = january.tm_isdst = -1;
    EXPECT_EQ(FormatTimestamp(int32_t(std::mktime(&march))) + "|" + FormatTimestamp(int32_t(std::mktime(&january))), "Mar 5. 09:07|Jan 1. 00:05");
    SetSetting("LangID", 1);
    // The Windows build reads the string table in the ANSI code page, the native one in UTF-8.
    std::string hungarian = FormatTimestamp(int32_t(std::mktime(&march)));
    EXPECT_TRUE(hungarian == "M\xE1r 5. 09:07" || hungarian == "M\xC3\xA1r 5. 09:07") << hungarian;
    SetSetting("LangID", 5);
    EXPECT_EQ(LoadLocalString(15), "");
    SetSetting("LangID", 0);
    // Policy, hours and seconds of age, and whether that is past keeping.
    const int ages[][4] = {{0, 168, 3599, 0}, {0, 169, 0, 1}, {1, 744, 3599, 0}, {1, 745, 0, 1}, {2, 9999, 0, 0}, {3, 9999, 0, 0}, {-1, 9999, 0, 0}, {0, -169, 0, 0}};
    for (const auto& a : ages) EXPECT_EQ(IsExpired(a[0], 1 << 30, (1 << 30) - a[1] * 3600 - a[2]), bool(a[3])) << a[0] << " " << a[1];
}

TEST(Settings, FirstRunWritesTheDefaultsAndAUserFileReadsAsWritten) {
    TestDir dir;
    auto Load = [&] { return ResetSettings(), SetDefaultSettings(), LoadSettings(dir.path(), "Hoardium"); };
    auto Saved = [&] { return SaveSettings(), ReadFile(dir.File("Hoardium.ini")); };
    EXPECT_FALSE(Load());
    EXPECT_EQ(Saved(), "EnableHotkeys = 1\r\nGridLines = 0\r\nKeepPolicy = 3\r\nLangID = 0\r\nMaxItems = 100000\r\nMonoFont = 0\r\n"
                       "PauseRestore = 0\r\nPauseState = 0\r\nStayOnTop = 1\r\nTimestamps = 0\r\nToolbarOpen = 1\r\n"
                       "WinH = 240\r\nWinW = 320\r\nWinX = 0\r\nWinY = 0\r\n");
    WriteFile(dir.File("Hoardium.ini"), "WinX=5\nWinY : 7\r\nwinx = 9\nWinW = 5 extra words\nWinH = -40\nStayOnTop = +7\nGridLines = 1\n"
                                        "GridLines = 0\n[section]\n; comment\nColour = 3\nPeekOpen = 1\nMaxItems = 12abc\nLangID = 0x10\n"
                                        "KeepPolicy = many\nTimestamps = 99999999999\nMonoFont =\n\n   \t\nToolbarOpen = 2147483647\n"
                                        "PauseState = -2147483648\nEnableHotkeys = 4");
    EXPECT_TRUE(Load());
    // Unspellable values keep the default; the last line needs no line end.
    EXPECT_EQ(Saved(), "EnableHotkeys = 4\r\nGridLines = 0\r\nKeepPolicy = 3\r\nLangID = 0\r\nMaxItems = 12\r\nMonoFont = 0\r\n"
                       "PauseRestore = 0\r\nPauseState = -2147483648\r\nStayOnTop = 7\r\nTimestamps = 0\r\nToolbarOpen = 2147483647\r\n"
                       "WinH = -40\r\nWinW = 5\r\nWinX = 0\r\nWinY = 7\r\n");
}
