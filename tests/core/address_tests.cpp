#include <gtest/gtest.h>

#include "ui/web_address.h"

// What the shell is handed: the bare "www" forms get a scheme, so they can never be
// taken for a local file or program; everything else goes exactly as stored.
TEST(WebAddress, WhatTheShellIsGiven) {
    const struct {
        const char* text;
        bool address;
        const char* open;
    } cases[] = {
        {"www.example.com", true, "http://www.example.com"},
        {"www2.x", true, "http://www2.x"},
        {"www3.x/a?b", true, "http://www3.x/a?b"},
        {"www.example.com\r\n", true, "http://www.example.com\r\n"},
        {"http://example.com\r\n", true, "http://example.com\r\n"},
        {"https://x", true, "https://x"},
        {"ftp://x", true, "ftp://x"},
        {"WWW.example.com", false, "WWW.example.com"},
        {"wwwx.com", false, "wwwx.com"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsWebAddress(c.text), c.address) << c.text;
        EXPECT_EQ(AddressToOpen(c.text), c.open) << c.text;
    }
}
