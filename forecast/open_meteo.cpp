#include "open_meteo.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <vector>

#include <nlohmann/json.hpp>

#include "cp1252.h"
#include "french_time.h"
#include "source_lines.h"

namespace nubra {

namespace {

using nlohmann::json;

// What the text shows, and nothing else. The hourly rows serve the periods
// of today and tomorrow; the daily ones the days after, the sun and the UV.
constexpr std::string_view kCurrent = "temperature_2m,apparent_temperature,relative_humidity_2m,weather_code,"
                                      "wind_speed_10m,wind_direction_10m,wind_gusts_10m";
constexpr std::string_view kHourly = "temperature_2m,precipitation_probability,precipitation,weather_code,"
                                     "wind_speed_10m,wind_direction_10m,wind_gusts_10m";
constexpr std::string_view kDaily = "weather_code,temperature_2m_max,temperature_2m_min,precipitation_sum,"
                                    "precipitation_probability_max,wind_speed_10m_max,wind_gusts_10m_max,"
                                    "wind_direction_10m_dominant,sunrise,sunset,daylight_duration,uv_index_max";
constexpr int kForecastDays = 7;
// The service gives at most 16 days; more is no answer of its. An hourly
// block holds at most 25 rows a day (the day the clocks go back).
constexpr std::size_t kMaxDays = 16;
constexpr std::size_t kMaxHours = kMaxDays * 25;

// A real answer of 7 days with its hourly block is about 12 KB and five
// levels deep: anything far larger or deeper is no answer of the service,
// and is refused before it can cost memory or time.
constexpr std::size_t kMaxAnswerBytes = std::size_t{1} << 20;
constexpr int kMaxDepth = 16;

// Values past these are no weather on Earth: the answer is not to be trusted.
constexpr double kMinTemperature = -100, kMaxTemperature = 70;
constexpr double kMaxWindSpeed = 500;      // km/h
constexpr double kMaxPrecipitation = 2000; // mm in a day, or an hour
constexpr double kMaxUvIndex = 30;
constexpr double kDaySeconds = 86400;

// The UV index is worth a word from 3 on ("modéré" and above).
constexpr double kUvWorthSaying = 3;

[[noreturn]] void unreadable(const std::string& what)
{
    throw EOpenMeteoAnswer("R\xE9ponse du service Open-Meteo illisible (" + what + ").");
}

// "48.5833": degrees with a dot and four decimals, rounded; the
// catalogue's six-decimal form of the rounded value, less its two zeros.
std::string degrees(std::int32_t millionths)
{
    const auto rounded = static_cast<std::int32_t>(std::llround(millionths / 100.0) * 100);
    const std::string text = FormatDegrees(rounded);
    return text.substr(0, text.size() - 2);
}

// -- Units ------------------------------------------------------------------

// What a field measures, and so which units it may come in.
enum class TKind { Temperature, Speed, Precipitation, Percent, Direction, Code, Time, Index, Seconds };

// A value as the answer gives it, turned into ours: ours = value * Scale + Offset.
struct TUnit {
    double Scale = 1;
    double Offset = 0;
};

// The unit `text` (UTF-8, as the answer writes it) of a field of kind
// `kind`, or an unreadable answer naming it. The service writes "°C",
// "km/h" and "mm" by default; the others come from a request in other
// units, or an answer saved by someone who asked for them.
TUnit unitOf(TKind kind, const std::string& text, const std::string& field)
{
    struct Known {
        TKind kind;
        std::string_view text;
        TUnit unit;
    };
    static constexpr Known kKnown[] = {
        {TKind::Temperature, "\xC2\xB0" "C", {1, 0}},
        {TKind::Temperature, "\xC2\xB0" "F", {5.0 / 9, -32 * 5.0 / 9}},
        {TKind::Speed, "km/h", {1, 0}},
        {TKind::Speed, "m/s", {3.6, 0}},
        {TKind::Speed, "mp/h", {1.609344, 0}},
        {TKind::Speed, "kn", {1.852, 0}},
        {TKind::Precipitation, "mm", {1, 0}},
        {TKind::Precipitation, "inch", {25.4, 0}},
        {TKind::Percent, "%", {1, 0}},
        {TKind::Direction, "\xC2\xB0", {1, 0}},
        {TKind::Code, "wmo code", {1, 0}},
        {TKind::Time, "iso8601", {1, 0}},
        {TKind::Index, "", {1, 0}},
        {TKind::Seconds, "s", {1, 0}},
    };
    for (const Known& k : kKnown)
        if (k.kind == kind && k.text == text)
            return k.unit;
    unreadable("unit\xE9 \xAB " + Utf8ToCp1252(text) + " \xBB de " + field);
}

// -- Values -----------------------------------------------------------------

// One field of a block: its values (nullptr when the answer has none, which
// reads as every value null), in the unit the answer states.
struct TField {
    const char* Name;
    TKind Kind;
    double Low, High;  // the plausible range, in our units
    const json* Values = nullptr;
    TUnit Unit;
};

// The values a field of kind `kind` may take on Earth, in our units; past
// them the answer is not to be trusted. Times are no numbers.
struct TRange {
    double Low, High;
};
TRange rangeOf(TKind kind)
{
    switch (kind) {
    case TKind::Temperature:
        return {kMinTemperature, kMaxTemperature};
    case TKind::Speed:
        return {0, kMaxWindSpeed};
    case TKind::Precipitation:
        return {0, kMaxPrecipitation};
    case TKind::Percent:
        return {0, 100};
    case TKind::Direction:
        return {0, 360};
    case TKind::Code:
        return {0, 1000};
    case TKind::Index:
        return {0, kMaxUvIndex};
    case TKind::Seconds:
        return {0, kDaySeconds};
    case TKind::Time:
        break;
    }
    return {0, 0};
}

// A block of the answer ("current", "hourly", "daily") with the units
// block beside it; a field it lacks reads as all null.
class TBlock {
public:
    TBlock(const json& answer, const char* name, const char* unitsName)
    {
        const auto it = answer.find(name);
        if (it == answer.end())
            return;
        if (!it->is_object())
            unreadable(std::string(name) + " n'est pas un objet");
        block_ = &*it;
        name_ = name;
        const auto units = answer.find(unitsName);
        if (units != answer.end() && !units->is_object())
            unreadable(std::string(unitsName) + " n'est pas un objet");
        units_ = units == answer.end() ? nullptr : &*units;
    }

