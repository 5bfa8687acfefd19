#include "ascii.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>

namespace nubra {
namespace {

// Every byte against the C library in the "C" locale, whose classes are
// ASCII alone: a byte of the upper half is never a letter, a digit or a hex
// digit, and keeps its case (settings names and protocol words fold ASCII
// only).
TEST(Ascii, ClassesAndCaseOfEveryByteAreThoseOfTheCLocale)
{
    for (int b = 0; b < 256; ++b) {
        const char c = static_cast<char>(b);
        EXPECT_EQ(ascii::isAlpha(c), std::isalpha(b) != 0) << b;
        EXPECT_EQ(ascii::isDigit(c), std::isdigit(b) != 0) << b;
        EXPECT_EQ(ascii::isAlnum(c), std::isalnum(b) != 0) << b;
        EXPECT_EQ(static_cast<unsigned char>(ascii::lowerAscii(c)), std::tolower(b)) << b;
        const char digit[] = {c, '\0'};
        EXPECT_EQ(ascii::hexValue(c), std::isxdigit(b) ? static_cast<int>(std::strtol(digit, nullptr, 16)) : -1) << b;
    }
    EXPECT_TRUE(ascii::equalsIgnoreCase("Set-Cookie", "set-COOKIE"));
    EXPECT_FALSE(ascii::equalsIgnoreCase("\xC9T\xC9", "\xE9t\xE9"));
    EXPECT_FALSE(ascii::equalsIgnoreCase("host", "hosts"));
}

TEST(Ascii, TrimRemovesSpacesAndTabsOnly)
{
    EXPECT_EQ(ascii::trim(" \t a b \t "), "a b");
    EXPECT_EQ(ascii::trim("\r\n x\v\f"), "\r\n x\v\f");
    EXPECT_EQ(ascii::trim("\xA0x\xA0"), "\xA0x\xA0");  // no-break space is not a blank
    EXPECT_EQ(ascii::trim(" \t "), "");
}

} // namespace
} // namespace nubra
