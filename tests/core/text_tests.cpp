#include <gtest/gtest.h>

#include "history/display_text.h"
#include "history/history_list.h"
#include "ui/web_address.h"

TEST(TextHash, MatchesKnownValues) {
    EXPECT_EQ(TextHash(""), 5381u);
    EXPECT_EQ(TextHash("abc"), 193485963u);
    EXPECT_EQ(TextHash("\xE9"), 177550u);  // high bytes count as negative
}

TEST(DisplayText, WorkedExamples) {
    const std::string a200(200, 'a');
    const struct {
        std::string text, display;
    } cases[] = {
        {"Hello\r\nWorld", "Hello \xB6 World"},
        {"  a\t\tb  ", "a \xBB b"},
        {"\r\n\r\nx", "\xB6 x"},
        {"   ", "\xB7\xB7\xB7"},
        {"\t \t", "\xBB\xB7\xBB"},
        {"\r\n", "\xB6"},
        {"", ""},
        {std::string(250, 'a'), a200 + "  [...]"},
        {std::string(199, 'a') + "\r\nb", std::string(199, 'a') + "\r  [...]"},
        {"a\r\n\tb", "a \xB6 \xBB b"},
        {a200, a200},
        {a200 + "b", a200 + "  [...]"},
        {" \xB6" "a", "\xB6 a"},
        {std::string(300, ' '), std::string(200, '\xB7') + "  [...]"},
        {"a\rb", "a\rb"},
    };
    for (const auto& c : cases) EXPECT_EQ(MakeDisplayText(c.text, 200), c.display) << c.text;
}

TEST(WebAddress, PrefixRules) {
    const struct {
        const char* text;
        bool address;
    } cases[] = {
        {"www.a", true},         {"www.", false},          {"http://", false},
        {"HTTP://example.com", false}, {" http://example.com", false}, {"http://example.com\n", true},
        {"http://example.com\r\n", true}, {"http://example.com/a b", false}, {"http://a.com\nsecond", false},
        {"mailto:x@y.z", false}, {"file:///c:/x", false}, {"www2.x", true},
        {"www3.x", true},        {"https://x", true},      {"ftp://x", true},
        {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsWebAddress(c.text), c.address) << c.text;
}
