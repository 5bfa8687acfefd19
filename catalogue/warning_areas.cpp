// Reading the warning-areas entry "data.vig" (format in warning_areas.h).
#include "warning_areas.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "catalogue.h"
#include "little_endian.h"
#include "side_entries.h"

namespace nubra {

namespace {

std::string damaged(const std::string& what) { return "Zones de vigilance illisibles : " + what; }

bool isCodeChar(std::uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

// Empty, or codes of capitals and digits separated by single spaces.
bool wellFormed(std::span<const std::uint8_t> list)
{
    bool afterCode = false;
    for (const std::uint8_t c : list) {
        if (isCodeChar(c))
            afterCode = true;
        else if (c == ' ' && afterCode)
            afterCode = false;
        else
            return false;
    }
    return list.empty() || afterCode;
}

} // namespace

std::string ParseWarningAreas(std::span<const std::uint8_t> bytes, TWarningAreas& out)
{
    out = TWarningAreas();
    // Offsets are kept in 32 bits.
    if (bytes.size() > std::numeric_limits<std::uint32_t>::max())
        return damaged("entr\xE9" "e trop grande");
    TWarningAreas parsed;
    std::size_t at = 0;
    while (at < bytes.size()) {
        std::string code;
        std::int32_t count = 0;
        const auto seen = [&parsed](const std::string& c) { return parsed.Sections.count(c) != 0; };
        if (std::string fault = ReadSectionHead(bytes, at, seen, code, count); !fault.empty())
            return damaged(fault);
        // Every list takes at least its length byte.
        if (static_cast<std::size_t>(count) > bytes.size() - at)
            return damaged("section " + code + " tronqu\xE9" "e");
        std::vector<std::uint32_t>& offsets = parsed.Sections[code];
        offsets.reserve(static_cast<std::size_t>(count));
        for (std::int32_t i = 0; i < count; ++i) {
            if (at >= bytes.size() || bytes[at] > bytes.size() - at - 1)
                return damaged("section " + code + " tronqu\xE9" "e");
            if (!wellFormed(bytes.subspan(at + 1, bytes[at])))
                return damaged("code de zone invalide dans la section " + code + ", fiche "
                               + std::to_string(i));
            offsets.push_back(static_cast<std::uint32_t>(at));
            at += 1 + std::size_t{bytes[at]};
        }
    }
    parsed.Bytes.assign(bytes.begin(), bytes.end());
    out = std::move(parsed);
    return {};
}

std::size_t TWarningAreas::Count(std::string_view section) const
{
    const auto found = Sections.find(section);
    return found == Sections.end() ? 0 : found->second.size();
}

std::string_view TWarningAreas::Of(std::string_view section, std::size_t record) const
{
    const auto found = Sections.find(section);
    if (found == Sections.end() || record >= found->second.size())
        return {};
    const std::uint32_t at = found->second[record];
    return {reinterpret_cast<const char*>(Bytes.data() + at + 1), Bytes[at]};
}

bool TWarningAreas::Covers(std::string_view section, std::size_t record, std::string_view code) const
{
    std::string_view list = Of(section, record);
    while (!list.empty() && !code.empty()) {
        const std::size_t space = list.find(' ');
        if (list.substr(0, space) == code)
            return true;
        if (space == std::string_view::npos)
            break;
        list.remove_prefix(space + 1);
    }
    return false;
}

std::string ReadWarningAreas(TStream& archive, TWarningAreas& out)
{
    out = TWarningAreas();
    TMemoryStream entry;
    if (const std::string reason = ExtractWholeEntry(archive, "data.vig", entry); !reason.empty())
        return damaged(reason);
    return ParseWarningAreas(entry.Bytes(), out);
}

} // namespace nubra
