#include "cp1252.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cwchar>
#include <cwctype>
#include <map>
#include <string>

namespace nubra {
namespace {

TEST(Cp1252, EveryByteSurvivesTheRoundTripThroughUtf8)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);
}

TEST(Cp1252, ConvertsTheLettersOfPlaceNames)
{
    // Île-du-Prince-Édouard, Œuilly, the euro sign and a curly apostrophe
    EXPECT_EQ(Cp1252ToUtf8("\xCEle-du-Prince-\xC9" "douard"), "\xC3\x8Ele-du-Prince-\xC3\x89" "douard");
    EXPECT_EQ(Cp1252ToUtf8("\x8C" "uilly"), "\xC5\x92uilly");
    EXPECT_EQ(Cp1252ToUtf8("\x80"), "\xE2\x82\xAC");
    EXPECT_EQ(Utf8ToCp1252("\xE2\x80\x99"), "\x92");
    EXPECT_EQ(Utf8ToCp1252("Qu\xC3\xA9" "bec"), "Qu\xE9" "bec");
}

TEST(Cp1252, UndefinedBytesMapToTheC1ControlsOfTheSameValue)
{
    EXPECT_EQ(Cp1252ToUtf8("\x81\x8D\x8F\x90\x9D"), "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D");
}

TEST(Cp1252, CharactersOutsideTheSetAndMalformedUtf8BecomeQuestionMarks)
{
    EXPECT_EQ(Utf8ToCp1252("\xE4\xB8\xAD"), "?");           // a CJK character
    EXPECT_EQ(Utf8ToCp1252("\xF0\x9F\x98\x80"), "?");       // an emoji
    EXPECT_EQ(Utf8ToCp1252("a\xFF" "b"), "a?b");            // not a lead byte
    EXPECT_EQ(Utf8ToCp1252("a\xC3"), "a?");                 // cut short at the end
    EXPECT_EQ(Utf8ToCp1252("\xC3(x"), "?(x");               // bad continuation
    EXPECT_EQ(Utf8ToCp1252("\xC1\xA9"), "?");              // overlong form of a byte
    EXPECT_EQ(Utf8ToCp1252("\xE0\x81\x81"), "?");          // overlong 'A'
    EXPECT_EQ(Utf8ToCp1252("\xED\xA0\x80"), "?");          // a lone surrogate
}

// The code point of one Windows-1252 byte, through the UTF-8 conversion.
wint_t codePoint(char byte)
{
    const std::string utf8 = Cp1252ToUtf8(std::string(1, byte));
    std::mbstate_t state{};
    wchar_t wide = 0;
    const std::size_t used = std::mbrtowc(&wide, utf8.data(), utf8.size(), &state);
    return used == utf8.size() ? static_cast<wint_t>(wide) : WEOF;
}

// AnsiLowerChar against the C library's Unicode case table: a byte moves to
// the byte of its small letter when Windows-1252 has that letter, and stays
// itself otherwise (sharp s, the micro sign, f hook have no single capital).
TEST(Cp1252, LowerCaseFollowsUnicodeWhereTheSetHoldsBothLetters)
{
    const std::string previous = std::setlocale(LC_CTYPE, nullptr);
    ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr);
    std::map<wint_t, char> byteOf;
    for (int b = 0; b < 256; ++b)
        byteOf[codePoint(static_cast<char>(b))] = static_cast<char>(b);
    ASSERT_EQ(byteOf.size(), 256u);
    for (int b = 0; b < 256; ++b) {
        const char c = static_cast<char>(b);
        const auto small = byteOf.find(std::towlower(codePoint(c)));
        EXPECT_EQ(AnsiLowerChar(c), small == byteOf.end() ? c : small->second) << b;
    }
    std::setlocale(LC_CTYPE, previous.c_str());
}

} // namespace
} // namespace nubra
