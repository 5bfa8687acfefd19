// HTML text utilities: the forecast sources never build a document tree.
// They decode a page's character entities once, then walk it from a marker
// as a flat sequence of tokens, each one tag ("<" up to the first ">") or
// one run of text without "<". Positions are 1-based; a position one past
// the last character means "at the end". Nothing here fails: what is not
// found gives an empty or shortened string. Texts are Windows-1252 bytes.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

// AnsiLowerChar and IsAnsiAlphaNumeric, the Windows-1252 classes that
// TagName and HasAlphaNumeric use.
#include "cp1252.h"

namespace nubra {

struct TEntityRow {
    std::string_view Entity;  // one or more bytes
    char Replacement;         // exactly one byte
};

// 118 rows, applied in order by DecodeEntities.
extern const std::array<TEntityRow, 118> EntityTable;

// Replaces every occurrence of `entity` in `text` by the first character of
// `replacement`, rescanning from the character just written.
void ReplaceEntity(std::string& text, std::string_view entity, std::string_view replacement);

// The text with the rows of EntityTable applied one after another.
std::string DecodeEntities(std::string_view text);

// The token that starts at the 1-based `position`; moves the position past it.
std::string ReadToken(std::string_view text, std::size_t& position);

// Lower-case tag name of a tag token, or empty (text tokens included).
std::string TagName(std::string_view token);

// Value of attribute `name` in a tag token (" name=" matched exactly), or empty.
std::string AttributeValue(std::string_view token, std::string_view name);

// True when the text holds a Windows-1252 letter or digit.
bool HasAlphaNumeric(std::string_view text);

} // namespace nubra
