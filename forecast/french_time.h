// Dates and times as the forecast texts write them, in French and
// Windows-1252: "mardi 8 décembre", "08h05".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace nubra {

// The weekday of a day counted from 1970-01-01 (a Thursday): "jeudi".
std::string_view FrenchWeekday(std::int64_t daysSince1970);

// The month 1..12: "janvier" .. "décembre".
std::string_view FrenchMonth(unsigned month);

// A time of day in minutes since midnight (taken modulo a day): "08h05".
std::string FrenchClock(int minutes);

// The moment `utc` (seconds since 1970, UTC) on a clock `offset` seconds
// east of UTC: "mardi 8 décembre 16h00".
std::string FrenchDateTime(std::int64_t utc, std::int32_t offset);

} // namespace nubra
