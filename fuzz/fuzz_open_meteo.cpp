// An Open-Meteo answer body turned into text: arbitrary bytes as the JSON.
// EOpenMeteoAnswer is the only refusal allowed; any other exception ends the
// run as a crash. A text given back must be what the window can show: the
// two header lines and the current conditions, then at most 16 days, every
// line ended by CR LF and none holding a lone CR or LF.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "open_meteo.h"

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
    constexpr std::string_view head = "Pr\xE9visions Open-Meteo pour Achenheim\r\n"
                                      "Donn\xE9" "es Open-Meteo.com (CC BY 4.0) - api.open-meteo.com\r\n"
                                      "Actuellement : ";
    if (!text.starts_with(head) || !text.ends_with("\r\n"))
        __builtin_trap();
    std::size_t lines = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))
            __builtin_trap();
        if (text[i] == '\n') {
            if (i == 0 || text[i - 1] != '\r')
                __builtin_trap();
            ++lines;
        }
    }
    if (lines < 3 || lines > 3 + 16)
        __builtin_trap();
    return 0;
}
