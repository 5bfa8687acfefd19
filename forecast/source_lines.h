// Small pieces shared by the four forecast sources: the forecast text's
// line ends and the walk step that skips forward to a tag.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "uuhtml.h"

namespace nubra::sources {

// The lines, each followed by carriage return and line feed, the last one
// too. No lines give an empty text.
inline std::string JoinLines(const std::vector<std::string>& lines)
{
    std::size_t size = 0;
    for (const std::string& line : lines)
        size += line.size() + 2;
    std::string text;
    text.reserve(size);
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

// A 1-based walk position is past the end of a text of `length` bytes.
inline bool PastEnd(std::size_t position, std::size_t length)
{
    return position > length;
}

// Reads tokens until one whose tag name is `target`, starting with the
// current `token`; false when the page ends first.
inline bool SkipTo(std::string_view page, std::size_t& position, std::string& token,
                   std::string_view target)
{
    while (TagName(token) != target) {
        if (PastEnd(position, page.size()))
            return false;
        token = ReadToken(page, position);
    }
    return true;
}

} // namespace nubra::sources