    bool Present() const { return block_ != nullptr; }
    const json& Object() const { return *block_; }

    // The field `name` of kind `kind`, its unit checked; nullptr values
    // when the block or the field is absent.
    TField Field(const char* name, TKind kind) const
    {
        const TRange range = rangeOf(kind);
        TField field{name, kind, range.Low, range.High, nullptr, TUnit{}};
        if (!block_)
            return field;
        if (units_) {
            const auto unit = units_->find(name);
            if (unit != units_->end()) {
                if (!unit->is_string())
                    unreadable("unit\xE9 de " + std::string(name) + " illisible");
                field.Unit = unitOf(kind, unit->get_ref<const std::string&>(), name);
            }
        }
        const auto it = block_->find(name);
        if (it != block_->end())
            field.Values = &*it;
        return field;
    }

private:
    const json* block_ = nullptr;
    const json* units_ = nullptr;
    const char* name_ = "";
};

// A number within the field's range once in our units, null (nullopt), or
// an unreadable answer.
std::optional<double> number(const TField& field, const json& value)
{
    if (value.is_null())
        return std::nullopt;
    if (!value.is_number())
        unreadable(std::string(field.Name) + " n'est pas un nombre");
    const double x = value.get<double>() * field.Unit.Scale + field.Unit.Offset;
    if (!(x >= field.Low && x <= field.High))
        unreadable(std::string(field.Name) + " hors limites");
    return x;
}

// The single value of a current field.
std::optional<double> value(const TField& field)
{
    return field.Values ? number(field, *field.Values) : std::nullopt;
}

// Value `i` of a field of a block of rows; the arrays were checked to be as
// long as the block's "time".
std::optional<double> value(const TField& field, std::size_t i)
{
    return field.Values ? number(field, (*field.Values)[i]) : std::nullopt;
}

std::optional<std::int64_t> code(const std::optional<double>& x)
{
    if (!x)
        return std::nullopt;
    if (*x != std::floor(*x))
        unreadable("weather_code n'est pas entier");
    return static_cast<std::int64_t>(*x);
}

// -- Dates and times --------------------------------------------------------

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

// A local date and time as the answer writes them: the day, and the
// minutes into it (0 for a date alone).
struct TStamp {
    std::int64_t Day = 0;
    unsigned Month = 1, DayOfMonth = 1;
    int Minutes = 0;
};

// "YYYY-MM-DD", or "YYYY-MM-DDTHH:MM" when `withTime`: digits where digits
// belong, a day its month has, an hour of the day.
TStamp stamp(const json& value, bool withTime, const char* what)
{
    if (!value.is_string())
        unreadable(std::string(what) + " n'est pas une date");
    const std::string& text = value.get_ref<const std::string&>();
    const std::size_t size = withTime ? 16 : 10;
    bool shaped = text.size() == size && text[4] == '-' && text[7] == '-';
    if (withTime)
        shaped = shaped && text[10] == 'T' && text[13] == ':';
    for (std::size_t i = 0; shaped && i < size; ++i)
        if (i != 4 && i != 7 && i != 10 && i != 13)
            shaped = text[i] >= '0' && text[i] <= '9';
    const auto digits = [&text](std::size_t at, std::size_t n) {
        unsigned v = 0;
        for (std::size_t i = at; i < at + n; ++i)
            v = v * 10 + static_cast<unsigned>(text[i] - '0');
        return v;
    };
    const unsigned y = shaped ? digits(0, 4) : 0, m = shaped ? digits(5, 2) : 0, d = shaped ? digits(8, 2) : 0;
    const unsigned hour = shaped && withTime ? digits(11, 2) : 0, minute = shaped && withTime ? digits(14, 2) : 0;
    static constexpr unsigned kMonthDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = y % 4 == 0 && (y % 100 != 0 || y % 400 == 0);
    if (!shaped || m < 1 || m > 12 || d < 1 || d > kMonthDays[m - 1] || (m == 2 && d == 29 && !leap) ||
        hour > 23 || minute > 59)
        unreadable(std::string(what) + " " + Utf8ToCp1252(text));
    return TStamp{daysFromCivil(y, m, d), m, d, static_cast<int>(hour * 60 + minute)};
}

// The rows of a block: the stamps of its "time" array, with a time of day
// when `withTime`; every field must be as long as it.
std::vector<TStamp> stampsOf(const TBlock& block, std::size_t most, bool withTime,
                             std::initializer_list<const TField*> fields)
{
    std::vector<TStamp> stamps;
    if (!block.Present())
        return stamps;
    block.Field("time", TKind::Time);  // its unit, if stated, must be a time's
    const auto time = block.Object().find("time");
    if (time == block.Object().end())
        unreadable("time absent");
    if (!time->is_array() || time->size() > most)
        unreadable("time n'est pas une liste d'heures ou de jours");
    for (const TField* field : fields)
        if (field->Values && (!field->Values->is_array() || field->Values->size() != time->size()))
            unreadable(std::string(field->Name) + " n'a pas une valeur par date");
    stamps.reserve(time->size());
    for (const json& value : *time)
        stamps.push_back(stamp(value, withTime, withTime ? "heure" : "date"));
    return stamps;
}

std::string weekday(std::int64_t day, bool capital)
{
    std::string name(FrenchWeekday(day));
    if (capital)
        name[0] = static_cast<char>(name[0] - 'a' + 'A');
    return name;
}

// "mardi 8 décembre".
std::string dayName(const TStamp& s)
{
    return weekday(s.Day, false) + " " + std::to_string(s.DayOfMonth) + " " + std::string(FrenchMonth(s.Month));
}

// "Mardi 8", as the lines of a day and its periods begin.
std::string dayLabel(const TStamp& s)
{
    return weekday(s.Day, true) + " " + std::to_string(s.DayOfMonth);
}

// "08h05", as the France service writes times.
std::string clock(int minutes) { return FrenchClock(minutes); }

// -- Words and figures --------------------------------------------------------

std::string whole(double x)
{
    const long long rounded = std::llround(x);
    return std::to_string(rounded == 0 ? 0 : rounded);  // no "-0"
}

std::string temperature(double x) { return whole(x) + "\xB0" "C"; }

std::string precipitation(double mm)
{
    const long long tenths = std::llround(mm * 10);
    return std::to_string(tenths / 10) + "," + std::to_string(tenths % 10) + " mm";
}

std::string_view direction(double degrees)
{
    static constexpr std::array<std::string_view, 8> kPoints = {"N", "NE", "E", "SE", "S", "SO", "O", "NO"};
    return kPoints[static_cast<std::size_t>(std::floor((degrees + 22.5) / 45)) % 8];
}

// "vent 25 km/h SO", "vent 25 km/h", "vent SO" or nothing, as the values allow.
std::string wind(std::optional<double> speed, std::optional<double> from)
{
    if (!speed && !from)
        return {};
    std::string text = "vent";
    if (speed)
        text += " " + whole(*speed) + " km/h";
    if (from)
        text += " " + std::string(direction(*from));
    return text;
}

// "3,4 mm (80 %)", "3,4 mm", "risque 80 %" or nothing.
std::string rain(std::optional<double> mm, std::optional<double> chance)
{
    if (mm)
        return precipitation(*mm) + (chance ? " (" + whole(*chance) + " %)" : "");
    return chance ? "risque " + whole(*chance) + " %" : std::string();
}

std::string gusts(std::optional<double> speed) { return speed ? "rafales " + whole(*speed) + " km/h" : ""; }

// "UV 5" from the index worth saying.
std::string uv(std::optional<double> index)
{
    return index && *index >= kUvWorthSaying ? "UV " + whole(*index) : "";
}

// "5 à 7°C", "7°C" when both round alike, "min 5°C" or "max 7°C" when
// only one is known, or nothing.
std::string span(std::optional<double> low, std::optional<double> high)
{
    if (low && high)
        return whole(*low) == whole(*high) ? temperature(*high) : whole(*low) + " \xE0 " + temperature(*high);
    if (low)
        return "min " + temperature(*low);
    return high ? "max " + temperature(*high) : "";
}

// A line's items, joined by ", ", the empty ones left out.
class TItems {
public:
    TItems& operator<<(const std::string& item)
    {
        if (!item.empty()) {
            if (!text_.empty())
                text_ += ", ";
            text_ += item;
        }
        return *this;
    }
    // "<label> : <items>", or the label alone.
    std::string Line(const std::string& label) const { return text_.empty() ? label : label + " : " + text_; }
    bool Empty() const { return text_.empty(); }

private:
    std::string text_;
};

// -- The blocks ---------------------------------------------------------------

struct TCurrent {
    TBlock Block;
    TField Temperature, Felt, Humidity, Code, Wind, Direction, Gusts;
    std::optional<TStamp> Time;

