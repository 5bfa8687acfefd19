// An Open-Meteo answer body turned into text: arbitrary bytes as the JSON.
// EOpenMeteoAnswer is the only refusal allowed; any other exception ends the
// run as a crash. A text given back must be what the window can show: the
// heading (with its time or without) and the credit line, then at most the
// current conditions, the sun, eight periods and sixteen days, each line
// one of those and ended by CR LF, none holding a lone CR or LF.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "open_meteo.h"

namespace {

constexpr std::string_view kHeading = "Pr\xE9visions Open-Meteo pour Achenheim";
constexpr std::string_view kCredit = "Donn\xE9" "es Open-Meteo.com (CC BY 4.0) - api.open-meteo.com";
constexpr std::size_t kMostLines = 2 + 1 + 1 + 8 + 16;

// A line after the credit: the current conditions, the sun, or a day or
// period, which begins with its weekday.
bool knownLine(std::string_view line)
{
    static constexpr std::array<std::string_view, 9> kStarts = {
        "Actuellement : ", "Soleil : ", "Lundi ", "Mardi ", "Mercredi ", "Jeudi ", "Vendredi ", "Samedi ",
        "Dimanche "};
    for (std::string_view start : kStarts)
        if (line.starts_with(start))
            return true;
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace nubra;
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    std::string text;
    try {
        text = OpenMeteoText(body, "Achenheim", "api.open-meteo.com");
    } catch (const EOpenMeteoAnswer&) {
        return 0;
    }
    std::size_t lines = 0, start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))
            __builtin_trap();
        if (text[i] != '\n')
            continue;
        if (i == 0 || text[i - 1] != '\r')
            __builtin_trap();
        const std::string_view line(text.data() + start, i - 1 - start);
        if (lines == 0 && line != kHeading && !line.starts_with(std::string(kHeading) + ", actualis\xE9" "es le "))
            __builtin_trap();
        if (lines == 1 && line != kCredit)
            __builtin_trap();
        if (lines >= 2 && !knownLine(line))
            __builtin_trap();
        ++lines;
        start = i + 1;
    }
    if (start != text.size() || lines < 3 || lines > kMostLines)
        __builtin_trap();
    return 0;
}
