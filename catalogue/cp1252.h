// Conversions between the program's Windows-1252 text and UTF-8, done only
// at the edges (the window, the terminal, the command line).
#pragma once

#include <string>
#include <string_view>

namespace nubra {

// Every byte maps to one character; the five bytes Windows-1252 leaves
// undefined (81, 8D, 8F, 90, 9D) map to the C1 controls of the same value.
std::string Cp1252ToUtf8(std::string_view text);

// Characters outside Windows-1252, and malformed UTF-8, become '?'.
std::string Utf8ToCp1252(std::string_view text);

} // namespace nubra
