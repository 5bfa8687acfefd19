// The HTML text utilities: the entity table, entity decoding (checked against
// the plain erase-and-shift rule on random pages), the token walk, tag names,
// attribute values and the letter/digit test.
#include "uuhtml.h"

#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace nubra {
namespace {

// The rule written out as plainly as possible, one occurrence at a time with
// an erase that shifts the rest of the text: slow, but obviously right.
void literalReplaceEntity(std::string& text, const std::string& entity, char replacement)
{
    std::size_t i = text.find(entity);
    while (i != std::string::npos) {
        text[i] = replacement;
        text.erase(i + 1, entity.size() - 1);
        i = text.find(entity, i);
    }
}

std::string literalDecodeEntities(std::string text)
{
    for (const TEntityRow& row : EntityTable)
        literalReplaceEntity(text, std::string(row.Entity), row.Replacement);
    return text;
}

TEST(EntityTable, RowsAreInPlaceAndWellFormed)
{
    std::set<std::string_view> seen;
    for (const TEntityRow& row : EntityTable) {
        EXPECT_FALSE(row.Entity.empty());
        EXPECT_TRUE(seen.insert(row.Entity).second) << "duplicate row " << row.Entity;
    }
    // A few rows pinned by number (1-based), as the order is behaviour.
    EXPECT_EQ(EntityTable[0].Entity, "\r");
    EXPECT_EQ(EntityTable[3].Entity, "&aacute;");
    EXPECT_EQ(EntityTable[3].Replacement, '\xE1');
    EXPECT_EQ(EntityTable[43].Entity, "&nbsp;");
    EXPECT_EQ(EntityTable[44].Entity, "&deg;");
    EXPECT_EQ(EntityTable[48].Entity, "&copy;");
    EXPECT_EQ(EntityTable[49].Entity, "\xC5\xA0");
    EXPECT_EQ(EntityTable[51].Entity, "\xC5'");
    EXPECT_EQ(EntityTable[54].Entity, "\xC3\xBF");
    EXPECT_EQ(EntityTable[54].Replacement, '\xFF');
    EXPECT_EQ(EntityTable[99].Entity, "\xC3\x96");
    EXPECT_EQ(EntityTable[100].Entity, "\xC3\x98");
    EXPECT_EQ(EntityTable[115].Entity, "\xC3\xB6");
    EXPECT_EQ(EntityTable[116].Entity, "\xC2\xB0");
    EXPECT_EQ(EntityTable[117].Entity, "\xC2\xA0");
    EXPECT_EQ(EntityTable[117].Replacement, ' ');
    // Every C3 pair maps C3 xx to the byte xx + 40.
    for (const TEntityRow& row : EntityTable) {
        if (row.Entity.size() == 2 && row.Entity[0] == '\xC3') {
            EXPECT_EQ(static_cast<unsigned char>(row.Replacement),
                      static_cast<unsigned char>(row.Entity[1]) + 0x40) << "row " << &row - EntityTable.data() + 1;
        }
    }
}

TEST(ReplaceEntity, ReplacesEveryOccurrenceAndRescansTheWrittenByte)
{
    std::string t = "xx&nbsp;&nbsp;yy";
    ReplaceEntity(t, "&nbsp;", " ");
    EXPECT_EQ(t, "xx  yy");

    // The written "a" forms "ab" again with what follows: "aabb" -> "aab" ->
    // "aa"; the first "a" stands before the search position and stays.
    t = "aabb";
    ReplaceEntity(t, "ab", "a");
    EXPECT_EQ(t, "aa");

    // Occurrences are not found across the byte before the written one.
    t = "&&amp;";
    ReplaceEntity(t, "&amp;", "&");
    EXPECT_EQ(t, "&&");

    // Only the first byte of the replacement is used.
    t = "1<>2<>3";
    ReplaceEntity(t, "<>", "XYZ");
    EXPECT_EQ(t, "1X2X3");
}

TEST(ReplaceEntity, DegenerateArgumentsChangeNothing)
{
    std::string t = "abc";
    ReplaceEntity(t, "", "x");
    EXPECT_EQ(t, "abc");
    ReplaceEntity(t, "b", "");
    EXPECT_EQ(t, "abc");
    ReplaceEntity(t, "b", "b");  // would never end if taken literally
    EXPECT_EQ(t, "abc");
    ReplaceEntity(t, "abcd", "x");
    EXPECT_EQ(t, "abc");
}

TEST(DecodeEntities, WorkedExamples)
{
    struct Case {
        std::string in, out;
    };
    const Case cases[] = {
        {"a\r\nb", "a  b"},
        {"7&deg;C", "7\xB0" "C"},
        {"&amp;eacute;", "&amp;eacute;"},
        {"&lt;b&gt;", "<b>"},
        {"\xC3\xA9", "\xE9"},
        {"\xC3\x80", "\xC0"},
        {"\xC5\xA0", "?"},
        {"\xC2\xA0", " "},
        {"\xC2&deg;", "\xB0"},                  // row 45 then row 117
        {"\xC3\x97 \xC3\xB7", "\xC3\x97 \xC3\xB7"},  // no row for these pairs
        {"&#233; &quot;", "&#233; &quot;"},
        {"&Eacute;t&eacute; \xC3\xA0 Gen\xC3\xA8ve", "\xC9t\xE9 \xE0 Gen\xE8ve"},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecodeEntities(c.in), c.out) << c.in;
}

TEST(DecodeEntities, TokenReadAfterDecoding)
{
    const std::string page = DecodeEntities("&lt;b&gt;x");
    std::size_t pos = 1;
    const std::string tag = ReadToken(page, pos);
    EXPECT_EQ(tag, "<b>");
    EXPECT_EQ(TagName(tag), "b");
}

// Random pages built from pieces that are likely to interact: entity
// fragments, the lead bytes of the byte-pair rows, line breaks, lone "&" and
// ";". The linear decoder must agree with the literal rule on every one.
TEST(DecodeEntities, AgreesWithTheLiteralRuleOnRandomPages)
{
    std::vector<std::string> pieces = {
        "&", ";", "deg;", "&deg", "nbsp;", "&lt;", "&gt;", "lt;", "\r", "\n", "\t", " ",
        "\xC2", "\xC3", "\xC5", "\xA0", "\xA9", "\xB0", "\xBF", "'", "\"", "<", ">", "a", "E",
        "eacute;", "&e", "acute;", "&amp;", "\xC3\xA9", "\xC2\xB0", "&euro;", "uml;", "&o",
    };
    for (const TEntityRow& row : EntityTable)
        pieces.emplace_back(row.Entity);
    std::mt19937 rng(20261208);
    std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
    std::uniform_int_distribution<int> length(0, 40);
    std::uniform_int_distribution<int> anyByte(0, 255);
    for (int n = 0; n < 20000; ++n) {
        std::string page;
        const int count = length(rng);
        for (int k = 0; k < count; ++k) {
            if (k % 7 == 3)
                page += static_cast<char>(anyByte(rng));
            else
                page += pieces[pick(rng)];
        }
        ASSERT_EQ(DecodeEntities(page), literalDecodeEntities(page)) << "page #" << n;
    }
}

TEST(ReplaceEntity, AgreesWithTheLiteralRuleOnSelfFeedingEntities)
{
    // Entities whose first byte equals the replacement are the ones where the
    // rescan on the written byte matters.
    const std::pair<std::string, char> rules[] = {{"ab", 'a'}, {"aab", 'a'}, {"aba", 'a'}, {"aaa", 'a'}, {"ba", 'a'}};
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> bit(0, 1);
    std::uniform_int_distribution<int> length(0, 24);
    for (const auto& [entity, replacement] : rules) {
        for (int n = 0; n < 3000; ++n) {
            std::string text;
            for (int k = length(rng); k > 0; --k)
                text += bit(rng) ? 'a' : 'b';
            std::string expected = text;
            literalReplaceEntity(expected, entity, replacement);
            std::string actual = text;
            ReplaceEntity(actual, entity, std::string(1, replacement));
            ASSERT_EQ(actual, expected) << entity << " in " << text;
        }
    }
}

TEST(ReadToken, WalksTextAndTags)
{
    const std::string text = "ab<p class='X'>cd";
    ASSERT_EQ(text.size(), 17u);
    std::size_t pos = 1;
    EXPECT_EQ(ReadToken(text, pos), "ab");
    EXPECT_EQ(pos, 3u);
    EXPECT_EQ(ReadToken(text, pos), "<p class='X'>");
    EXPECT_EQ(pos, 16u);
    EXPECT_EQ(ReadToken(text, pos), "cd");
    EXPECT_EQ(pos, 18u);
    EXPECT_EQ(ReadToken(text, pos), "");
    EXPECT_EQ(pos, 18u);
    pos = 40;
    EXPECT_EQ(ReadToken(text, pos), "");
    EXPECT_EQ(pos, 40u);
}

TEST(ReadToken, UnclosedAndQuotedTags)
{
    std::size_t pos = 1;
    EXPECT_EQ(ReadToken("<p class", pos), "<p class");
    EXPECT_EQ(pos, 9u);

    pos = 1;
    EXPECT_EQ(ReadToken("<a title='x>y'>", pos), "<a title='x>");
    EXPECT_EQ(pos, 13u);

    pos = 1;
    EXPECT_EQ(ReadToken("", pos), "");
    EXPECT_EQ(pos, 1u);

    pos = 2;  // mid-text start
    EXPECT_EQ(ReadToken("x<>y", pos), "<>");
    EXPECT_EQ(pos, 4u);
}

TEST(ReadToken, WalkCoversThePageExactly)
{
    std::string page;
    for (int i = 0; i < 2000; ++i)
        page += (i % 3 == 0) ? "<td class=x>" : (i % 3 == 1) ? "texte " : "</td>";
    page += "<unclosed";
    std::size_t pos = 1;
    std::string joined;
    int tokens = 0;
    for (;;) {
        const std::string t = ReadToken(page, pos);
        if (t.empty())
            break;
        joined += t;
        ++tokens;
    }
    EXPECT_EQ(joined, page);
    EXPECT_EQ(tokens, 2001);
    EXPECT_EQ(pos, page.size() + 1);
}

TEST(TagName, NamesInLowerCase)
{
    const std::pair<std::string, std::string> cases[] = {
        {"<td>", "td"},
        {"<img src='a.gif'>", "img"},
        {"Lune", ""},
        {"<DIV class=x>", "div"},
        {"</TD>", "/td"},
        {"<br/>", "br/"},
        {"<!-- x -->", "!--"},
        {"<>", ""},
        {"< p>", ""},
        {"<p", ""},           // no space and no ">"
        {"<p class", "p"},    // unclosed, but a space ends the name
        {"x<B>", "b"},        // up to the first "<"
        {"<\xC9T\xC9>", "\xE9t\xE9"},
        {"<\x8A\x8C\x8E\x9F\xD7>", "\x9A\x9C\x9E\xFF\xD7"},
    };
    for (const auto& [token, name] : cases)
        EXPECT_EQ(TagName(token), name) << token;
}

TEST(AttributeValue, QuotedAndBareValues)
{
    struct Case {
        std::string token, name, value;
    };
    const Case cases[] = {
        {"<img src=a.gif alt='Ciel clair'>", "alt", "Ciel clair"},
        {"<img src=a.gif alt=\"Ciel clair\">", "alt", "Ciel clair"},
        {"<img src=a.gif alt='Ciel clair'>", "src", "a.gif"},
        {"<p id='a'>", "class", ""},
        {"<p class='sunrise'>", "class", "sunrise"},
        {"<td class=x>", "class", "x>"},
        {"<p class = 'x'>", "class", ""},
        {"<p CLASS='x'>", "class", ""},
        {"<p title='a class=b' class=c>", "class", "b'"},  // first occurrence wins
        {"<p class='open", "class", "open"},              // unclosed quote
        {"<p class=", "class", ""},
        {"<p class=\"", "class", ""},
        {"<p class=\"\">", "class", ""},
        {"<a href=\"x'y\">", "href", "x'y"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AttributeValue(c.token, c.name), c.value) << c.token << " / " << c.name;
}

TEST(HasAlphaNumeric, Windows1252Letters)
{
    EXPECT_FALSE(HasAlphaNumeric(" - "));
    EXPECT_TRUE(HasAlphaNumeric("\xE9"));
    EXPECT_TRUE(HasAlphaNumeric("3"));
    EXPECT_FALSE(HasAlphaNumeric(""));
    EXPECT_FALSE(HasAlphaNumeric("\xD7\xF7\xB0\xA0 ,;:!?"));
    EXPECT_TRUE(HasAlphaNumeric(" \x9C"));
    // Every accented letter C0-FF except the two signs.
    for (int b = 0xC0; b <= 0xFF; ++b)
        EXPECT_EQ(IsAnsiAlphaNumeric(static_cast<char>(b)), b != 0xD7 && b != 0xF7) << b;
    for (int b = 0; b < 0x80; ++b)
        EXPECT_EQ(IsAnsiAlphaNumeric(static_cast<char>(b)), std::isalnum(b) != 0) << b;
}

} // namespace
} // namespace nubra
