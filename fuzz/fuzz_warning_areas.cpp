// The parsing of a decompressed warning-areas entry ("data.vig"): sections
// cut short, repeated or unknown, bogus counts and lengths, malformed codes;
// and the accessors on whatever was accepted.
#include <cstddef>
#include <cstdint>
#include <span>

#include "warning_areas.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    nubra::TWarningAreas areas;
    if (nubra::ParseWarningAreas(std::span<const std::uint8_t>(data, size), areas).empty()) {
        for (const auto& [section, offsets] : areas.Sections) {
            for (std::size_t i = 0; i <= offsets.size(); ++i) {
                const std::string_view list = areas.Of(section, i);
                if (!list.empty() && !areas.Covers(section, i, list.substr(0, list.find(' '))))
                    __builtin_trap();
            }
        }
    }
    return 0;
}