    explicit TCurrent(const json& answer)
        : Block(answer, "current", "current_units"),
          Temperature(Block.Field("temperature_2m", TKind::Temperature)),
          Felt(Block.Field("apparent_temperature", TKind::Temperature)),
          Humidity(Block.Field("relative_humidity_2m", TKind::Percent)),
          Code(Block.Field("weather_code", TKind::Code)),
          Wind(Block.Field("wind_speed_10m", TKind::Speed)),
          Direction(Block.Field("wind_direction_10m", TKind::Direction)),
          Gusts(Block.Field("wind_gusts_10m", TKind::Speed))
    {
        if (!Block.Present())
            return;
        Block.Field("time", TKind::Time);  // its unit, if stated, must be a time's
        const auto time = Block.Object().find("time");
        if (time != Block.Object().end() && !time->is_null())
            Time = stamp(*time, true, "heure des conditions actuelles");
    }

    // "Actuellement : 4°C (ressenti 1°C), couvert, vent 12 km/h SO, rafales 35 km/h, humidité 87 %"
    std::string Line() const
    {
        TItems items;
        const auto t = value(Temperature), felt = value(Felt);
        std::string temperatures = t ? temperature(*t) : "";
        if (felt)
            temperatures += (t ? " (ressenti " : "ressenti ") + temperature(*felt) + (t ? ")" : "");
        items << temperatures;
        if (const auto c = code(value(Code)))
            items << OpenMeteoWeather(*c);
        items << wind(value(Wind), value(Direction)) << gusts(value(Gusts));
        if (const auto h = value(Humidity))
            items << "humidit\xE9 " + whole(*h) + " %";
        return items.Empty() ? std::string() : items.Line("Actuellement");
    }
};

struct THourly {
    TBlock Block;
    TField Temperature, Chance, Rain, Code, Wind, Direction, Gusts;
    std::vector<TStamp> Times;

