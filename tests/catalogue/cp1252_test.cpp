#include "cp1252.h"

#include <gtest/gtest.h>

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

} // namespace
} // namespace nubra
