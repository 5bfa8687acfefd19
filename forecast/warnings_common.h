// Helpers the readers of warnings (warnings_cap.cpp, warnings_geomet.cpp)
// share with warnings.cpp; not part of the layer's interface.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace nubra::warnings_detail {

// The level of a colour word, any case: green/vert 1, yellow/jaune 2,
// orange 3, red/rouge 4; 0 for any other word.
int LevelOfColour(std::string_view colour);

// `text` without its leading and trailing spaces, tabs and line breaks.
std::string_view Trimmed(std::string_view text);

// `degrees` in millionths, rounded, when it is a number within
// [-limit, limit]; nothing otherwise (NaN included).
std::optional<std::int32_t> Millionths(double degrees, double limit);

} // namespace nubra::warnings_detail