    explicit THourly(const json& answer)
        : Block(answer, "hourly", "hourly_units"),
          Temperature(Block.Field("temperature_2m", TKind::Temperature)),
          Chance(Block.Field("precipitation_probability", TKind::Percent)),
          Rain(Block.Field("precipitation", TKind::Precipitation)),
          Code(Block.Field("weather_code", TKind::Code)),
          Wind(Block.Field("wind_speed_10m", TKind::Speed)),
          Direction(Block.Field("wind_direction_10m", TKind::Direction)),
          Gusts(Block.Field("wind_gusts_10m", TKind::Speed)),
          Times(stampsOf(Block, kMaxHours, true, {&Temperature, &Chance, &Rain, &Code, &Wind, &Direction, &Gusts}))
    {
    }
};

struct TDaily {
    TBlock Block;
    TField Code, High, Low, Rain, Chance, Wind, Gusts, Direction, Sunrise, Sunset, Daylight, Uv;
    std::vector<TStamp> Days;

    explicit TDaily(const json& answer)
        : Block(answer, "daily", "daily_units"),
          Code(Block.Field("weather_code", TKind::Code)),
          High(Block.Field("temperature_2m_max", TKind::Temperature)),
          Low(Block.Field("temperature_2m_min", TKind::Temperature)),
          Rain(Block.Field("precipitation_sum", TKind::Precipitation)),
          Chance(Block.Field("precipitation_probability_max", TKind::Percent)),
          Wind(Block.Field("wind_speed_10m_max", TKind::Speed)),
          Gusts(Block.Field("wind_gusts_10m_max", TKind::Speed)),
          Direction(Block.Field("wind_direction_10m_dominant", TKind::Direction)),
          Sunrise(Block.Field("sunrise", TKind::Time)),
          Sunset(Block.Field("sunset", TKind::Time)),
          Daylight(Block.Field("daylight_duration", TKind::Seconds)),
          Uv(Block.Field("uv_index_max", TKind::Index)),
          Days(stampsOf(Block, kMaxDays, false,
                        {&Code, &High, &Low, &Rain, &Chance, &Wind, &Gusts, &Direction, &Sunrise, &Sunset, &Daylight, &Uv}))
    {
    }

