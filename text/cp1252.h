// The program's text is Windows-1252 bytes. This header holds what every
// layer needs to know about that character set: its letter and case
// classes, and the conversions to and from UTF-8, which are done only at
// the edges (the window, the terminal, the command line, file names in
// messages).
#pragma once

#include <string>
#include <string_view>

namespace nubra {

// Every byte maps to one character; the five bytes Windows-1252 leaves
// undefined (81, 8D, 8F, 90, 9D) map to the C1 controls of the same value.
std::string Cp1252ToUtf8(std::string_view text);

// Characters outside Windows-1252, and malformed UTF-8, become '?'.
std::string Utf8ToCp1252(std::string_view text);

namespace cp1252 {

// Windows-1252 character classes, one entry per byte.
//   Letters: A-Z, a-z, and the letters of the upper half: 83 (f hook),
//   8A/9A (S/s caron), 8C/9C (OE/oe), 8E/9E (Z/z caron), 9F (Y diaeresis),
//   AA and BA (ordinal indicators), B5 (micro sign), C0-FF except the
//   multiplication sign D7 and the division sign F7. We count the caron
//   letters, the ligatures and Y diaeresis as letters since they spell French
//   and European words exactly like the accented letters do.
//   Digits: 0-9 only; the superscripts B2 B3 B9 and the fractions BC-BE are
//   symbols.
//   Lower case: A-Z, C0-DE except D7, and the capital pairs 8A->9A,
//   8C->9C, 8E->9E, 9F->FF. Every other byte maps to itself (the lower-case
//   letters, including DF sharp s, have no single-byte capital to move to).
// The table is built at compile time and read inline, since the page walks
// classify every byte of a page.
struct CharClasses {
    bool alnum[256]{};
    unsigned char lower[256]{};
};

constexpr CharClasses makeCharClasses()
{
    CharClasses c{};
    for (int b = 0; b < 256; ++b) {
        c.lower[b] = static_cast<unsigned char>(b);
        const bool ascii = (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
        const bool upperHalf = b >= 0xC0 && b != 0xD7 && b != 0xF7;
        const bool extra = b == 0x83 || b == 0x8A || b == 0x8C || b == 0x8E || b == 0x9A || b == 0x9C
                           || b == 0x9E || b == 0x9F || b == 0xAA || b == 0xB5 || b == 0xBA;
        c.alnum[b] = ascii || upperHalf || extra;
    }
    for (int b = 'A'; b <= 'Z'; ++b)
        c.lower[b] = static_cast<unsigned char>(b + 0x20);
    for (int b = 0xC0; b <= 0xDE; ++b)
        if (b != 0xD7)
            c.lower[b] = static_cast<unsigned char>(b + 0x20);
    c.lower[0x8A] = 0x9A;
    c.lower[0x8C] = 0x9C;
    c.lower[0x8E] = 0x9E;
    c.lower[0x9F] = 0xFF;
    return c;
}

inline constexpr CharClasses kClasses = makeCharClasses();

static_assert(kClasses.lower['Q'] == 'q' && kClasses.lower[0xC9] == 0xE9 && kClasses.lower[0xD7] == 0xD7);
static_assert(kClasses.alnum[0xE9] && !kClasses.alnum[0xF7] && !kClasses.alnum[' '] && kClasses.alnum['7']);

} // namespace cp1252

// The lower-case mapping of one byte: A-Z, the accented capitals C0-DE but
// D7, and the capitals 8A 8C 8E 9F, as the ANSI code page maps them.
inline char AnsiLowerChar(char c)
{
    return static_cast<char>(cp1252::kClasses.lower[static_cast<unsigned char>(c)]);
}

// Whether one byte is a Windows-1252 letter or digit.
inline bool IsAnsiAlphaNumeric(char c)
{
    return cp1252::kClasses.alnum[static_cast<unsigned char>(c)];
}

} // namespace nubra
