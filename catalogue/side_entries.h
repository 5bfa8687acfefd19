// The side entries of the archive, the positions (data.geo) and the
// warning areas (data.vig), read whole or not at all: unlike the
// catalogues, which keep whatever bytes an extraction gives, a missing or
// damaged side entry is refused with its reason.
//
// A side entry is a run of sections, each a catalogue's: its two-letter
// section code (as CatalogueEntries names it), a signed 32-bit
// little-endian count of records, then the records.
#pragma once

#include <algorithm>
#include <cstdint>
#include <exception>
#include <span>
#include <string>

#include "catalogue.h"
#include "little_endian.h"
#include "stream.h"
#include "vunzip.h"

namespace nubra {

// Decompresses entry `name` of `archive` into `entry`. Returns an empty
// string, or why it cannot be read: "entrée data.geo absente de
// l'archive", "entrée data.geo endommagée (code -3)", or the stream's own
// error.
inline std::string ExtractWholeEntry(TStream& archive, const std::string& name, TMemoryStream& entry)
{
    try {
        const std::int32_t header = ZipFindEntry(archive, name.c_str());
        if (header < 0)
            return "entr\xE9" "e " + name + " absente de l'archive";
        archive.Seek(header);
        const int result = ZipExtract(archive, entry);
        if (result != ZIP_OK)
            return "entr\xE9" "e " + name + " endommag\xE9" "e (code " + std::to_string(result) + ")";
    } catch (const std::exception& e) {
        return e.what();
    }
    return {};
}

inline constexpr std::size_t kSectionHead = 6;  // code (2) + count (4)

// The head of the section at `at` in `bytes`: sets `code` and `count` and
// moves `at` past it, or returns the fault ("en-tête de section tronqué",
// "section inconnue", "section fr en double", "nombre négatif dans la
// section fr"). `seen(code)` says whether that section came already.
template <class Seen>
std::string ReadSectionHead(std::span<const std::uint8_t> bytes, std::size_t& at, const Seen& seen, std::string& code,
                            std::int32_t& count)
{
    if (bytes.size() - at < kSectionHead)
        return "en-t\xEAte de section tronqu\xE9";
    code.assign(reinterpret_cast<const char*>(bytes.data() + at), 2);
    const std::span<const TCatalogueEntry> catalogues = CatalogueEntries();
    if (std::none_of(catalogues.begin(), catalogues.end(), [&](const TCatalogueEntry& c) { return c.Section == code; }))
        return "section inconnue";
    if (seen(code))
        return "section " + code + " en double";
    count = static_cast<std::int32_t>(le32(bytes.data() + at + 2));
    at += kSectionHead;
    if (count < 0)
        return "nombre n\xE9gatif dans la section " + code;
    return {};
}

} // namespace nubra