    // The minutes into day `i` of its sunrise or sunset, or nullopt; a time
    // on another day (the sun rising after midnight, say) is no time of it.
    std::optional<int> SunTime(const TField& field, std::size_t i) const
    {
        if (!field.Values || (*field.Values)[i].is_null())
            return std::nullopt;
        const TStamp s = stamp((*field.Values)[i], true, field.Name);
        if (s.Day != Days[i].Day)
            return std::nullopt;
        return s.Minutes;
    }

    // "Soleil : lever 08h05, coucher 16h37", or what the sun does not do.
    std::string SunLine(std::size_t i) const
    {
        const auto daylight = value(Daylight, i);
        if (daylight && *daylight <= 0)
            return "Soleil : ne se l\xE8ve pas aujourd'hui";
        if (daylight && *daylight >= kDaySeconds)
            return "Soleil : ne se couche pas aujourd'hui";
        TItems items;
        if (const auto rise = SunTime(Sunrise, i))
            items << "lever " + clock(*rise);
        if (const auto set = SunTime(Sunset, i))
            items << "coucher " + clock(*set);
        return items.Empty() ? std::string() : items.Line("Soleil");
    }

    // "Jeudi 10 : averses faibles, 3 à 9°C, 4,2 mm (70 %), vent 25 km/h O, rafales 60 km/h, UV 4": the
    // month is in the heading, and a line that short fits the window.
    std::string DayLine(std::size_t i) const
    {
        TItems items;
        if (const auto c = code(value(Code, i)))
            items << OpenMeteoWeather(*c);
        items << span(value(Low, i), value(High, i)) << rain(value(Rain, i), value(Chance, i))
              << wind(value(Wind, i), value(Direction, i)) << gusts(value(Gusts, i)) << uv(value(Uv, i));
        return items.Line(dayLabel(Days[i]));
    }
};

// The four periods of a day: from their first hour up to, not including,
// their last.
struct TPeriod {
    const char* Name;
    int From, To;  // minutes into the day
};
constexpr TPeriod kPeriods[] = {
    {"nuit", 0, 6 * 60}, {"matin", 6 * 60, 12 * 60}, {"apr\xE8s-midi", 12 * 60, 18 * 60}, {"soir\xE9" "e", 18 * 60, 24 * 60}};

// The line of the hours of `day` stamped within [from, to), or nothing
// when none of those hours holds a value. `extra` is appended (the UV).
std::string periodLine(const THourly& hourly, const TStamp& day, const TPeriod& period, int from,
                       const std::string& extra)
{
    std::optional<std::int64_t> weather;
    std::optional<double> low, high, mm, chance, wind, from10, gust;
    for (std::size_t i = 0; i < hourly.Times.size(); ++i) {
        const TStamp& t = hourly.Times[i];
        if (t.Day != day.Day || t.Minutes < from || t.Minutes >= period.To)
            continue;
        if (const auto c = code(value(hourly.Code, i)); c && (!weather || *c > *weather))
            weather = c;
        if (const auto x = value(hourly.Temperature, i)) {
            low = low ? std::min(*low, *x) : *x;
            high = high ? std::max(*high, *x) : *x;
        }
        if (const auto x = value(hourly.Rain, i))
            mm = mm.value_or(0) + *x;
        if (const auto x = value(hourly.Chance, i); x && (!chance || *x > *chance))
            chance = x;
        const auto speed = value(hourly.Wind, i);
        if (speed && (!wind || *speed > *wind)) {
            wind = speed;
            from10 = value(hourly.Direction, i);
        } else if (!wind && !from10) {
            from10 = value(hourly.Direction, i);
        }
        if (const auto x = value(hourly.Gusts, i); x && (!gust || *x > *gust))
            gust = x;
    }
    if (!weather && !low && !mm && !chance && !wind && !gust)
        return {};
    TItems items;
    if (weather)
        items << OpenMeteoWeather(*weather);
    items << span(low, high) << rain(mm, chance) << ::nubra::wind(wind, from10) << gusts(gust) << extra;
    return items.Line(dayLabel(day) + " " + period.Name);
}

// The JSON of `text`, or a discarded value when it is not JSON or nests
// deeper than any answer of the service.
json parseBounded(std::string_view text)
{
    struct TooDeep {};
    try {
        return json::parse(
            text.begin(), text.end(),
            [](int depth, json::parse_event_t, json&) {
                if (depth > kMaxDepth)
                    throw TooDeep{};
                return true;
            },
            /*allow_exceptions=*/false);
    } catch (const TooDeep&) {
        return json(json::value_t::discarded);
    }
}

// The service's own refusal, {"error": true, "reason": "..."}, as the user
// reads it; nullopt for any other answer.
std::optional<std::string> refusal(const json& answer)
{
    if (!answer.is_object())
        return std::nullopt;
    const auto error = answer.find("error");
    const auto reason = answer.find("reason");
    if (error == answer.end() || !error->is_boolean() || !error->get<bool>() || reason == answer.end() ||
        !reason->is_string())
        return std::nullopt;
    return "Le service Open-Meteo refuse la demande : " + Utf8ToCp1252(reason->get_ref<const std::string&>());
}

} // namespace

std::string OpenMeteoForecastPath(const TPosition& position)
{
    std::string path = "/v1/forecast?latitude=" + degrees(position.Latitude) + "&longitude=" +
                       degrees(position.Longitude);
    path += "&current=";
    path += kCurrent;
    path += "&hourly=";
    path += kHourly;
    path += "&daily=";
    path += kDaily;
    path += "&timezone=auto&forecast_days=" + std::to_string(kForecastDays);
    return path;
}

std::string OpenMeteoWeather(std::int64_t code)
{
    struct Words {
        int code;
        const char* text;
    };
    static constexpr Words kWords[] = {
        {0, "ciel d\xE9gag\xE9"},
        {1, "plut\xF4t d\xE9gag\xE9"},
        {2, "partiellement nuageux"},
        {3, "couvert"},
        {45, "brouillard"},
        {48, "brouillard givrant"},
        {51, "bruine faible"},
        {53, "bruine mod\xE9r\xE9" "e"},
        {55, "bruine dense"},
        {56, "bruine vergla\xE7" "ante faible"},
        {57, "bruine vergla\xE7" "ante dense"},
        {61, "pluie faible"},
        {63, "pluie mod\xE9r\xE9" "e"},
        {65, "pluie forte"},
        {66, "pluie vergla\xE7" "ante faible"},
        {67, "pluie vergla\xE7" "ante forte"},
        {71, "neige faible"},
        {73, "neige mod\xE9r\xE9" "e"},
        {75, "neige forte"},
        {77, "neige en grains"},
        {80, "averses faibles"},  // showers are of rain unless said otherwise
        {81, "averses mod\xE9r\xE9" "es"},
        {82, "averses violentes"},
        {85, "averses de neige faibles"},
        {86, "averses de neige fortes"},
        {95, "orage"},
        {96, "orage avec gr\xEAle faible"},
        {99, "orage avec forte gr\xEAle"},
    };
    for (const Words& w : kWords)
        if (w.code == code)
            return w.text;
    return "temps non pr\xE9" "cis\xE9 (code " + std::to_string(code) + ")";
}

TOpenMeteoReading ReadOpenMeteoAnswer(std::string_view body, std::string_view name, std::string_view host)
{
    if (body.size() > kMaxAnswerBytes)
        unreadable("r\xE9ponse trop longue");
    const json answer = parseBounded(body);
    if (answer.is_discarded())
        unreadable("ce n'est pas du JSON");
    if (!answer.is_object())
        unreadable("ce n'est pas un objet JSON");
    if (const auto refused = refusal(answer))
        throw EOpenMeteoAnswer(*refused);

    const TCurrent current(answer);
    const THourly hourly(answer);
    const TDaily daily(answer);

    std::vector<std::string> lines;
    std::string heading = "Pr\xE9visions Open-Meteo pour " + std::string(name);
    if (current.Time)
        heading += ", actualis\xE9" "es le " + dayName(*current.Time) + " \xE0 " + clock(current.Time->Minutes);
    lines.push_back(std::move(heading));
    lines.push_back("Donn\xE9" "es Open-Meteo.com (CC BY 4.0) - " + std::string(host));
    if (std::string line = current.Line(); !line.empty())
        lines.push_back(std::move(line));

    // Today is the day of the current conditions, else the first day given.
    std::optional<TStamp> today = current.Time;
    if (!today && !daily.Days.empty())
        today = daily.Days.front();
    if (!today && !hourly.Times.empty())
        today = hourly.Times.front();
    const auto dailyRow = [&daily](std::int64_t day) -> std::optional<std::size_t> {
        for (std::size_t i = 0; i < daily.Days.size(); ++i)
            if (daily.Days[i].Day == day)
                return i;
        return std::nullopt;
    };
    if (today)
        if (const auto row = dailyRow(today->Day))
            if (std::string sun = daily.SunLine(*row); !sun.empty())
                lines.push_back(std::move(sun));

    // Today's periods still to come (the current one from the current hour
    // on) and tomorrow's, from the hourly rows; a day the hourly rows say
    // nothing of gets its day line instead.
    std::vector<std::int64_t> told;
    for (int offset = 0; today && offset < 2; ++offset) {
        const std::int64_t day = today->Day + offset;
        const auto first = std::find_if(hourly.Times.begin(), hourly.Times.end(),
                                        [day](const TStamp& t) { return t.Day == day; });
        if (first == hourly.Times.end())
            continue;
        const int now = offset == 0 && current.Time ? current.Time->Minutes / 60 * 60 : 0;
        const auto row = dailyRow(day);
        bool any = false;
        for (const TPeriod& period : kPeriods) {
            if (period.To <= now)
                continue;
            const std::string extra = period.From == 12 * 60 && row ? uv(value(daily.Uv, *row)) : "";
            if (std::string line = periodLine(hourly, *first, period, std::max(now, period.From), extra); !line.empty()) {
                lines.push_back(std::move(line));
                any = true;
            }
        }
        if (any)
            told.push_back(day);
    }
    for (std::size_t i = 0; i < daily.Days.size(); ++i) {
        const std::int64_t day = daily.Days[i].Day;
        if ((today && day < today->Day) || std::find(told.begin(), told.end(), day) != told.end())
            continue;
        lines.push_back(daily.DayLine(i));
    }
    // The heading and the credit alone tell the reader nothing.
    if (lines.size() == 2)
        unreadable("ni conditions actuelles ni jours");
    TOpenMeteoReading reading{sources::JoinLines(lines), std::nullopt};
    // The clock of the place; no zone on Earth is more than 14 hours off.
    if (const auto offset = answer.find("utc_offset_seconds");
        offset != answer.end() && offset->is_number_integer()) {
        const auto seconds = offset->get<std::int64_t>();
        if (seconds >= -14 * 3600 && seconds <= 14 * 3600)
            reading.UtcOffset = static_cast<std::int32_t>(seconds);
    }
    return reading;
}

std::string OpenMeteoText(std::string_view body, std::string_view name, std::string_view host)
{
    return ReadOpenMeteoAnswer(body, name, host).Text;
}

TOpenMeteoReading FetchOpenMeteo(std::string_view name, const TPosition& position, const TServiceHosts& hosts,
                                 TIdHTTP& http)
{
    std::string body;
    try {
        body = http.FetchLive(LiveServiceAddress(hosts.OpenMeteo, OpenMeteoForecastPath(position)));
    } catch (const EHttpError& error) {
        if (error.Status() != 400)
            throw;
        // {"error": true, "reason": "..."}: the service says what it refused.
        if (error.Body().size() <= kMaxAnswerBytes)
            if (const auto refused = refusal(parseBounded(error.Body())))
                throw EHttpError(*refused);
        throw;
    }
    return ReadOpenMeteoAnswer(body, name, LiveServiceHost(hosts.OpenMeteo));
}

} // namespace nubra
