// HTML text utilities over Windows-1252 text. See uuhtml.h for the model.
//
// Cost: every operation is linear in the text it looks at. DecodeEntities
// makes one in-place pass per table row (118 passes, each a memchr-driven
// search), never shifting the rest of the text per occurrence; ReadToken
// copies only the token it returns, so a walk over a page of many megabytes
// stays linear in the page.
#include "uuhtml.h"

#include <algorithm>
#include <cstring>

namespace nubra {

// Rows 1-3 turn line breaks and tabs into spaces before any entity is looked
// at; rows 4-49 are the named entities the weather pages use; rows 50-118
// are UTF-8 byte pairs met when a UTF-8 page is read byte by byte, each
// replaced by its Windows-1252 byte (or "?" for the C5 pairs, whose
// characters Š š Ÿ the pages do not need). The order matters: a later row
// sees what the earlier ones wrote, e.g. C2 followed by "&deg;" becomes C2 B0
// by row 45 and then a lone B0 by row 117.
constexpr std::array<TEntityRow, 118> EntityTable = {{
    {"\r", ' '},
    {"\n", ' '},
    {"\t", ' '},
    {"&aacute;", '\xE1'},
    {"&Aacute;", '\xC1'},
    {"&eacute;", '\xE9'},
    {"&Eacute;", '\xC9'},
    {"&iacute;", '\xED'},
    {"&Iacute;", '\xCD'},
    {"&oacute;", '\xF3'},
    {"&Oacute;", '\xD3'},
    {"&uacute;", '\xFA'},
    {"&Uacute;", '\xDA'},
    {"&agrave;", '\xE0'},
    {"&Agrave;", '\xC0'},
    {"&egrave;", '\xE8'},
    {"&Egrave;", '\xC8'},
    {"&igrave;", '\xEC'},
    {"&Igrave;", '\xCC'},
    {"&ograve;", '\xF2'},
    {"&Ograve;", '\xD2'},
    {"&ugrave;", '\xF9'},
    {"&Ugrave;", '\xD9'},
    {"&acirc;", '\xE2'},
    {"&Acirc;", '\xC2'},
    {"&ecirc;", '\xEA'},
    {"&Ecirc;", '\xCA'},
    {"&icirc;", '\xEE'},
    {"&Icirc;", '\xCE'},
    {"&ocirc;", '\xF4'},
    {"&Ocirc;", '\xD4'},
    {"&ucirc;", '\xFB'},
    {"&Ucirc;", '\xDB'},
    {"&auml;", '\xE4'},
    {"&Auml;", '\xC4'},
    {"&euml;", '\xEB'},
    {"&Euml;", '\xCB'},
    {"&iuml;", '\xEF'},
    {"&Iuml;", '\xCF'},
    {"&ouml;", '\xF6'},
    {"&Ouml;", '\xD6'},
    {"&uuml;", '\xFC'},
    {"&Uuml;", '\xDC'},
    {"&nbsp;", ' '},
    {"&deg;", '\xB0'},
    {"&lt;", '<'},
    {"&gt;", '>'},
    {"&euro;", '\x80'},
    {"&copy;", '\xA9'},
    {"\xC5\xA0", '?'},
    {"\xC5\xA1", '?'},
    {"\xC5'", '?'},
    {"\xC5\"", '?'},
    {"\xC5\xB8", '?'},
    {"\xC3\xBF", '\xFF'},
    {"\xC3\x80", '\xC0'},
    {"\xC3\xA0", '\xE0'},
    {"\xC3\x81", '\xC1'},
    {"\xC3\xA1", '\xE1'},
    {"\xC3\x82", '\xC2'},
    {"\xC3\xA2", '\xE2'},
    {"\xC3\x83", '\xC3'},
    {"\xC3\xA3", '\xE3'},
    {"\xC3\x84", '\xC4'},
    {"\xC3\xA4", '\xE4'},
    {"\xC3\x85", '\xC5'},
    {"\xC3\xA5", '\xE5'},
    {"\xC3\x86", '\xC6'},
    {"\xC3\xA6", '\xE6'},
    {"\xC3\x87", '\xC7'},
    {"\xC3\xA7", '\xE7'},
    {"\xC3\x88", '\xC8'},
    {"\xC3\xA8", '\xE8'},
    {"\xC3\x89", '\xC9'},
    {"\xC3\xA9", '\xE9'},
    {"\xC3\x8A", '\xCA'},
    {"\xC3\xAA", '\xEA'},
    {"\xC3\x8B", '\xCB'},
    {"\xC3\xAB", '\xEB'},
    {"\xC3\x8C", '\xCC'},
    {"\xC3\xAC", '\xEC'},
    {"\xC3\x8D", '\xCD'},
    {"\xC3\xAD", '\xED'},
    {"\xC3\x8E", '\xCE'},
    {"\xC3\xAE", '\xEE'},
    {"\xC3\x8F", '\xCF'},
    {"\xC3\xAF", '\xEF'},
    {"\xC3\x90", '\xD0'},
    {"\xC3\xB0", '\xF0'},
    {"\xC3\x91", '\xD1'},
    {"\xC3\xB1", '\xF1'},
    {"\xC3\x92", '\xD2'},
    {"\xC3\xB2", '\xF2'},
    {"\xC3\x93", '\xD3'},
    {"\xC3\xB3", '\xF3'},
    {"\xC3\x94", '\xD4'},
    {"\xC3\xB4", '\xF4'},
    {"\xC3\x95", '\xD5'},
    {"\xC3\xB5", '\xF5'},
    {"\xC3\x96", '\xD6'},
    {"\xC3\x98", '\xD8'},
    {"\xC3\xB8", '\xF8'},
    {"\xC3\x99", '\xD9'},
    {"\xC3\xB9", '\xF9'},
    {"\xC3\x9A", '\xDA'},
    {"\xC3\xBA", '\xFA'},
    {"\xC3\x9B", '\xDB'},
    {"\xC3\xBB", '\xFB'},
    {"\xC3\x9C", '\xDC'},
    {"\xC3\xBC", '\xFC'},
    {"\xC3\x9D", '\xDD'},
    {"\xC3\xBD", '\xFD'},
    {"\xC3\x9E", '\xDE'},
    {"\xC3\xBE", '\xFE'},
    {"\xC3\x9F", '\xDF'},
    {"\xC3\xB6", '\xF6'},
    {"\xC2\xB0", '\xB0'},
    {"\xC2\xA0", ' '},
}};

namespace {

constexpr bool entityTableIsSound()
{
    for (const TEntityRow& row : EntityTable)
        if (row.Entity.empty())
            return false;
    return true;
}

} // namespace

// Same result as the rule "find the first occurrence, write the replacement
// byte over its first character, drop the rest of the occurrence, search
// again from the byte just written", done in one in-place pass: the text
// never grows (the replacement is one byte, the entity at least one), so the
// write index never overtakes the read index.
//
// The only way a replacement can take part in a new occurrence is as that
// occurrence's first byte (the search resumes on it, never before it); so
// after each replacement we check whether the byte just written, followed by
// the unread text, spells the entity again, and consume it if so.
//
// An empty entity is never found. An empty replacement changes nothing, and
// neither does a one-byte entity replaced by itself (the literal rule would
// find that same byte again forever).
void ReplaceEntity(std::string& text, std::string_view entity, std::string_view replacement)
{
    if (entity.empty() || replacement.empty())
        return;
    const char written = replacement.front();
    if (entity.size() == 1 && entity.front() == written)
        return;
    const std::string_view tail = entity.substr(1);  // what must follow a written byte

    std::size_t found = text.find(entity);
    if (found == std::string::npos)
        return;
    std::size_t w = found;  // write index: text[0, w) is final
    std::size_t r = found;  // read index: text[r, size) is still unread
    while (found != std::string::npos) {
        // Copy the plain run before the occurrence.
        if (w != r)
            std::memmove(text.data() + w, text.data() + r, found - r);
        w += found - r;
        r = found + entity.size();
        // The byte just written may begin the entity again with what follows.
        if (written == entity.front()) {
            while (text.size() - r >= tail.size()
                   && std::string_view(text).substr(r, tail.size()) == tail)
                r += tail.size();
        }
        text[w++] = written;
        found = text.find(entity, r);
    }
    std::memmove(text.data() + w, text.data() + r, text.size() - r);
    text.resize(w + (text.size() - r));
}

std::string DecodeEntities(std::string_view text)
{
    static_assert(EntityTable.size() == 118);
    std::string decoded(text);
    for (const TEntityRow& row : EntityTable)
        ReplaceEntity(decoded, row.Entity, std::string_view(&row.Replacement, 1));
    return decoded;
}

// Position 0 does not name a character; we read it as 1, the start of the
// text, so that a caller's off-by-one cannot make a walk run backwards.
std::string ReadToken(std::string_view text, std::size_t& position)
{
    if (position == 0)
        position = 1;
    if (position > text.size())
        return {};
    const std::size_t start = position - 1;  // 0-based
    std::size_t end;                         // 0-based, one past the token
    if (text[start] == '<') {
        const std::size_t close = text.find('>', start);
        end = close == std::string_view::npos ? text.size() : close + 1;
    } else {
        const std::size_t open = text.find('<', start);
        end = open == std::string_view::npos ? text.size() : open;
    }
    position = end + 1;
    return std::string(text.substr(start, end - start));
}

std::string TagName(std::string_view token)
{
    const std::size_t open = token.find('<');
    if (open == std::string_view::npos)
        return {};
    const std::string_view rest = token.substr(open + 1);
    std::size_t end = rest.find(' ');
    if (end == std::string_view::npos) {
        end = rest.find('>');
        if (end == std::string_view::npos)
            return {};
    }
    std::string name(rest.substr(0, end));
    for (char& c : name)
        c = AnsiLowerChar(c);
    return name;
}

std::string AttributeValue(std::string_view token, std::string_view name)
{
    std::string key;
    key.reserve(name.size() + 2);
    key += ' ';
    key += name;
    key += '=';
    const std::size_t at = token.find(key);
    if (at == std::string_view::npos)
        return {};
    std::size_t j = at + key.size();  // 0-based, just after "="
    char stop = ' ';
    if (j < token.size() && (token[j] == '"' || token[j] == '\'')) {
        stop = token[j];
        ++j;
    }
    if (j >= token.size())
        return {};
    const std::size_t end = token.find(stop, j);
    return std::string(token.substr(j, end == std::string_view::npos ? std::string_view::npos : end - j));
}

bool HasAlphaNumeric(std::string_view text)
{
    return std::any_of(text.begin(), text.end(), IsAnsiAlphaNumeric);
}

static_assert(entityTableIsSound());

} // namespace nubra
