// Reading the positions entry "data.geo" (format in coords.h).
#include "coords.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <utility>

#include "catalogue.h"
#include "little_endian.h"
#include "side_entries.h"

namespace nubra {

namespace {

constexpr std::int32_t kMaxLatitude = 90'000'000;
constexpr std::int32_t kMaxLongitude = 180'000'000;
constexpr std::size_t kPositionSize = 8;

// A signed 32-bit field; the caller has checked that its 4 bytes are there.
std::int32_t getLe32(std::span<const std::uint8_t> bytes, std::size_t at)
{
    return static_cast<std::int32_t>(le32(bytes.data() + at));
}

std::string damaged(const std::string& what) { return "Coordonn\xE9" "es illisibles : " + what; }

} // namespace

std::string ParseCoordinates(std::span<const std::uint8_t> bytes, TCoordinates& out)
{
    out = TCoordinates();
    TCoordinates parsed;
    std::size_t at = 0;
    while (at < bytes.size()) {
        std::string code;
        std::int32_t count = 0;
        const auto seen = [&parsed](const std::string& c) { return parsed.Sections.count(c) != 0; };
        if (std::string fault = ReadSectionHead(bytes, at, seen, code, count); !fault.empty())
            return damaged(fault);
        std::vector<TPosition>& positions = parsed.Sections[code];
        // Compared by division, so that a huge count cannot overflow.
        if (static_cast<std::size_t>(count) > (bytes.size() - at) / kPositionSize)
            return damaged("section " + code + " tronqu\xE9" "e");
        positions.reserve(static_cast<std::size_t>(count));
        for (std::int32_t i = 0; i < count; ++i, at += kPositionSize) {
            const TPosition p{getLe32(bytes, at), getLe32(bytes, at + 4)};
            if (std::abs(static_cast<std::int64_t>(p.Latitude)) > kMaxLatitude
                || std::abs(static_cast<std::int64_t>(p.Longitude)) > kMaxLongitude)
                return damaged("position hors limites dans la section " + code);
            positions.push_back(p);
        }
    }
    for (const TCatalogueEntry& catalogue : CatalogueEntries()) {
        if (!parsed.Sections.count(catalogue.Section))
            return damaged("section " + std::string(catalogue.Section) + " absente");
    }
    out = std::move(parsed);
    return {};
}

const std::vector<TPosition>& TCoordinates::Of(std::string_view code) const
{
    static const std::vector<TPosition> none;
    const auto found = Sections.find(code);
    return found == Sections.end() ? none : found->second;
}

std::string ReadCoordinates(TStream& archive, TCoordinates& out)
{
    out = TCoordinates();
    TMemoryStream entry;
    if (const std::string reason = ExtractWholeEntry(archive, "data.geo", entry); !reason.empty())
        return damaged(reason);
    return ParseCoordinates(entry.Bytes(), out);
}

std::string FormatDegrees(std::int32_t millionths)
{
    const std::int64_t value = millionths;
    const std::int64_t magnitude = value < 0 ? -value : value;
    const std::string fraction = std::to_string(magnitude % 1'000'000);
    std::string out = value < 0 ? "-" : "";
    out += std::to_string(magnitude / 1'000'000);
    out += '.';
    out.append(6 - fraction.size(), '0');
    out += fraction;
    return out;
}

} // namespace nubra
