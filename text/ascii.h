// ASCII grammar helpers for protocol and settings text (addresses, answers,
// cookies, host names, the settings file): such text is classified,
// compared and trimmed byte-wise on ASCII alone, whatever the character set
// of the rest. A byte of the upper half is never a letter, a digit or a
// blank here, and has no other case; for the letters of page and place
// texts see the Windows-1252 classes in cp1252.h.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

namespace nubra::ascii {

inline bool isAlpha(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

inline bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

inline bool isAlnum(char c)
{
    return isAlpha(c) || isDigit(c);
}

// The value of a hexadecimal digit (0-9, a-f, A-F), or -1 for any other byte.
inline int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

inline char lowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 0x20) : c;
}

inline std::string lowerAscii(std::string_view s)
{
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), [](char c) { return lowerAscii(c); });
    return out;
}

inline bool equalsIgnoreCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return lowerAscii(x) == lowerAscii(y);
    });
}

// The text without the spaces and tabs around it; other control bytes (a
// carriage return, a form feed) are kept.
inline std::string_view trim(std::string_view s)
{
    const std::size_t first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const std::size_t last = s.find_last_not_of(" \t");
    return s.substr(first, last - first + 1);
}

} // namespace nubra::ascii
