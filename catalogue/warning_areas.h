// The weather-warning areas of the catalogue records: the archive entry
// "data.vig", the MeteoAlarm area codes (EMMA_ID, NUTS2, NUTS3) that each
// place belongs to, for matching the warnings of MeteoAlarm's feeds to
// places.
//
// Stored form: one section per catalogue that has areas (CatalogueEntries()
// names each catalogue's section; the archive carries "fr", "be" and "lu"),
// in any order, each
//   catalogue  2 bytes   the section code (ASCII)
//   count      4 bytes   32-bit signed little-endian: the catalogue's record count
//   areas      per record in the catalogue's stored order: a length byte, then
//              that many bytes, the record's area codes (ASCII capitals and
//              digits) separated by single spaces; none when the length is 0
// and nothing after the last section. List i of a section belongs to record
// i of its catalogue; a catalogue without a section has no areas.
//
// Example: the section "lu", count 2, lists "LU001" and "" is the 13 bytes
//   6C 75 | 02 00 00 00 | 05 4C 55 30 30 31 | 00
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "stream.h"

namespace nubra {

// The area lists of every section, kept compactly: the entry's bytes once,
// and per section the offset in them of each record's length byte (4 bytes
// a record, instead of a string each: France alone has 36,565 lists).
struct TWarningAreas {
    std::vector<std::uint8_t> Bytes;
    std::map<std::string, std::vector<std::uint32_t>, std::less<>> Sections;

    // The number of lists of section `section` ("fr"); 0 when there is none.
    std::size_t Count(std::string_view section) const;

    // The area codes of record `record` of section `section`, separated by
    // single spaces ("FR086 FR421"); empty when the record has none, or the
    // section or the record does not exist. Points into Bytes.
    std::string_view Of(std::string_view section, std::size_t record) const;

    // True when `code` ("FR421") is one of the codes of that record.
    bool Covers(std::string_view section, std::size_t record, std::string_view code) const;
};

// Fills `out` from the bytes of a "data.vig" entry. Returns an empty string
// on success, else a one-line French message in Windows-1252 saying what is
// wrong (then `out` is left empty): a section cut short, repeated or unknown,
// a negative count, a list holding anything but codes of capitals and digits
// separated by single spaces, bytes after the last section. Never reads
// outside `bytes`.
std::string ParseWarningAreas(std::span<const std::uint8_t> bytes, TWarningAreas& out);

// Finds "data.vig" in the archive held by `archive`, decompresses it and
// parses it as above. Returns an empty string on success, else a one-line
// French message (entry absent, archive or entry damaged, or what
// ParseWarningAreas reports). Nothing raised by the archive reader escapes.
std::string ReadWarningAreas(TStream& archive, TWarningAreas& out);

// The areas of the archive the executable carries as its resource "data",
// read the first time they are asked for and then kept for the program's
// life; from any thread. A read that fails raises std::runtime_error with
// ReadWarningAreas' message (or the missing resource's), and is tried again
// at the next request. Defined with the resources, as
// LoadEmbeddedCatalogues is.
const TWarningAreas& EmbeddedWarningAreas();

} // namespace nubra
