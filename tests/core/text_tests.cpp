#include <gtest/gtest.h>

#include "history/display_text.h"
#include "history/history_list.h"
#include "ui/preview_text.h"
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

TEST(PreviewText, EveryLineBreakBecomesOneCrLf) {
    EXPECT_EQ(PreviewText("one\ntwo\r\r\nthree\r\nfour\r"), "one\r\ntwo\r\nthree\r\nfour\r");
    EXPECT_EQ(PreviewText(""), "");
}

TEST(PreviewText, LongTextsAreCutAtTheLayoutBudget) {
    // Ordinary lines: a couple of hundred kilobytes fit, megabytes do not.
    std::string lines;
    while (lines.size() < (4u << 20)) lines += std::string(78, 'x') + "\r\n";
    size_t shown = PreviewLength(lines);
    EXPECT_GT(shown, 200u << 10);
    EXPECT_LT(shown, 300u << 10);
    std::string preview = PreviewText(lines);
    EXPECT_EQ(preview.compare(0, shown - 1, lines, 0, shown - 1), 0);
    EXPECT_EQ(preview.substr(preview.size() - 7), "\r\n[...]");

    // Prose: 64 KB in paragraphs of a thousand bytes is shown whole.
    std::string paragraph;
    while (paragraph.size() < 1000) paragraph += "some words of prose ";
    std::string prose;
    while (prose.size() < (64u << 10)) prose += paragraph.substr(0, 1000) + "\r\n";
    prose.resize(64u << 10);
    EXPECT_EQ(PreviewLength(prose), prose.size());

    // One unbroken line costs with its square: only a few kilobytes fit.
    std::string line(1 << 20, 'y');
    shown = PreviewLength(line);
    EXPECT_GT(shown, 4000u);
    EXPECT_LT(shown, 8000u);
    EXPECT_EQ(PreviewText(line), line.substr(0, shown) + "\r\n[...]");

    // Wherever the cut falls around a CR LF, no lone CR is left before the marker.
    for (size_t k = shown - 3; k <= shown + 1; ++k) {
        std::string pairs = std::string(k, 'y') + "\r\n" + std::string(20000, 'z');
        preview = PreviewText(pairs);
        EXPECT_EQ(preview.find("\r\r"), std::string::npos) << k;
        EXPECT_EQ(preview.substr(preview.size() - 7), "\r\n[...]") << k;
        for (size_t i = preview.find('\r'); i != std::string::npos; i = preview.find('\r', i + 1))
            EXPECT_EQ(preview[i + 1], '\n') << k;
    }
    EXPECT_EQ(PreviewLength(std::string(shown, 'y')), shown);
}
