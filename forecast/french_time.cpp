#include "french_time.h"

#include <array>

namespace nubra {

namespace {

constexpr std::array<std::string_view, 7> kWeekdays = {"jeudi", "vendredi", "samedi", "dimanche",
                                                       "lundi", "mardi", "mercredi"};  // from 1970-01-01
constexpr std::array<std::string_view, 12> kMonths = {
    "janvier", "f\xE9vrier", "mars", "avril", "mai", "juin",
    "juillet", "ao\xFBt", "septembre", "octobre", "novembre", "d\xE9" "cembre"};

constexpr std::int64_t kDay = 86400;

// The civil date of a day counted from 1970-01-01 (Howard Hinnant's
// civil_from_days).
void civilFromDays(std::int64_t z, unsigned& month, unsigned& day)
{
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = doy - (153 * mp + 2) / 5 + 1;
    month = mp < 10 ? mp + 3 : mp - 9;
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }

} // namespace

std::string_view FrenchWeekday(std::int64_t daysSince1970)
{
    return kWeekdays[static_cast<std::size_t>(((daysSince1970 % 7) + 7) % 7)];
}

std::string_view FrenchMonth(unsigned month)
{
    return month >= 1 && month <= 12 ? kMonths[month - 1] : std::string_view{};
}

std::string FrenchClock(int minutes)
{
    minutes = ((minutes % 1440) + 1440) % 1440;
    const int hour = minutes / 60, minute = minutes % 60;
    const char text[] = {static_cast<char>('0' + hour / 10), static_cast<char>('0' + hour % 10), 'h',
                         static_cast<char>('0' + minute / 10), static_cast<char>('0' + minute % 10)};
    return std::string(text, sizeof text);
}

std::string FrenchDateTime(std::int64_t utc, std::int32_t offset)
{
    const std::int64_t local = utc + offset;
    const std::int64_t day = floorDiv(local, kDay);
    unsigned month = 1, dayOfMonth = 1;
    civilFromDays(day, month, dayOfMonth);
    return std::string(FrenchWeekday(day)) + " " + std::to_string(dayOfMonth) + " " + std::string(FrenchMonth(month)) +
           " " + FrenchClock(static_cast<int>((local - day * kDay) / 60));
}

} // namespace nubra
